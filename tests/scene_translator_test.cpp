#include "scene_translator.h"

#include "memory_sink.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

std::string translate(std::string line)
{
    line.push_back('\0');
    memory_sink sink;
    translate_line(line.data(), sink.out);
    return sink.flushed();
}

// The expected blocks are spelled out in full here, independently of the
// template table, so a changed byte in a template shows up.
const std::string text_tail = "\trepaint();\n\treturn;\n}\n";
const std::string buttons_on = "\tjb[ 0 ].setVisible( true );\n"
                               "\tjb[ 1 ].setVisible( true );\n"
                               "\tjb[ 2 ].setVisible( true );\n";
const std::string button_tail = "\trepaint();\n\treturn;\n}\n";

std::string choice(int index, const std::string& scene)
{
    return "\tif( e.getSource() == jb[ " + std::to_string(index) + " ] ){\n" + "\t\tm_scene = " + scene + ";\n" +
           "\t\tjb[ 0 ].setVisible( false );\n"
           "\t\tjb[ 1 ].setVisible( false );\n"
           "\t\tjb[ 2 ].setVisible( false );\n"
           "\t}\n";
}

struct line_case {
    const char* name;
    std::string line;
    std::string expected;
};

void PrintTo(const line_case& c, std::ostream* os)
{
    *os << c.name;
}

class translate_line_test : public testing::TestWithParam<line_case> { };

TEST_P(translate_line_test, writes_the_block)
{
    EXPECT_EQ(translate(GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    text_scenes, translate_line_test,
    testing::Values(
        line_case{"with_image", "12\tT\t13\tGood morning.\troom.png\n",
                  "if( m_scene == 12 ){\n\tm_scene = 13;\n\tsetText( jl0, \"Good morning.\" );\n"
                  "\tsetImage( \"room.png\" );\n" +
                      text_tail},
        line_case{"without_image", "12\tT\t13\tGood morning.\n",
                  "if( m_scene == 12 ){\n\tm_scene = 13;\n\tsetText( jl0, \"Good morning.\" );\n" + text_tail},
        line_case{"empty_image_field", "12\tT\t13\tGood morning.\t\n",
                  "if( m_scene == 12 ){\n\tm_scene = 13;\n\tsetText( jl0, \"Good morning.\" );\n"
                  "\tsetImage( \"\" );\n" +
                      text_tail},
        line_case{"further_fields_ignored", "12\tT\t13\tHi\ta.png\t\tzz\t\n",
                  "if( m_scene == 12 ){\n\tm_scene = 13;\n\tsetText( jl0, \"Hi\" );\n"
                  "\tsetImage( \"a.png\" );\n" +
                      text_tail},
        line_case{"two_empty_fields", "1\tT\t\t\n",
                  "if( m_scene == 1 ){\n\tm_scene = ;\n\tsetText( jl0, \"\" );\n" + text_tail},
        line_case{"kind_is_first_byte_only", "5\tText\t6\tHello\n",
                  "if( m_scene == 5 ){\n\tm_scene = 6;\n\tsetText( jl0, \"Hello\" );\n" + text_tail},
        line_case{"quote_and_backslash_copied", "1\tT\t2\tsay \\\"hi\\\" \"\\n\n",
                  "if( m_scene == 1 ){\n\tm_scene = 2;\n\tsetText( jl0, \"say \\\"hi\\\" \"\\n\" );\n" + text_tail},
        line_case{"percent_is_data", "1\tT\t2\t100% sure %s %d %n\n",
                  "if( m_scene == 1 ){\n\tm_scene = 2;\n\tsetText( jl0, \"100% sure %s %d %n\" );\n" + text_tail},
        line_case{"crlf_like_lf", "1\tT\t2\tHi\r\n",
                  "if( m_scene == 1 ){\n\tm_scene = 2;\n\tsetText( jl0, \"Hi\" );\n" + text_tail},
        line_case{"blanks_kept", " 1 \tT\t 2 \t Hi \n",
                  "if( m_scene ==  1  ){\n\tm_scene =  2 ;\n\tsetText( jl0, \" Hi \" );\n" + text_tail},
        line_case{"non_ascii_kept", "1\tT\t2\tK\xC3\xA4se \xE2\x80\x94 \xFF\n",
                  "if( m_scene == 1 ){\n\tm_scene = 2;\n\tsetText( jl0, \"K\xC3\xA4se \xE2\x80\x94 \xFF\" );\n" +
                      text_tail}),
    [](const testing::TestParamInfo<line_case>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(button_scenes, translate_line_test,
                         testing::Values(line_case{"labels_not_split", "20\tB\t21\tYes,No,Later\n",
                                                   "if( m_scene == 20 ){\n\tm_scene = 21;\n" + buttons_on +
                                                       "\tsetText( jb, \"Yes,No,Later\" );\n" + button_tail},
                                         line_case{"fifth_field_ignored", "1\tB\t2\tA\tpicture.png\n",
                                                   "if( m_scene == 1 ){\n\tm_scene = 2;\n" + buttons_on +
                                                       "\tsetText( jb, \"A\" );\n" + button_tail},
                                         line_case{"empty_labels", "1\tBoth\t2\t\n",
                                                   "if( m_scene == 1 ){\n\tm_scene = 2;\n" + buttons_on +
                                                       "\tsetText( jb, \"\" );\n" + button_tail}),
                         [](const testing::TestParamInfo<line_case>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    choice_dispatches, translate_line_test,
    testing::Values(line_case{"three_items", "21\tC\t30,40,50\n",
                              "if( m_scene == 21 ){\n" + choice(0, "30") + choice(1, "40") + choice(2, "50") + "}\n"},
                    line_case{"four_items", "21\tC\t30,40,50,60\n",
                              "if( m_scene == 21 ){\n" + choice(0, "30") + choice(1, "40") + choice(2, "50") +
                                  choice(3, "60") + "}\n"},
                    line_case{"twelve_items_two_digit_index", "9\tC\t0,1,2,3,4,5,6,7,8,9,10,11\n",
                              [] {
                                  std::string s = "if( m_scene == 9 ){\n";
                                  for (int i = 0; i < 12; ++i) {
                                      s += choice(i, std::to_string(i));
                                  }
                                  return s + "}\n";
                              }()},
                    line_case{"empty_list", "21\tC\t\n", "if( m_scene == 21 ){\n" + choice(0, "") + "}\n"},
                    line_case{"empty_middle_item", "21\tC\t30,,50\n",
                              "if( m_scene == 21 ){\n" + choice(0, "30") + choice(1, "") + choice(2, "50") + "}\n"},
                    line_case{"blank_after_comma_kept", "21\tC\t30, 40\n",
                              "if( m_scene == 21 ){\n" + choice(0, "30") + choice(1, " 40") + "}\n"},
                    line_case{"later_fields_ignored", "21\tC\t7,8\tx,y\tz\n",
                              "if( m_scene == 21 ){\n" + choice(0, "7") + choice(1, "8") + "}\n"}),
    [](const testing::TestParamInfo<line_case>& info) { return std::string(info.param.name); });

// A line that lacks a field its kind needs stops there, block left open.
INSTANTIATE_TEST_SUITE_P(
    cut_short, translate_line_test,
    testing::Values(line_case{"empty_line", "\n", "if( m_scene ==  ){\n"},
                    line_case{"empty_text", "", "if( m_scene ==  ){\n"},
                    line_case{"no_tab", "42\n", "if( m_scene == 42 ){\n"},
                    line_case{"unknown_kind", "5\tX\t6\tHello\n", "if( m_scene == 5 ){\n"},
                    line_case{"lower_case_kind", "5\tt\t6\tHello\n", "if( m_scene == 5 ){\n"},
                    line_case{"blank_before_kind", "5\t T\t6\tHello\n", "if( m_scene == 5 ){\n"},
                    line_case{"empty_kind", "5\t\t6\tHello\n", "if( m_scene == 5 ){\n"},
                    line_case{"text_two_fields", "5\tT\n", "if( m_scene == 5 ){\n"},
                    line_case{"text_three_fields", "1\tT\t2\n", "if( m_scene == 1 ){\n\tm_scene = 2;\n"},
                    line_case{"button_two_fields", "5\tB\n", "if( m_scene == 5 ){\n"},
                    line_case{"button_three_fields", "1\tB\t2\n", "if( m_scene == 1 ){\n\tm_scene = 2;\n"},
                    line_case{"choice_two_fields", "5\tC\n", "if( m_scene == 5 ){\n"},
                    line_case{"cr_inside_line", "1\tT\r\t2\tHi\n", "if( m_scene == 1 ){\n"},
                    line_case{"nul_inside_line", "1\tT\t2\0\tHi\n"s, "if( m_scene == 1 ){\n\tm_scene = 2;\n"}),
    [](const testing::TestParamInfo<line_case>& info) { return std::string(info.param.name); });

TEST(translate_line, field_larger_than_the_writer_storage_arrives_whole)
{
    const std::string text(100000, 'x');
    std::string line = "1\tT\t2\t" + text + "\n";
    line.push_back('\0');
    memory_sink sink(64);
    translate_line(line.data(), sink.out);
    EXPECT_EQ(sink.flushed(), "if( m_scene == 1 ){\n\tm_scene = 2;\n\tsetText( jl0, \"" + text + "\" );\n" + text_tail);
}

TEST(translate_line, stops_writing_after_the_output_fails)
{
    std::string line = "21\tC\t1,2,3,4,5,6,7,8,9\n";
    line.push_back('\0');
    memory_sink sink(16);
    sink.fail_after_drains = 2;
    translate_line(line.data(), sink.out);
    EXPECT_TRUE(sink.out.failed());
    // Two full drains of 16 bytes went out; nothing after the failed third.
    EXPECT_EQ(sink.text, "if( m_scene == 21 ){\n\tif( e.getS");
}

} // namespace
