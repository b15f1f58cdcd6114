#include "field_splitter.h"

#include <cstddef>
#include <cstring>
#include <initializer_list>

int split_fields(char* text, char separator)
{
    // Find where the text ends first, then the separators before that end.
    // Every search is a library scan that takes many bytes per step. A
    // separator that is itself CR or LF separates rather than ends.
    char* end = text + std::strlen(text);
    for (const char line_end : {'\r', '\n'}) {
        if (line_end != separator) {
            if (auto* found = static_cast<char*>(std::memchr(text, line_end, static_cast<std::size_t>(end - text)))) {
                end = found;
            }
        }
    }
    *end = '\0';
    int count = 1;
    for (char* p = text;; ++p) {
        p = static_cast<char*>(std::memchr(p, separator, static_cast<std::size_t>(end - p)));
        if (p == nullptr) {
            return count;
        }
        *p = '\0';
        ++count;
    }
}
