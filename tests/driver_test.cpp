#include "driver.h"

#include "memory_sink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// Hands out the input in pieces of the given sizes (the last size repeats),
// as a pipe or a terminal would.
struct scripted_input {
    scripted_input(std::string script, std::vector<std::size_t> sizes)
        : data(std::move(script)), pieces(std::move(sizes))
    {
    }

    std::string data;
    std::vector<std::size_t> pieces;
    std::size_t position = 0;
    std::size_t reads = 0;
    bool fail_at_end = false;                     // report EIO instead of end of input
    std::function<void(std::size_t)> before_read; // sees each read as it starts

    static long read(void* context, char* buffer, std::size_t capacity)
    {
        auto* in = static_cast<scripted_input*>(context);
        if (in->before_read) {
            in->before_read(in->reads);
        }
        const std::size_t piece = in->pieces[std::min(in->reads, in->pieces.size() - 1)];
        ++in->reads;
        if (in->position == in->data.size() && in->fail_at_end) {
            errno = EIO;
            return -1;
        }
        const std::size_t n = std::min({piece, capacity, in->data.size() - in->position});
        in->data.copy(buffer, n, in->position);
        in->position += n;
        return static_cast<long>(n);
    }
};

std::string run(const std::string& input, std::vector<std::size_t> pieces = {1 << 20})
{
    scripted_input in{input, std::move(pieces)};
    memory_sink sink;
    EXPECT_EQ(translate_stream(scripted_input::read, &in, sink.out), stream_result::done);
    return sink.text;
}

const std::string hi_block =
    "if( m_scene == 1 ){\n\tm_scene = 2;\n\tsetText( jl0, \"Hi\" );\n\trepaint();\n\treturn;\n}\n";
const std::string bom = "\xEF\xBB\xBF";

TEST(translate_stream, empty_input_writes_nothing)
{
    EXPECT_EQ(run(""), "");
}

TEST(translate_stream, last_line_without_line_feed_is_translated)
{
    EXPECT_EQ(run("1\tT\t2\tHi"), hi_block);
    EXPECT_EQ(run("1\tT\t2\tHi\n1\tT\t2\tHi"), hi_block + hi_block);
}

TEST(translate_stream, one_block_per_line_whatever_the_read_sizes)
{
    const std::string script = bom + "1\tT\t2\tHi\r\n\n" + std::string(70000, 'y') + "\n1\tT\t2\tHi";
    const std::string expected = run(script);
    EXPECT_EQ(expected,
              hi_block + "if( m_scene ==  ){\nif( m_scene == " + std::string(70000, 'y') + " ){\n" + hi_block);
    for (const std::vector<std::size_t>& pieces :
         std::vector<std::vector<std::size_t>>{{1}, {2}, {3}, {1, 1, 1, 7}, {4095}, {4096}, {65535}, {65537}}) {
        EXPECT_EQ(run(script, pieces), expected) << "first piece " << pieces.front();
    }
}

TEST(translate_stream, byte_order_mark_dropped_only_at_the_very_start)
{
    EXPECT_EQ(run(bom + "1\tT\t2\tHi\n"), hi_block);
    EXPECT_EQ(run(bom + "1\tT\t2\tHi\n", {1}), hi_block);
    EXPECT_EQ(run(bom), "");
    // Only the first one goes; later ones, and a mark cut short, are data.
    EXPECT_EQ(run(bom + bom + "1\n"), "if( m_scene == " + bom + "1 ){\n");
    EXPECT_EQ(run("1\n" + bom + "2\n"), "if( m_scene == 1 ){\nif( m_scene == " + bom + "2 ){\n");
    EXPECT_EQ(run("\xEF\xBB\n", {1}), "if( m_scene == \xEF\xBB ){\n");
    EXPECT_EQ(run("\xEF"), "if( m_scene == \xEF ){\n");
}

TEST(translate_stream, output_is_flushed_before_every_read)
{
    scripted_input in{"1\tT\t2\tHi\n5\n", {10}};
    memory_sink sink(1 << 16);
    std::vector<std::string> seen;
    in.before_read = [&](std::size_t) { seen.push_back(sink.text); };
    EXPECT_EQ(translate_stream(scripted_input::read, &in, sink.out), stream_result::done);
    ASSERT_EQ(seen.size(), 3U);
    EXPECT_EQ(seen[0], "");
    EXPECT_EQ(seen[1], hi_block) << "the first line's block waited for more input";
    EXPECT_EQ(seen[2], hi_block + "if( m_scene == 5 ){\n");
}

TEST(translate_stream, read_failure_is_reported_after_flushing_what_came_before)
{
    scripted_input in{"1\tT\t2\tHi\npartial", {1 << 20}};
    in.fail_at_end = true;
    memory_sink sink;
    errno = 0;
    EXPECT_EQ(translate_stream(scripted_input::read, &in, sink.out), stream_result::read_failed);
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(sink.text, hi_block);
}

TEST(translate_stream, write_failure_stops_reading)
{
    std::string script;
    for (int i = 0; i < 1000; ++i) {
        script += "1\tT\t2\tHi\n";
    }
    scripted_input in{script, {100}};
    memory_sink sink(256);
    sink.fail_after_drains = 1;
    EXPECT_EQ(translate_stream(scripted_input::read, &in, sink.out), stream_result::write_failed);
    EXPECT_LT(in.position, script.size()) << "went on reading after the output had failed";
}

TEST(translate_stream, long_line_fed_in_small_reads_comes_out_whole)
{
    // 4 MB in 1 KiB reads: the buffer grows many times under the line.
    const std::string text(4 << 20, 'z');
    const std::string out = run("1\tT\t2\t" + text + "\n", {1024});
    EXPECT_EQ(out,
              "if( m_scene == 1 ){\n\tm_scene = 2;\n\tsetText( jl0, \"" + text + "\" );\n\trepaint();\n\treturn;\n}\n");
}

TEST(translate_stream, line_buffer_grows_by_doubling)
{
    // A 16 MiB line read as fast as the buffer allows: growing by doubling
    // takes a read per doubling; a fixed step would take one per step, and
    // time that grows with the square of the line's length.
    const std::string text(16U << 20, 'z');
    scripted_input in{"1\tT\t2\t" + text + "\n", {std::size_t{1} << 30}};
    memory_sink sink(1 << 16);
    EXPECT_EQ(translate_stream(scripted_input::read, &in, sink.out), stream_result::done);
    EXPECT_LE(in.reads, 14U) << "the buffer grew by too little at a time";
    EXPECT_EQ(sink.text.size(), text.size() + 78);
}

} // namespace
