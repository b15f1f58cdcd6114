#include "field_splitter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct split_case {
    const char* name;
    std::string text;
    char separator;
    std::vector<std::string> fields;
};

// Splits a copy of `text` and walks every counted field with next_field.
std::vector<std::string> split_and_walk(std::string text, char separator, std::size_t& count)
{
    text.push_back('\0');
    count = split_fields(text.data(), separator);
    std::vector<std::string> fields;
    char* cursor = text.data();
    for (std::size_t i = 0; i < count; ++i) {
        fields.emplace_back(cursor);
        cursor = next_field(cursor);
        EXPECT_LE(cursor, text.data() + text.size()) << "stepped past the text";
    }
    return fields;
}

void PrintTo(const split_case& c, std::ostream* os)
{
    *os << c.name;
}

class split_fields_test : public testing::TestWithParam<split_case> { };

TEST_P(split_fields_test, counts_and_walks_the_fields)
{
    const split_case& c = GetParam();
    std::size_t count = 0;
    const std::vector<std::string> fields = split_and_walk(c.text, c.separator, count);
    EXPECT_EQ(count, c.fields.size());
    EXPECT_EQ(fields, c.fields);
}

// Checks the recording split against the fields a case expects: same
// count, and every recorded end is the NUL right after its field.
void expect_recorded_ends(std::string text, char separator, const std::vector<std::string>& fields, std::size_t wanted)
{
    text.push_back('\0');
    std::vector<char*> ends(wanted + 1, nullptr);
    const std::size_t count = split_fields(text.data(), separator, ends.data(), wanted);
    ASSERT_EQ(count, fields.size());
    char* begin = text.data();
    for (std::size_t i = 0; i < count && i < wanted; ++i) {
        ASSERT_NE(ends[i], nullptr) << "field " << i;
        EXPECT_EQ(std::string(begin, ends[i]), fields[i]);
        EXPECT_EQ(*ends[i], '\0');
        begin = ends[i] + 1;
    }
    for (std::size_t i = count; i <= wanted; ++i) {
        EXPECT_EQ(ends[i], nullptr) << "recorded a field the text does not have";
    }
}

TEST_P(split_fields_test, records_where_the_wanted_fields_end)
{
    const split_case& c = GetParam();
    for (std::size_t wanted = 0; wanted <= 6; ++wanted) {
        expect_recorded_ends(c.text, c.separator, c.fields, wanted);
    }
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    cases, split_fields_test,
    testing::Values(
        split_case{"three_fields_lf", "a\tb\tc\n", '\t', {"a", "b", "c"}},
        split_case{"empty_middle", "a\t\tc", '\t', {"a", "", "c"}},
        split_case{"trailing_separator", "a\t", '\t', {"a", ""}}, split_case{"empty_text", "", '\t', {""}},
        split_case{"only_crlf", "\r\n", '\t', {""}}, split_case{"only_lf", "\n", '\t', {""}},
        split_case{"cr_ends_text_before_tab", "a\rb\tc\n", '\t', {"a"}},
        split_case{"crlf_like_lf", "a\tb\r\n", '\t', {"a", "b"}},
        split_case{"lf_then_more_tabs", "a\tb\nc\td\te", '\t', {"a", "b"}},
        split_case{"nul_ends_text", "a\tb\0c\td"s, '\t', {"a", "b"}},
        split_case{"only_separators", "\t\t\t", '\t', {"", "", "", ""}},
        split_case{"blanks_belong_to_fields", " a \t b ", '\t', {" a ", " b "}},
        split_case{"comma_three_items", "30,40,50", ',', {"30", "40", "50"}},
        split_case{"comma_empty_middle", "30,,50", ',', {"30", "", "50"}},
        split_case{"comma_trailing", "30,", ',', {"30", ""}}, split_case{"comma_empty_text", "", ',', {""}},
        split_case{"comma_leaves_tabs", "3\t0,4", ',', {"3\t0", "4"}},
        split_case{"tab_leaves_commas", "1,2\t3", '\t', {"1,2", "3"}},
        split_case{
            "other_controls_are_data", "\x01\x08\x0b\x0c\x0e\x1f\x7f\tz", '\t', {"\x01\x08\x0b\x0c\x0e\x1f\x7f", "z"}},
        split_case{"cr_as_separator", "a\rb\nc", '\r', {"a", "b"}},
        split_case{"lf_as_separator", "a\nb\rc", '\n', {"a", "b"}},
        split_case{"tab_in_sixteenth_byte", "0123456789abcde\tf", '\t', {"0123456789abcde", "f"}},
        split_case{
            "cr_in_last_byte_of_chunk", "0123456789abcdef0123456789abcde\r", '\t', {"0123456789abcdef0123456789abcde"}},
        split_case{"high_bytes_are_data", "\xEF\xBB\xBF\t\xFF\x80", '\t', {"\xEF\xBB\xBF", "\xFF\x80"}}),
    [](const testing::TestParamInfo<split_case>& info) { return std::string(info.param.name); });

TEST(split_fields, overwrites_separators_and_the_line_end_in_place)
{
    std::string text = "ab\tc\r\nd\te";
    text.push_back('\0');
    const std::string before = text;
    ASSERT_EQ(split_fields(text.data(), '\t'), 2U);
    // Only the TAB and the CR change; what lies after the end is untouched.
    std::string expected = before;
    expected[2] = '\0';
    expected[4] = '\0';
    EXPECT_EQ(text, expected);
}

TEST(split_fields, long_text_is_split_at_every_separator)
{
    // Long enough for any many-bytes-at-a-time scan to run through several steps.
    std::string text;
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        expected.emplace_back(static_cast<std::size_t>(i % 37), static_cast<char>('a' + i % 26));
        text += expected.back();
        text += '\t';
    }
    expected.emplace_back("tail");
    text += "tail\n";
    std::size_t count = 0;
    EXPECT_EQ(split_and_walk(text, '\t', count), expected);
}

// A plain model of the split: the text ends at the first CR, LF or NUL
// (a separator that is CR or LF separates instead), and every separator
// before that end separates.
std::vector<std::string> model_split(const std::string& text, char separator)
{
    std::vector<std::string> fields(1);
    for (const char c : text) {
        if (c == separator && c != '\0') {
            fields.emplace_back();
        } else if (c == '\r' || c == '\n' || c == '\0') {
            break;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

TEST(split_fields, matches_the_model_at_every_length_and_position)
{
    // Texts of every length around the chunk sizes, made of the bytes that
    // matter; the split must not depend on where they fall.
    static const char alphabet[] = "aaaaaaaa\t,\r\n\x01\x0c\x0d\x0e\xff \0";
    std::mt19937 random(20261211);
    for (std::size_t length = 0; length <= 80; ++length) {
        for (int round = 0; round < 200; ++round) {
            std::string text;
            for (std::size_t i = 0; i < length; ++i) {
                text += alphabet[std::uniform_int_distribution<std::size_t>(0, sizeof alphabet - 1)(random)];
            }
            for (const char separator : {'\t', ','}) {
                const std::vector<std::string> expected = model_split(text, separator);
                std::size_t count = 0;
                ASSERT_EQ(split_and_walk(text, separator, count), expected) << "length " << length;
                expect_recorded_ends(text, separator, expected, 5);
            }
        }
    }
}

} // namespace
