#include "line_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace {

constexpr std::size_t initial_capacity = std::size_t{64} * 1024;

constexpr char byte_order_mark[] = {'\xEF', '\xBB', '\xBF'};
constexpr std::size_t byte_order_mark_size = sizeof byte_order_mark;

// The one line buffer of the run. It holds the unfinished line at its start
// and room to read into after it. It is grown, by doubling, only when full,
// which happens before the next read: so there is always a byte free after
// the last one read, for the NUL that ends a last line without a line feed.
class line_buffer {
public:
    bool allocate(std::size_t capacity) { return resize(capacity); }
    bool grow() { return capacity_ <= SIZE_MAX / 2 && resize(capacity_ * 2); }
    [[nodiscard]] char* data() const { return bytes_.get(); }
    [[nodiscard]] std::size_t capacity() const { return capacity_; }

private:
    struct free_deleter {
        void operator()(char* p) const { std::free(p); }
    };

    bool resize(std::size_t capacity)
    {
        // realloc moves large blocks by remapping them rather than copying.
        auto* bytes = static_cast<char*>(std::realloc(bytes_.get(), capacity));
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
// mark, else none; no answer yet while the bytes so far could still become
// one. At the end of input a mark cut short is data, and nothing is dropped.
std::optional<std::size_t> leading_mark(const char* data, std::size_t size)
{
    const std::size_t seen = std::min(size, byte_order_mark_size);
    if (std::memcmp(data, byte_order_mark, seen) != 0) {
        return 0;
    }
    if (seen == byte_order_mark_size) {
        return byte_order_mark_size;
    }
    return std::nullopt;
}

// Hands on every complete line in [line, end) and returns where the
// unfinished rest begins. The search for the first line feed starts at
// `search`: bytes before it are known to hold none, which keeps a long line
// arriving in many reads from being scanned again and again.
char* hand_on_complete_lines(char* line, char* search, const char* end, const line_sink& sink)
{
    while (auto* line_feed = static_cast<char*>(std::memchr(search, '\n', static_cast<std::size_t>(end - search)))) {
        *line_feed = '\0';
        sink.line(sink.context, line, static_cast<std::size_t>(line_feed - line));
        line = line_feed + 1;
        search = line;
    }
    return line;
}

} // namespace

read_result read_lines(read_fn read, void* context, const line_sink& sink)
{
    line_buffer buffer;
    if (!buffer.allocate(initial_capacity)) {
        return read_result::out_of_memory;
    }
    std::size_t used = 0;     // bytes of the unfinished line at the buffer's start
    std::size_t searched = 0; // how many of them are known to hold no line feed
    bool start_decided = false;

    for (;;) {
        // What the lines produced goes out before the next read can block,
        // and before a failure to grow the buffer ends the run.
        if (!sink.before_read(sink.context)) {
            return read_result::stopped;
        }
        if (used == buffer.capacity() && !buffer.grow()) {
            return read_result::out_of_memory;
        }
        const long got = read(context, buffer.data() + used, buffer.capacity() - used);
        if (got < 0) {
            return read_result::read_failed;
        }
        if (got == 0) {
            break;
        }
        used += static_cast<std::size_t>(got);

        char* const base = buffer.data();
        std::size_t start = 0;
        if (!start_decided) {
            const std::optional<std::size_t> mark = leading_mark(base, used);
            if (!mark) {
                continue;
            }
            start_decided = true;
            start = *mark;
        }
        char* const rest =
            hand_on_complete_lines(base + start, std::max(base + searched, base + start), base + used, sink);
        used = static_cast<std::size_t>(base + used - rest);
        if (rest != base) {
            std::memmove(base, rest, used); // a long line stays put while it grows
        }
        searched = used;
    }

    // A last line without a line feed is handed on like any other. The
    // buffer is never full here: it grows before every read.
    if (used > 0) {
        char* const base = buffer.data();
        base[used] = '\0';
        sink.line(sink.context, base, used);
    }
    return read_result::done;
}
