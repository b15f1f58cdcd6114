#pragma once

#include "output_buffer.h"

#include <cstddef>

// Reads up to `capacity` bytes into `buffer`. Returns how many were read,
// 0 at end of input, or -1 on failure with errno set.
using read_fn = long (*)(void* context, char* buffer, std::size_t capacity);

enum class stream_result {
    done,         // input ended and every line was translated
    read_failed,  // errno tells why
    write_failed, // the output's drain failed
    out_of_memory // a line too long to hold
};

// Translates a whole scene script, line after line, from `read` to `out`.
//
// Lines may be of any length: one buffer is kept for the whole run and grows
// only when a line longer than any before arrives. A UTF-8 byte order mark at
// the very start of input is dropped. Everything translated so far is flushed
// before each read, so the output never waits on input.
stream_result translate_stream(read_fn read, void* context, output_buffer& out);
