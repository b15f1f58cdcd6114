#pragma once

#include "line_reader.h"
#include "output_buffer.h"

enum class stream_result {
    done,         // input ended and every line was translated
    read_failed,  // errno tells why; the unfinished last line is dropped
    write_failed, // the output's drain failed
    out_of_memory // a line too long to hold
};

// Translates a whole scene script, line after line, from `read` to `out`.
// Lines are read as read_lines reads them. Everything translated so far is
// flushed before each read, so the output never waits on input.
stream_result translate_stream(read_fn read, void* context, output_buffer& out);
