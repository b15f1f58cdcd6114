#pragma once

#include <algorithm>
#include <cstddef>
#include <string>

// A read_fn over a string in memory, in pieces of at most `piece` bytes.
struct memory_input {
    const std::string& data;
    std::size_t piece = std::string::npos;
    std::size_t position = 0;

    static long read(void* context, char* buffer, std::size_t capacity)
    {
        auto* in = static_cast<memory_input*>(context);
        const std::size_t n = std::min({in->piece, capacity, in->data.size() - in->position});
        in->data.copy(buffer, n, in->position);
        in->position += n;
        return static_cast<long>(n);
    }
};
