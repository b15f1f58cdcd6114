#include "driver.h"

#include "scene_translator.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr std::size_t initial_capacity = 64 * 1024;

struct free_deleter {
    void operator()(char* p) const { std::free(p); }
};
using byte_block = std::unique_ptr<char, free_deleter>;

constexpr char byte_order_mark[] = {'\xEF', '\xBB', '\xBF'};
constexpr std::size_t byte_order_mark_size = sizeof byte_order_mark;

// Translates every complete line in [line, end) and returns where the
// unfinished rest begins. The search for the first line feed starts at
// `search`: bytes before it are known to hold none, which keeps a long line
// arriving in many reads from being scanned again and again.
char* translate_complete_lines(char* line, char* search, char* end, output_buffer& out)
{
    while (auto* line_feed = static_cast<char*>(std::memchr(search, '\n', static_cast<std::size_t>(end - search)))) {
        *line_feed = '\0';
        translate_line(line, out);
        line = line_feed + 1;
        search = line;
    }
    return line;
}

// True while the bytes seen so far could still be the start of a byte order
// mark, so that the decision has to wait for more input.
bool may_become_byte_order_mark(const char* data, std::size_t size)
{
    return size < byte_order_mark_size && std::memcmp(data, byte_order_mark, size) == 0;
}

} // namespace

stream_result translate_stream(read_fn read, void* context, output_buffer& out)
{
    // One spare byte past the capacity holds the NUL after a last line that
    // has no line feed.
    std::size_t capacity = initial_capacity;
    byte_block buffer(static_cast<char*>(std::malloc(capacity + 1)));
    if (!buffer) {
        return stream_result::out_of_memory;
    }
    std::size_t used = 0;     // bytes of the unfinished line at the buffer's start
    std::size_t searched = 0; // how many of them are known to hold no line feed
    bool at_start = true;

    for (;;) {
        if (used == capacity) {
            // The unfinished line fills the buffer: make room for a longer one.
            const std::size_t larger = capacity * 2;
            auto* grown = static_cast<char*>(std::realloc(buffer.get(), larger + 1));
            if (grown == nullptr) {
                return stream_result::out_of_memory;
            }
            static_cast<void>(buffer.release());
            buffer.reset(grown);
            capacity = larger;
        }
        if (!out.flush()) {
            return stream_result::write_failed;
        }
        char* base = buffer.get();
        const long got = read(context, base + used, capacity - used);
        if (got < 0) {
            return stream_result::read_failed;
        }
        if (got == 0) {
            break;
        }
        used += static_cast<std::size_t>(got);

        char* begin = base;
        if (at_start) {
            if (may_become_byte_order_mark(base, used)) {
                continue;
            }
            at_start = false;
            if (used >= byte_order_mark_size && std::memcmp(base, byte_order_mark, byte_order_mark_size) == 0) {
                begin += byte_order_mark_size;
            }
        }
        char* search = base + searched > begin ? base + searched : begin;
        char* rest = translate_complete_lines(begin, search, base + used, out);
        if (out.failed()) {
            return stream_result::write_failed;
        }
        used = static_cast<std::size_t>(base + used - rest);
        std::memmove(base, rest, used);
        searched = used;
    }

    char* base = buffer.get();
    std::size_t begin = 0;
    if (at_start && used == byte_order_mark_size && std::memcmp(base, byte_order_mark, used) == 0) {
        begin = used; // input was a byte order mark and nothing else
    }
    if (used > begin) {
        // A last line without a line feed is translated like any other.
        base[used] = '\0';
        translate_line(base + begin, out);
    }
    return out.flush() ? stream_result::done : stream_result::write_failed;
}
