#include "field_splitter.h"

#include <cstring>

int split_fields(char* text, char separator)
{
    // strcspn scans many bytes at a time; the loop only runs once per field.
    const char stops[] = {separator, '\r', '\n', '\0'};
    int count = 1;
    char* p = text;
    for (;;) {
        p += std::strcspn(p, stops);
        if (*p == '\0') {
            return count;
        }
        if (*p == separator) {
            *p++ = '\0';
            ++count;
            continue;
        }
        *p = '\0'; // the first CR or LF ends the text
        return count;
    }
}

char* next_field(char* field)
{
    return field + std::strlen(field) + 1;
}
