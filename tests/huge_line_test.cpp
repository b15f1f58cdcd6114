// Lines with more fields or items than a 32-bit count holds. They take two
// gigabytes of memory each, so they run on their own (label `huge`).

#include "field_splitter.h"
#include "scene_translator.h"

#include "memory_sink.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace {

// Just past the largest 32-bit signed count, where an int would wrap.
constexpr std::size_t past_int = (std::size_t{1} << 31) + 52;

// `before`, past_int copies of `separator`, `after`, and the NUL that ends
// a line's text, built in one allocation.
std::string huge_line(const char* before, char separator, const char* after)
{
    std::string line;
    line.reserve(past_int + 64);
    line = before;
    line.append(past_int, separator);
    line += after;
    line.push_back('\0');
    return line;
}

TEST(huge_line, text_scene_with_more_tabs_than_an_int_counts_gives_its_whole_block)
{
    std::string line = huge_line("1\tT\t2\tHi", '\t', "tail\n");
    memory_sink sink(1 << 16);
    translate_line(line.data(), sink.out);
    // Field 5 is there, and empty; the fields after it are ignored.
    EXPECT_EQ(sink.flushed(), "if( m_scene == 1 ){\n\tm_scene = 2;\n\tsetText( jl0, \"Hi\" );\n\tsetImage( \"\" );\n"
                              "\trepaint();\n\treturn;\n}\n");
}

TEST(huge_line, choice_list_with_more_commas_than_an_int_counts_is_counted_whole)
{
    std::string list = huge_line("30", ',', "40\n");
    EXPECT_EQ(split_fields(list.data(), ','), past_int + 1);
    // Every comma became a NUL, and the line feed too.
    EXPECT_EQ(list.find(','), std::string::npos);
    EXPECT_STREQ(list.data() + past_int + 2, "40");
}

} // namespace
