// The checker's rules, each on a small script with one fault planted, and
// the Java syntax it judges fields by.

#include "java_syntax.h"
#include "line_reader.h"
#include "script_check.h"

#include "memory_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// What scenecheck prints for `script`, named s.tsv.
std::string check(const std::string& script, const check_options& options = {})
{
    script_checker checker(options);
    memory_input in{script};
    EXPECT_EQ(checker.read(memory_input::read, &in), read_result::done);
    std::string out;
    checker.finish([](void* context,
                      const diagnostic& d) { *static_cast<std::string*>(context) += format_diagnostic("s.tsv", d); },
                   &out);
    return out;
}

// A small story with nothing wrong: every rule's case below adds one fault.
const std::string story = "1\tT\t2\tHello\n2\tB\t3\tA,B,C\n3\tC\t4,5,6\n4\tT\t1\ta\n5\tT\t1\tb\n6\tT\t1\tc\n";
const std::string unreachable_7 = "s.tsv:7:1: warning: scene '7' cannot be reached from the start scene '1': no path "
                                  "of next scenes and choices leads here [unreachable-scene]\n";

struct rule_case {
    const char* name;
    std::string script;
    std::string expected;
    std::string start = {};
    std::string images = {};
};

void PrintTo(const rule_case& c, std::ostream* os)
{
    *os << c.name;
}

class rule_test : public testing::TestWithParam<rule_case> { };

TEST_P(rule_test, reports_the_fault_where_it_is)
{
    const rule_case& c = GetParam();
    check_options options;
    options.start = c.start;
    options.images = c.images;
    EXPECT_EQ(check(c.script, options), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    rules, rule_test,
    testing::Values(
        rule_case{"clean_story", story, ""},
        rule_case{"empty_line", story + "\n",
                  "s.tsv:7:1: error: empty line: its block 'if( m_scene ==  ){' is left open and the Java will not "
                  "compile; delete the line [open-block]\n"},
        rule_case{"no_tab", story + "7\n",
                  unreachable_7 + "s.tsv:7:2: error: no kind: the line has no TAB after the scene identifier, so its "
                                  "block is left open and the Java will not compile; add a TAB and T, B or C "
                                  "[open-block]\n"},
        rule_case{"lower_case_kind", story + "7\tc\t1\n",
                  unreachable_7 + "s.tsv:7:3: error: no known kind 'c': only the first byte counts, and it must be "
                                  "T, B or C; the block is left open and the Java will not compile; write C "
                                  "[open-block]\n"},
        rule_case{"unknown_kind", story + "7\tX\t1\ta\n",
                  unreachable_7 + "s.tsv:7:3: error: no known kind 'X': only the first byte counts, and it must be "
                                  "T, B or C; the block is left open and the Java will not compile [open-block]\n"},
        rule_case{"text_without_text", story + "7\tT\t1\n",
                  unreachable_7 + "s.tsv:7:6: error: this text scene has no field 4 (the text): its block is left "
                                  "open and the Java will not compile [open-block]\n"},
        rule_case{"text_without_next", story + "7\tT\n",
                  unreachable_7 + "s.tsv:7:4: error: this text scene has no field 3 (the next scene): its block is "
                                  "left open and the Java will not compile [open-block]\n"},
        rule_case{"buttons_without_labels", story + "7\tB\t3\n",
                  unreachable_7 + "s.tsv:7:6: error: this button scene has no field 4 (the button labels): its block "
                                  "is left open and the Java will not compile [open-block]\n"},
        rule_case{"choice_without_list", story + "7\tC\n",
                  unreachable_7 + "s.tsv:7:4: error: this choice dispatch has no field 3 (the choice list): its "
                                  "block is left open and the Java will not compile [open-block]\n"},
        rule_case{"octal_looking_id", "1\tT\t08\tHi\n",
                  "s.tsv:1:5: error: the scene identifier '08' starts with 0, which makes it an octal number, and 8 "
                  "and 9 are no octal digits; write it without the leading 0 [bad-scene-id]\n"},
        rule_case{"id_out_of_range", "2147483648\tT\t2147483648\tHi\n",
                  "s.tsv:1:1: error: the scene identifier '2147483648' is out of the range of a Java int "
                  "(-2147483648 to 2147483647) [bad-scene-id]\n"
                  "s.tsv:1:14: error: the scene identifier '2147483648' is out of the range of a Java int "
                  "(-2147483648 to 2147483647) [bad-scene-id]\n"},
        rule_case{"id_with_letters", "12a\tT\t12a\tHi\n",
                  "s.tsv:1:1: error: the scene identifier '12a' is not a Java int literal [bad-scene-id]\n"
                  "s.tsv:1:7: error: the scene identifier '12a' is not a Java int literal [bad-scene-id]\n"},
        rule_case{"choice_target_keyword", "1\tB\t2\ta,b,c\n2\tC\t1,true,1\n",
                  "s.tsv:2:7: error: the scene identifier 'true' is not a Java int: a scene is a Java int, a number "
                  "or the name of an int constant [bad-scene-id]\n"},
        rule_case{"plain_quote", "1\tT\t1\tsay \"hi\"\n",
                  "s.tsv:1:11: error: the text: a double quote ends the Java string early: write \\\" for a double "
                  "quote [bad-string]\n"},
        rule_case{"unknown_escape", "1\tT\t1\tok\tpath\\q.png\n",
                  "s.tsv:1:14: error: the image name: this backslash does not start a Java escape: write \\\\ for a "
                  "backslash (the escapes are \\b \\t \\n \\f \\r \\s \\\" \\' \\\\ and octal ones) [bad-string]\n"},
        rule_case{"backslash_at_the_end", "1\tB\t1\tYes,No,Later\\\n",
                  "s.tsv:1:5: warning: the buttons lead to scene '1', a button scene (line 1), not a choice "
                  "dispatch: the buttons stay on screen and nothing reads them [buttons-without-choice]\n"
                  "s.tsv:1:19: error: the button labels: a \\ at the end of the text escapes the closing double "
                  "quote: write \\\\ for a backslash [bad-string]\n"},
        rule_case{"unicode_escape_quote", "1\tT\t1\tx\\u0022y\n",
                  "s.tsv:1:8: error: the text: \\u0022 is a double quote to javac and ends the string early: write "
                  "\\\" for a double quote [bad-string]\n"},
        rule_case{"malformed_unicode_escape", "1\tT\t1\t\\u12\n",
                  "s.tsv:1:7: error: the text: malformed Unicode escape: \\u takes four hex digits (write \\\\ for a "
                  "backslash) [bad-string]\n"},
        rule_case{"not_utf8", "1\tT\t1\tok\tpic\xff.png\n",
                  "s.tsv:1:13: error: this byte is not UTF-8, and javac -encoding UTF-8 rejects it: save the script "
                  "as UTF-8 [encoding]\n"},
        rule_case{"undefined_next_scene", "1\tT\t99\tHi\n",
                  "s.tsv:1:5: error: scene '99' is not defined by any line: the story freezes there, as every click "
                  "falls through every block [undefined-scene]\n"},
        rule_case{"numbers_compared_by_value", "1\tT\t010\tHi\n8\tT\t0x1\tx\n", ""},
        rule_case{"four_choices", "1\tB\t2\ta,b,c\n2\tC\t1,1,1,1\n",
                  "s.tsv:2:11: error: the choice list has 4 items, but there are three buttons: 'jb[ 3 ]' throws "
                  "ArrayIndexOutOfBoundsException on every click of this scene; keep three items "
                  "[too-many-choices]\n"},
        rule_case{"duplicate_after_return", "1\tT\t2\tHi\n2\tT\t1\tx\n2\tT\t1\ty\n",
                  "s.tsv:3:1: warning: scene '2' is defined again; line 2 runs first and returns, so this block "
                  "never runs [duplicate-scene]\n"},
        rule_case{"duplicate_after_dispatch", "1\tT\t2\tHi\n2\tB\t3\ta,b,c\n3\tC\t1,1,1\n1\tT\t2\tagain\n",
                  "s.tsv:4:1: warning: scene '1' is defined again; line 1 runs first and returns; this block runs "
                  "only when the choice dispatch at line 3 falls through to it [duplicate-scene]\n"},
        rule_case{"duplicate_after_a_dispatch_of_its_own", story + "3\tT\t1\tx\n",
                  "s.tsv:7:1: warning: scene '3' is defined again; line 3 runs first, a choice dispatch that does "
                  "not return: this block runs right after it on a click beside the buttons, and when a choice "
                  "leads back to this scene [duplicate-scene]\n"},
        rule_case{"unreachable", "1\tT\t1\tHi\n2\tT\t1\tx\n",
                  "s.tsv:2:1: warning: scene '2' cannot be reached from the start scene '1': no path of next scenes "
                  "and choices leads here [unreachable-scene]\n"},
        rule_case{"start_given", "1\tT\t1\tHi\n2\tT\t1\tx\n", "", "2"},
        rule_case{"start_undefined", "1\tT\t1\tHi\n",
                  "s.tsv: error: the start scene '9' is not defined by any line: the story shows nothing "
                  "[undefined-scene]\n",
                  "9"},
        rule_case{"buttons_to_a_text", "1\tT\t2\tHi\n2\tB\t1\tx,y,z\n",
                  "s.tsv:2:5: warning: the buttons lead to scene '1', a text scene (line 1), not a choice dispatch: "
                  "the buttons stay on screen and nothing reads them [buttons-without-choice]\n"},
        rule_case{"dispatch_after_a_text", "1\tT\t2\tHi\n2\tT\t3\tx\n3\tC\t1,2,1\n",
                  "s.tsv:3:1: warning: this choice dispatch is entered from the text scene at line 2, not from a "
                  "button scene: no button is shown, so the story stops here [choice-without-buttons]\n"},
        rule_case{"two_labels", "1\tB\t2\tYes,No\n2\tC\t1,1,1\n",
                  "s.tsv:1:7: warning: the button labels are 2 comma-separated items, not three: the player shows "
                  "one on each of its three buttons [button-count]\n"},
        rule_case{"two_choices", "1\tB\t2\ta,b,c\n2\tC\t1,1\n",
                  "s.tsv:2:5: warning: the choice list has 2 items, fewer than the three buttons: a button without "
                  "an item does nothing when pressed [button-count]\n"},
        rule_case{"text_after_cr", "1\tT\t1\tHi\rthere\n",
                  "s.tsv:1:9: warning: a CR ends this line's text: the 5 bytes after it are ignored "
                  "[ignored-text]\n"},
        rule_case{"crlf_is_fine", "1\tT\t1\tHi\r\n", ""},
        rule_case{"cr_only_line_ends", "1\tT\t2\tHi\r2\tT\t1\tx\r",
                  "s.tsv:1:5: error: scene '2' is not defined by any line: the story freezes there, as every click "
                  "falls through every block [undefined-scene]\n"
                  "s.tsv:1:9: warning: this line holds more CRs: the file seems to have old Mac line ends (CR "
                  "only), so it reads as one line, and only the text up to the first CR is used; 8 bytes after it "
                  "are ignored. Save it with LF or CR LF line ends [ignored-text]\n"},
        rule_case{"nul_in_line", std::string("1\tT\t1\tHi\0x\n", 11),
                  "s.tsv:1:9: warning: a NUL byte ends this line's text: the byte after it is ignored "
                  "[ignored-text]\n"},
        rule_case{"extra_field", "1\tT\t1\tHi\timg.png\tmore\n",
                  "s.tsv:1:18: warning: a text scene uses five fields: field 6 and any after it are ignored "
                  "[ignored-text]\n"},
        rule_case{"missing_image", "1\tT\t1\tHi\tnowhere.png\n",
                  "s.tsv:1:10: warning: the image 'nowhere.png' is not a file in " FIXTURE_DIR
                  ": the player will have no picture to show [missing-image]\n",
                  "", FIXTURE_DIR}),
    [](const testing::TestParamInfo<rule_case>& info) { return std::string(info.param.name); });

TEST(scenecheck, example_story_is_clean)
{
    std::ifstream in(EXAMPLE_STORY, std::ios::binary);
    const std::string script{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(script.empty());
    EXPECT_EQ(check(script), "");
}

TEST(scenecheck, ignored_rules_are_not_reported)
{
    check_options options;
    options.ignored[static_cast<std::size_t>(rule::undefined_scene)] = true;
    EXPECT_EQ(check("1\tT\t99\tHi\n", options), "");
}

// The example story `copies` times over, its scene numbers shifted by 1000
// for each copy, as bench/java_method_limit.sh makes it.
std::vector<std::string> split_at(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string joined(const std::vector<std::string>& parts, char separator)
{
    std::string text;
    for (const std::string& part : parts) {
        if (!text.empty() || &part != &parts.front()) {
            text += separator;
        }
        text += part;
    }
    return text;
}

std::string shifted(const std::string& id, int by)
{
    return std::to_string(std::stoi(id) + by);
}

std::string copies_of_the_example(int copies)
{
    std::ifstream in(EXAMPLE_STORY, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    std::string script;
    for (int c = 0; c < copies; ++c) {
        for (const std::string& line : lines) {
            std::vector<std::string> f = split_at(line, '\t');
            f[0] = shifted(f[0], 1000 * c);
            std::vector<std::string> next = split_at(f[2], ',');
            for (std::string& id : next) {
                id = shifted(id, 1000 * c);
            }
            f[2] = joined(next, ',');
            script += joined(f, '\t');
            script += '\n';
        }
    }
    return script;
}

TEST(scenecheck, method_limit_where_javac_puts_it)
{
    // Measured with javac 17 (bench/java_method_limit.sh): 59 copies of the
    // example story fit into the player's handler, 60 do not.
    check_options options;
    options.ignored[static_cast<std::size_t>(rule::duplicate_scene)] = true;
    options.ignored[static_cast<std::size_t>(rule::unreachable_scene)] = true;
    EXPECT_EQ(check(copies_of_the_example(59), options), "");
    const std::string sixty = check(copies_of_the_example(60), options);
    EXPECT_NE(sixty.find("[method-too-large]"), std::string::npos) << sixty;
    EXPECT_EQ(std::count(sixty.begin(), sixty.end(), '\n'), 1);
}

struct id_case {
    const char* field;
    const char* key; // nullptr: not a scene identifier
};

TEST(read_scene_id, java_int_literals_and_names)
{
    const id_case cases[] = {
        {"12", "#12"},
        {" 12 ", "#12"},
        {"+12", "#12"},
        {"- 12", "#-12"},
        {"0", "#0"},
        {"-0", "#0"},
        {"010", "#8"},
        {"0_7", "#7"},
        {"0__7", "#7"},
        {"00", "#0"},
        {"1_000", "#1000"},
        {"1__0", "#10"},
        {"0x1F", "#31"},
        {"0X1_f", "#31"},
        {"0b101", "#5"},
        {"0xFFFFFFFF", "#-1"},
        {"0x80000000", "#-2147483648"},
        {"-0x80000000", "#-2147483648"},
        {"037777777777", "#-1"},
        {"0b11111111111111111111111111111111", "#-1"},
        {"2147483647", "#2147483647"},
        {"-2147483648", "#-2147483648"},
        {"- 2147483648", "#-2147483648"},
        {"START", "START"},
        {"Scenes.START", "Scenes.START"},
        {"-$x_1", "-$x_1"},
        {"", nullptr},
        {" ", nullptr},
        {"-", nullptr},
        {"08", nullptr},
        {"0_8", nullptr},
        {"09", nullptr},
        {"2147483648", nullptr},
        {"+2147483648", nullptr},
        {"-2147483649", nullptr},
        {"0x100000000", nullptr},
        {"040000000000", nullptr},
        {"0b100000000000000000000000000000000", nullptr},
        {"0x", nullptr},
        {"0x_1", nullptr},
        {"0x1_", nullptr},
        {"1_", nullptr},
        {"0_", nullptr},
        {"0b2", nullptr},
        {"12a", nullptr},
        {"12L", nullptr},
        {"1.5", nullptr},
        {"1e5", nullptr},
        {"1 2", nullptr},
        {"--1", nullptr},
        {"+-1", nullptr},
        {"(5)", nullptr},
        {"2+3", nullptr},
        {"5;", nullptr},
        {"5/**/", nullptr},
        {"true", nullptr},
        {"null", nullptr},
        {"int", nullptr},
        {"_", nullptr},
        {"Scenes.", nullptr},
        {"Scenes..START", nullptr},
        {"Scenes.class", nullptr},
        {"caf\xC3\xA9", nullptr},
    };
    for (const id_case& c : cases) {
        field_fault fault;
        const std::optional<scene_id> id = read_scene_id(c.field, fault);
        if (c.key == nullptr) {
            EXPECT_FALSE(id.has_value()) << "'" << c.field << "' read as " << key_text(*id);
            EXPECT_FALSE(fault.message.empty()) << c.field;
        } else {
            ASSERT_TRUE(id.has_value()) << "'" << c.field << "': " << fault.message;
            EXPECT_EQ(key_text(*id), c.key) << c.field;
        }
    }
}

struct string_case {
    const char* field;
    long fault_at; // -1: fine
};

TEST(check_string_literal, escapes_as_javac_reads_them)
{
    const string_case cases[] = {
        {"plain text, 100% sure", -1},
        {R"(say \"hi\")", -1},
        {R"(\b\t\n\f\r\s\'\\)", -1},
        {R"(\0\7\07\377\400)", -1},
        {"\\u0041\\uuu0041", -1},
        {"\\u005cn", -1},
        {"\\u005c\\u005c", -1},
        {"\\u005c\\u0022", -1},
        {"\\\\u0022", -1},
        {"\\\\", -1},
        {"say \"hi\"", 4},
        {"\\q", 0},
        {"ab\\", 2},
        {R"(\\\)", 2},
        {"\\u0022", 0},
        {R"(\\\u0022)", 2},
        {"x\\u000a", 1},
        {"x\\u000D", 1},
        {"\\u12", 0},
        {"\\u12G4", 0},
        {"\\u005c", 0},
        {"\\u005cq", 0},
        {"\\u005cu0041", 0},
        {"\\8", 0},
    };
    for (const string_case& c : cases) {
        const std::optional<field_fault> fault = check_string_literal(c.field);
        if (c.fault_at < 0) {
            EXPECT_FALSE(fault.has_value()) << "'" << c.field << "': " << fault->message;
        } else {
            ASSERT_TRUE(fault.has_value()) << c.field;
            EXPECT_EQ(fault->at, static_cast<std::size_t>(c.fault_at)) << c.field;
        }
    }
}

TEST(first_invalid_utf8, well_formed_only)
{
    const std::pair<std::string, long> cases[] = {
        {"plain", -1},
        {"\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80", -1},
        {"\xEF\xBB\xBF", -1},
        {"a\xFF", 1},
        {"a\xC3", 1},
        {"\xC0\xAF", 0},
        {"\xE0\x80\xAF", 0},
        {"\xED\xA0\x80", 0},
        {"\xF4\x90\x80\x80", 0},
        {"\xF0\x9F\x98", 0},
        {"\x80", 0},
    };
    for (const auto& [text, at] : cases) {
        const std::optional<std::size_t> bad = first_invalid_utf8(text);
        if (at < 0) {
            EXPECT_FALSE(bad.has_value()) << text;
        } else {
            ASSERT_TRUE(bad.has_value()) << text;
            EXPECT_EQ(*bad, static_cast<std::size_t>(at)) << text;
        }
    }
}

} // namespace
