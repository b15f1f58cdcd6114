// Runs the built program on fixture scripts and compares its output with the
// expected files byte for byte.

#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string fixtures = FIXTURE_DIR;

struct fixture_case {
    const char* script;   // in tests/fixtures, .tsv
    const char* expected; // in tests/fixtures, .java
    std::vector<std::string> args;
};

void PrintTo(const fixture_case& c, std::ostream* os)
{
    *os << c.script;
}

class fixture_test : public testing::TestWithParam<fixture_case> { };

TEST_P(fixture_test, output_matches_byte_for_byte)
{
    const fixture_case& c = GetParam();
    const process_result r = run_scene2java(fixtures + "/" + c.script + ".tsv", c.args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, read_file(fixtures + "/" + c.expected + ".java"));
}

// The variants of the kinds script all give the same Java.
INSTANTIATE_TEST_SUITE_P(scripts, fixture_test,
                         testing::Values(fixture_case{"kinds", "kinds", {}}, fixture_case{"kinds_crlf", "kinds", {}},
                                         fixture_case{"kinds_bom", "kinds", {}},
                                         fixture_case{"kinds_no_final_newline", "kinds", {}},
                                         fixture_case{"kinds", "kinds", {"-h", "--version", "file.tsv", "%s"}},
                                         fixture_case{"cut_short", "cut_short", {}}, fixture_case{"nul", "nul", {}},
                                         fixture_case{"odd_bytes", "odd_bytes", {}},
                                         fixture_case{"empty", "empty", {}}),
                         [](const testing::TestParamInfo<fixture_case>& info) {
                             return std::string(info.param.script) + (info.param.args.empty() ? "" : "_with_arguments");
                         });

std::string text_block(const std::string& id, const std::string& text)
{
    return "if( m_scene == " + id + " ){\n\tm_scene = 2;\n\tsetText( jl0, \"" + text +
           "\" );\n\trepaint();\n\treturn;\n}\n";
}

std::string translate_generated(const std::string& script)
{
    const std::string path = temporary_path("script.tsv");
    write_file(path, script);
    const process_result r = run_scene2java(path);
    unlink(path.c_str());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    return r.out;
}

TEST(long_lines, each_gives_one_block)
{
    // Around the old 4095-byte read limit, and well past it.
    for (const std::size_t size : {4094U, 4095U, 4096U, 5000U, 70000U}) {
        const std::string text(size - 7, 'w'); // "1\tT\t2\t" is 6 bytes, the line feed 1
        ASSERT_EQ(("1\tT\t2\t" + text + "\n").size(), size);
        EXPECT_EQ(translate_generated("1\tT\t2\t" + text + "\n1\tT\t2\tnext\n"),
                  text_block("1", text) + text_block("1", "next"))
            << "line of " << size << " bytes";
    }
}

TEST(long_lines, multi_megabyte_line_between_short_ones)
{
    std::string text;
    for (int i = 0; text.size() < (6U << 20); ++i) {
        text += "word" + std::to_string(i) + (i % 17 == 0 ? "," : " ");
    }
    const std::string script = "1\tT\t2\tbefore\n1\tT\t2\t" + text + "\r\n1\tT\t2\tafter";
    EXPECT_EQ(translate_generated(script),
              text_block("1", "before") + text_block("1", text) + text_block("1", "after"));
}

TEST(failures, full_disk_is_reported)
{
    const process_result r = run_scene2java(fixtures + "/kinds.tsv", {}, "/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "scene2java: write error: No space left on device\n");
}

TEST(failures, directory_as_input_is_reported)
{
    const process_result r = run_scene2java(fixtures);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "scene2java: read error: Is a directory\n");
}

// Runs scene2java on the fixture `kinds.tsv` with standard input and
// output as given (-1: closed) and standard error captured.
process_result run_with(int in, int out, unsigned long address_space = 0)
{
    const std::string err_path = temporary_path("stderr");
    const int err = open_checked(err_path, O_WRONLY | O_CREAT | O_TRUNC);
    process_result r;
    static_cast<exit_state&>(r) = wait_program(start_program({SCENE2JAVA_BINARY}, {in, out, err}, address_space));
    close(err);
    r.err = read_file(err_path);
    unlink(err_path.c_str());
    return r;
}

TEST(failures, closed_output_is_reported)
{
    // Standard output closed outright, as `scene2java >&-` does.
    const int in = open_checked(fixtures + "/kinds.tsv", O_RDONLY);
    const process_result r = run_with(in, -1);
    close(in);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "scene2java: write error: Bad file descriptor\n");
}

TEST(failures, closed_input_is_reported_not_taken_for_an_empty_script)
{
    // `scene2java <&-`: a failure to read, which must not pass for the end
    // of an empty script.
    const std::string out_path = temporary_path("stdout");
    const int out = open_checked(out_path, O_WRONLY | O_CREAT | O_TRUNC);
    const process_result r = run_with(-1, out);
    close(out);
    unlink(out_path.c_str());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "scene2java: read error: Bad file descriptor\n");
}

TEST(failures, line_too_long_for_memory_is_reported_after_the_lines_before_it)
{
#if defined(SCENE2JAVA_SANITIZED)
    GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
#else
    // With its address space limited to 64 MiB, the program cannot hold a
    // 96 MB line: it must say so, after writing the block of the line before.
    const std::string path = temporary_path("huge.tsv");
    write_file(path, "1\tT\t2\tbefore\n1\tT\t2\t" + std::string(96U << 20, 'h') + "\n");
    const std::string out_path = temporary_path("stdout");
    const int in = open_checked(path, O_RDONLY);
    const int out = open_checked(out_path, O_WRONLY | O_CREAT | O_TRUNC);
    const process_result r = run_with(in, out, 64UL << 20);
    close(in);
    close(out);
    unlink(path.c_str());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "scene2java: line too long: Cannot allocate memory\n");
    EXPECT_EQ(read_file(out_path), text_block("1", "before"));
    unlink(out_path.c_str());
#endif
}

// Reads what the child has written within `seconds`, waiting for at least `wanted` bytes.
std::string read_available(int fd, std::size_t wanted, int seconds)
{
    std::string got;
    char chunk[4096];
    while (got.size() < wanted) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, seconds * 1000) <= 0) {
            break;
        }
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) {
            break;
        }
        got.append(chunk, static_cast<std::size_t>(n));
    }
    return got;
}

// The program running with pipes on both ends: `input` writes to its
// standard input, `output` reads its standard output. With `non_blocking`,
// the program's own ends of the pipes are non-blocking.
struct piped_child {
    pid_t pid;
    int input;
    int output;
};

piped_child start_piped(bool non_blocking)
{
    int to_child[2];
    int from_child[2];
    if (pipe2(to_child, O_CLOEXEC) != 0 || pipe2(from_child, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {-1, -1, -1};
    }
    if (non_blocking) {
        for (const int fd : {to_child[0], from_child[1]}) {
            EXPECT_EQ(fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK), 0);
        }
    }
    const pid_t child = start_program({SCENE2JAVA_BINARY}, {to_child[0], from_child[1], STDERR_FILENO});
    close(to_child[0]);
    close(from_child[1]);
    return {child, to_child[1], from_child[0]};
}

TEST(streaming, block_arrives_while_the_pipe_stays_open)
{
    const piped_child child = start_piped(false);
    ASSERT_GE(child.pid, 0);

    const std::string first = text_block("1", "Hi");
    ASSERT_EQ(write(child.input, "1\tT\t2\tHi\n", 9), 9);
    // Generous bound: only a program that waits for more input misses it.
    EXPECT_EQ(read_available(child.output, first.size(), 20), first);

    // A line split across two writes comes out once it is complete.
    ASSERT_EQ(write(child.input, "7\tT\t2\t", 6), 6);
    ASSERT_EQ(write(child.input, "Yo\n", 3), 3);
    const std::string second = text_block("7", "Yo");
    EXPECT_EQ(read_available(child.output, second.size(), 20), second);

    close(child.input);
    EXPECT_EQ(read_available(child.output, 1, 20), "");
    const exit_state end = wait_program(child.pid);
    close(child.output);
    EXPECT_EQ(end.status, 0);
}

TEST(streaming, non_blocking_pipes_are_waited_on)
{
    // Some parents hand a filter non-blocking pipes. Reads and writes that
    // would block must wait, not fail: feed the input slowly, and read the
    // output only once the child has long filled the pipe.
    std::string script;
    for (int i = 0; i < 20000; ++i) {
        script += "1\tT\t2\tHi\n";
    }
    // Should the child die early, feeding it must fail, not kill the test.
    const auto old_handler = signal(SIGPIPE, SIG_IGN);
    const piped_child child = start_piped(true);
    ASSERT_GE(child.pid, 0);
    // The input goes in from another thread: the first half in small
    // pieces with pauses, so that the child finds its input empty, the rest
    // at once. The output is read only after a while, so that the child
    // has long found its output pipe full.
    std::thread feeder([&] {
        const std::size_t half = script.size() / 2;
        std::size_t at = 0;
        while (at < script.size()) {
            const std::size_t n = std::min<std::size_t>(at < half ? 4096 : script.size() - at, script.size() - at);
            const ssize_t put = write(child.input, script.data() + at, n);
            if (put <= 0) {
                break;
            }
            at += static_cast<std::size_t>(put);
            if (at < half) {
                usleep(1000);
            }
        }
        close(child.input);
    });
    usleep(300 * 1000);
    std::string out;
    char chunk[65536];
    for (ssize_t n; (n = read(child.output, chunk, sizeof chunk)) != 0;) {
        if (n < 0) {
            ASSERT_EQ(errno, EINTR);
            continue;
        }
        out.append(chunk, static_cast<std::size_t>(n));
    }
    close(child.output);
    feeder.join();
    signal(SIGPIPE, old_handler);
    EXPECT_EQ(wait_program(child.pid).status, 0);
    std::string expected;
    for (int i = 0; i < 20000; ++i) {
        expected += text_block("1", "Hi");
    }
    EXPECT_EQ(out.size(), expected.size());
    EXPECT_TRUE(out == expected);
}

TEST(streaming, reader_going_away_ends_the_program)
{
    // With the pipe's reader gone, the program must end instead of working
    // on: by SIGPIPE, as filters do.
    int from_child[2];
    ASSERT_EQ(pipe2(from_child, O_CLOEXEC), 0);
    close(from_child[0]);
    const int in = open_checked(fixtures + "/kinds.tsv", O_RDONLY);
    const pid_t child = start_program({SCENE2JAVA_BINARY}, {in, from_child[1], STDERR_FILENO});
    close(in);
    close(from_child[1]);
    EXPECT_EQ(wait_program(child).signal, SIGPIPE);
}

} // namespace
