#include "driver.h"

#include "scene_translator.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace {

constexpr std::size_t initial_capacity = std::size_t{64} * 1024;

constexpr char byte_order_mark[] = {'\xEF', '\xBB', '\xBF'};
constexpr std::size_t byte_order_mark_size = sizeof byte_order_mark;

// The one line buffer of the run. It holds the unfinished line at its start
// and room to read into after it, and grows only when a line longer than
// any before fills it. One spare byte past the capacity takes the NUL after
// a last line that has no line feed.
class line_buffer {
public:
    bool allocate(std::size_t capacity) { return resize(capacity); }
    bool grow() { return resize(capacity_ * 2); }
    [[nodiscard]] char* data() const { return bytes_.get(); }
    [[nodiscard]] std::size_t capacity() const { return capacity_; }

private:
    struct free_deleter {
        void operator()(char* p) const { std::free(p); }
    };

    bool resize(std::size_t capacity)
    {
        // realloc moves large blocks by remapping them rather than copying.
        auto* bytes = static_cast<char*>(std::realloc(bytes_.get(), capacity + 1));
        if (bytes == nullptr) {
            return false;
        }
        static_cast<void>(bytes_.release());
        bytes_.reset(bytes);
        capacity_ = capacity;
        return true;
    }

    std::unique_ptr<char, free_deleter> bytes_;
    std::size_t capacity_ = 0;
};

// How many bytes to drop at the very start of input: all of a byte order
// mark, else none; or no answer yet while the bytes so far could still
// become one and more input may come.
std::optional<std::size_t> leading_mark(const char* data, std::size_t size, bool input_ended)
{
    const std::size_t seen = std::min(size, byte_order_mark_size);
    if (std::memcmp(data, byte_order_mark, seen) != 0) {
        return 0;
    }
    if (seen == byte_order_mark_size) {
        return byte_order_mark_size;
    }
    return input_ended ? std::optional<std::size_t>{0} : std::nullopt;
}

// Translates every complete line in [line, end) and returns where the
// unfinished rest begins. The search for the first line feed starts at
// `search`: bytes before it are known to hold none, which keeps a long line
// arriving in many reads from being scanned again and again.
char* translate_complete_lines(char* line, char* search, const char* end, output_buffer& out)
{
    while (auto* line_feed = static_cast<char*>(std::memchr(search, '\n', static_cast<std::size_t>(end - search)))) {
        *line_feed = '\0';
        translate_line(line, out);
        line = line_feed + 1;
        search = line;
    }
    return line;
}

} // namespace

stream_result translate_stream(read_fn read, void* context, output_buffer& out)
{
    line_buffer buffer;
    if (!buffer.allocate(initial_capacity)) {
        return stream_result::out_of_memory;
    }
    std::size_t used = 0;     // bytes of the unfinished line at the buffer's start
    std::size_t searched = 0; // how many of them are known to hold no line feed
    bool start_decided = false;

    for (;;) {
        // What is translated goes out before the next read can block, and
        // before a failure to grow the buffer ends the run.
        if (!out.flush()) {
            return stream_result::write_failed;
        }
        if (used == buffer.capacity() && !buffer.grow()) {
            return stream_result::out_of_memory;
        }
        const long got = read(context, buffer.data() + used, buffer.capacity() - used);
        if (got < 0) {
            return stream_result::read_failed;
        }
        if (got == 0) {
            break;
        }
        used += static_cast<std::size_t>(got);

        char* const base = buffer.data();
        std::size_t start = 0;
        if (!start_decided) {
            const std::optional<std::size_t> mark = leading_mark(base, used, false);
            if (!mark) {
                continue;
            }
            start_decided = true;
            start = *mark;
        }
        char* const rest =
            translate_complete_lines(base + start, std::max(base + searched, base + start), base + used, out);
        if (out.failed()) {
            return stream_result::write_failed;
        }
        used = static_cast<std::size_t>(base + used - rest);
        if (rest != base) {
            std::memmove(base, rest, used); // a long line stays put while it grows
        }
        searched = used;
    }

    // A last line without a line feed is translated like any other.
    char* const base = buffer.data();
    const std::size_t start = start_decided ? 0 : *leading_mark(base, used, true);
    if (used > start) {
        base[used] = '\0';
        translate_line(base + start, out);
    }
    return out.flush() ? stream_result::done : stream_result::write_failed;
}
