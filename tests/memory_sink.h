#pragma once

#include "output_buffer.h"

#include <cstddef>
#include <string>
#include <vector>

// Collects a writer's output in memory. The storage is kept small on
// purpose, so that tests also pass through the writer's overflow paths.
struct memory_sink {
    explicit memory_sink(std::size_t capacity = 61) : storage(capacity), out(storage.data(), capacity, drain, this) { }

    static bool drain(void* context, const char* data, std::size_t size)
    {
        auto* sink = static_cast<memory_sink*>(context);
        if (sink->fail_after_drains == 0) {
            return false;
        }
        --sink->fail_after_drains;
        sink->text.append(data, size);
        return true;
    }

    // Everything written so far, flushed.
    const std::string& flushed()
    {
        out.flush();
        return text;
    }

    std::string text;
    long fail_after_drains = -1; // drains that succeed before one fails; -1 never fails
    std::vector<char> storage;
    output_buffer out;
};
