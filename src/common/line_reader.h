#pragma once

#include <cstddef>

// Reads up to `capacity` bytes into `buffer`. Returns how many were read,
// 0 at end of input, or -1 on failure with errno set.
using read_fn = long (*)(void* context, char* buffer, std::size_t capacity);

// Where the lines go.
struct line_sink {
    // Takes one line of `size` bytes: writable, without its line feed, and
    // followed by a NUL (bytes inside it may be NUL too).
    void (*line)(void* context, char* text, std::size_t size);
    // Called before every read, so that what the lines produced can go out
    // before the read blocks; false stops the reading.
    bool (*before_read)(void* context);
    void* context;
};

enum class read_result {
    done,         // input ended and every line was handed on
    read_failed,  // errno tells why; the unfinished last line is dropped
    stopped,      // before_read said to stop
    out_of_memory // a line too long to hold
};

// Reads a scene script from `read` and hands it to `sink` line by line.
//
// A line feed ends a line, and a last line without one is handed on too.
// Lines may be of any length: one buffer is kept for the whole run and grows
// only when a line longer than any before fills it. A UTF-8 byte order mark
// at the very start of input is dropped.
read_result read_lines(read_fn read, void* context, const line_sink& sink);
