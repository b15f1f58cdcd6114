#pragma once

#include <cstddef>

// A file descriptor to read or write, and the errno of the call that failed.
struct descriptor {
    int fd;
    int error = 0;
};

// A read_fn over a descriptor (the context is a descriptor*). Interrupted
// reads are retried, and a descriptor left non-blocking by whoever handed
// it over is waited on rather than reported as failing.
long read_descriptor(void* context, char* buffer, std::size_t capacity);

// An output_buffer drain over a descriptor (the context is a descriptor*):
// writes all of the bytes, with the same retries and waits.
bool write_descriptor(void* context, const char* data, std::size_t size);
