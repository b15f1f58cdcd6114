// scenecheck's verdict on whether a script's Java compiles, against javac's
// own: many generated scripts with awkward scene identifiers and texts are
// translated, pasted into a host class like the player's, and compiled one
// by one in a single JVM (tests/java/CompileEach.java).

#include "driver.h"
#include "line_reader.h"
#include "script_check.h"

#include "memory_input.h"
#include "memory_sink.h"
#include "process.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Scene identifiers: Java ints written well and badly, the names the host
// declares, and words that are no ints. Forms that javac takes but that
// scenecheck rejects on purpose (12L, 1.5, (5), +-1) are left out: they
// are checked in the unit tests.
const std::vector<std::string> id_cores = {"1",
                                           "0",
                                           "00",
                                           "010",
                                           "0_7",
                                           "1_000",
                                           "0x1F",
                                           "0X7fff_ffff",
                                           "0b101",
                                           "0xFFFFFFFF",
                                           "0x80000000",
                                           "037777777777",
                                           "017777777777",
                                           "2147483647",
                                           "2147483648",
                                           "START",
                                           "Scenes.START",
                                           "Scenes.END",
                                           "08",
                                           "09",
                                           "0_8",
                                           "2147483649",
                                           "0x",
                                           "0x_1",
                                           "0x1_",
                                           "1_",
                                           "0_",
                                           "0b",
                                           "0b2",
                                           "12a",
                                           "1 2",
                                           "",
                                           "0x100000000",
                                           "040000000000",
                                           "true",
                                           "null",
                                           "int",
                                           "--1",
                                           "++1",
                                           "_",
                                           "Scenes.",
                                           "0b111111111111111111111111111111111",
                                           "0b11111111111111111111111111111111"};

// Pieces of texts: escapes of every kind, Unicode escapes read before them,
// quotes, and bytes that are and are not UTF-8.
const std::vector<std::string> text_pieces = {"ab",
                                              " ",
                                              "\xC3\xA4",
                                              "\xE2\x82\xAC",
                                              "\xF0\x9F\x98\x80",
                                              "\"",
                                              "\\\"",
                                              "\\\\",
                                              "\\",
                                              "\\n",
                                              "\\t",
                                              "\\b",
                                              "\\f",
                                              "\\r",
                                              "\\s",
                                              "\\'",
                                              "\\0",
                                              "\\7",
                                              "\\377",
                                              "\\400",
                                              "\\8",
                                              "\\q",
                                              "\\x",
                                              "\\u0041",
                                              "\\uu0041",
                                              "\\u005c",
                                              "\\u005cn",
                                              "\\u0022",
                                              "\\u000a",
                                              "\\u000D",
                                              "\\u00",
                                              "\\u12G4",
                                              "\\\\u0022",
                                              "\\u005c\\u0022",
                                              "\\u005c\\u005c",
                                              "\xFF",
                                              "\xC3",
                                              "\xED\xA0\x80",
                                              "\xC0\xAF",
                                              "\xF4\x90\x80\x80",
                                              "%s",
                                              "{",
                                              "}",
                                              "/*",
                                              "//",
                                              "u0041",
                                              "'"};

class script_generator {
public:
    explicit script_generator(unsigned seed) : random_(seed) { }

    std::string script()
    {
        std::string s;
        const int lines = pick(1, 3);
        for (int i = 0; i < lines; ++i) {
            s += line() + "\n";
        }
        return s;
    }

private:
    std::string line()
    {
        switch (pick(0, 17)) {
        case 0:
            return id() + "\tT\t" + id(); // cut short
        case 1:
            return pick(0, 1) == 0 ? "" : id() + "\tt\t" + id() + "\tx";
        case 2:
        case 3:
            return id() + "\tB\t" + id() + "\t" + text();
        case 4:
        case 5: {
            std::string list = id();
            const int items = pick(0, 3);
            for (int i = 0; i < items; ++i) {
                list += ',';
                list += id();
            }
            return id() + "\tC\t" + list;
        }
        default: {
            std::string s = id() + "\tT\t" + id() + "\t" + text();
            if (pick(0, 2) == 0) {
                s += '\t';
                s += text();
            }
            return s;
        }
        }
    }

    std::string id()
    {
        // Mostly well-formed, so that a script's other faults get their turn.
        if (pick(0, 3) != 0) {
            return std::to_string(pick(-40, 40));
        }
        std::string s(static_cast<std::size_t>(pick(0, 1)), ' ');
        if (pick(0, 2) == 0) {
            s += pick(0, 1) == 0 ? '-' : '+';
            s.append(static_cast<std::size_t>(pick(0, 1)), ' ');
        }
        s += id_cores[static_cast<std::size_t>(pick(0, static_cast<int>(id_cores.size()) - 1))];
        s.append(static_cast<std::size_t>(pick(0, 1)), ' ');
        return s;
    }

    std::string text()
    {
        std::string s;
        const int pieces = pick(0, 3);
        for (int i = 0; i < pieces; ++i) {
            s += pick(0, 3) != 0
                     ? "ab"
                     : text_pieces[static_cast<std::size_t>(pick(0, static_cast<int>(text_pieces.size()) - 1))];
        }
        return s;
    }

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    std::mt19937 random_;
};

std::string translate(const std::string& script)
{
    memory_input in{script};
    memory_sink sink(1 << 16);
    EXPECT_EQ(translate_stream(memory_input::read, &in, sink.out), stream_result::done);
    return sink.text;
}

// The compile-class diagnostics scenecheck gives, one per line.
std::string compile_errors(const std::string& script)
{
    const check_options options;
    script_checker checker(options);
    memory_input in{script};
    EXPECT_EQ(checker.read(memory_input::read, &in), read_result::done);
    std::string out;
    checker.finish(
        [](void* context, const diagnostic& d) {
            if (d.what == rule::open_block || d.what == rule::bad_scene_id || d.what == rule::bad_string ||
                d.what == rule::encoding) {
                *static_cast<std::string*>(context) += format_diagnostic("script", d);
            }
        },
        &out);
    return out;
}

const std::string host_before = R"(class Host {
    static final int START = 1;
    static final class Scenes { static final int START = 2; static final int END = 3; }
    static final class Label { }
    static final class Button { void setVisible(boolean visible) { } }
    static final class Event { Object getSource() { return this; } }
    int m_scene;
    final Label jl0 = new Label();
    final Button[] jb = {new Button(), new Button(), new Button()};
    void setText(Label label, String text) { }
    void setText(Button[] buttons, String text) { }
    void setImage(String name) { }
    void repaint() { }
    void handle(Event e) {
)";
const std::string host_after = "    }\n}\n";

// The script's bytes with the unprintable ones escaped, for a failure.
std::string shown(const std::string& bytes)
{
    std::ostringstream out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\t') {
            out << "\\t";
        } else if (c == '\n') {
            out << "\\n";
        } else if (b < 0x20 || b >= 0x7F) {
            out << "\\x" << std::hex << static_cast<int>(b) << std::dec;
        } else {
            out << c;
        }
    }
    return out.str();
}

TEST(javac_agreement, compile_errors_reported_exactly_when_javac_fails)
{
    const std::filesystem::path folder = temporary_path("javac-agreement");
    std::filesystem::create_directories(folder);
    constexpr int scripts = 1000;
    std::vector<std::string> generated;
    for (int i = 0; i < scripts; ++i) {
        script_generator generate(20261211U + static_cast<unsigned>(i));
        generated.push_back(generate.script());
        char name[32];
        std::snprintf(name, sizeof name, "Host%04d.java", i);
        std::string source = host_before;
        source += translate(generated.back());
        source += host_after;
        write_file((folder / name).string(), source);
    }

    const std::string out_path = temporary_path("javac.out");
    const int out = open_checked(out_path, O_WRONLY | O_CREAT | O_TRUNC);
    const exit_state end =
        wait_program(start_program({JAVA_EXECUTABLE, COMPILE_EACH, folder.string()}, {-1, out, STDERR_FILENO}));
    close(out);
    ASSERT_EQ(end.status, 0) << "the compiler harness failed";
    std::map<int, std::string> verdicts;
    std::istringstream lines(read_file(out_path));
    for (std::string line; std::getline(lines, line);) {
        verdicts[std::stoi(line.substr(4, 4))] = line.substr(line.find('\t') + 1);
    }
    ASSERT_EQ(verdicts.size(), static_cast<std::size_t>(scripts));

    int failing = 0;
    for (int i = 0; i < scripts; ++i) {
        const bool javac_fails = verdicts[i].rfind("fail", 0) == 0;
        failing += javac_fails ? 1 : 0;
        const std::string reported = compile_errors(generated[static_cast<std::size_t>(i)]);
        EXPECT_EQ(javac_fails, !reported.empty())
            << "script " << i << ": " << shown(generated[static_cast<std::size_t>(i)]) << "\njavac: " << verdicts[i]
            << "\nscenecheck: " << (reported.empty() ? "nothing\n" : reported);
    }
    // Both verdicts must be well represented, or the agreement proves little.
    EXPECT_GT(failing, scripts / 5);
    EXPECT_LT(failing, scripts * 4 / 5);
    std::filesystem::remove_all(folder);
    std::filesystem::remove(out_path);
}

} // namespace
