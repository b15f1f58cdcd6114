#pragma once

#include <cstddef>
#include <cstring>

// Splits a writable NUL-terminated byte string into fields, in place.
//
// Every separator byte before the end of the text becomes a NUL, and so does
// the first CR or LF, which ends the text: whatever follows it is not part of
// any field. Returns the number of fields, never less than 1. The first field
// begins at `text`; each further one begins right after the NUL that ends the
// field before it. The count is a size, so that no line that fits in memory
// can overflow it.
std::size_t split_fields(char* text, char separator);

// The same split, which also records where the first `wanted` fields end:
// ends[i] points at the NUL that ends field i (counted from 0), for each
// field there is up to `wanted`. It saves the caller a second pass over the
// text to find them.
std::size_t split_fields(char* text, char separator, char** ends, std::size_t wanted);

// Returns the cursor of the field that follows `field`: the byte after the
// NUL that ends it. It checks nothing; step only to fields that split_fields
// counted.
inline char* next_field(char* field)
{
    return field + std::strlen(field) + 1;
}
