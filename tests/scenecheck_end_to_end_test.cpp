// Runs the built scenecheck: options, files and standard input, exit
// statuses, and the story map as Graphviz reads it.

#include "process.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string fixtures = FIXTURE_DIR;
const std::string story = EXAMPLE_STORY;

// Runs scenecheck with `args`, standard input from `input` (a path, or
// /dev/null), and both outputs captured.
process_result scenecheck(const std::vector<std::string>& args, const std::string& input = "/dev/null")
{
    std::vector<std::string> argv{SCENECHECK_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_captured(argv, input);
}

std::string script_file(const std::string& name, const std::string& text)
{
    std::string path = temporary_path(name);
    write_file(path, text);
    return path;
}

TEST(scenecheck_program, example_story_is_clean)
{
    const process_result r = scenecheck({story});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

TEST(scenecheck_program, exit_status_follows_errors_and_warnings)
{
    const std::string error = script_file("error.tsv", "1\tT\t2\tHi\n");
    const std::string warning = script_file("warning.tsv", "1\tT\t1\tHi\n2\tT\t1\tx\n");
    struct run_case {
        std::vector<std::string> args;
        int status;
    };
    const run_case cases[] = {
        {{error}, 1},
        {{warning}, 0},
        {{"--werror", warning}, 1},
        {{"--ignore=unreachable-scene", "--werror", warning}, 0},
        {{"--ignore=undefined-scene", error}, 0},
        {{"--map", error}, 0},
        {{story, error}, 1},
    };
    for (const run_case& c : cases) {
        const process_result r = scenecheck(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.front() << "\n" << r.out << r.err;
    }
    // --werror changes the status only: a warning keeps its label.
    const process_result r = scenecheck({"--werror", warning});
    EXPECT_NE(r.out.find(": warning: "), std::string::npos) << r.out;
    unlink(error.c_str());
    unlink(warning.c_str());
}

TEST(scenecheck_program, files_and_standard_input_are_named_in_order)
{
    const std::string a = script_file("a.tsv", "1\tT\t2\tHi\n");
    const process_result r = scenecheck({a, "-", "--ignore=unreachable-scene"}, a);
    EXPECT_EQ(r.status, 1);
    const std::string message = "1:5: error: scene '2' is not defined by any line: the story freezes there, as every "
                                "click falls through every block [undefined-scene]\n";
    EXPECT_EQ(r.out, a + ":" + message + "<stdin>:" + message);
    const process_result piped = scenecheck({}, a);
    EXPECT_EQ(piped.out, "<stdin>:" + message);
    unlink(a.c_str());
}

TEST(scenecheck_program, usage_and_read_errors_exit_with_2)
{
    const std::string bad = script_file("bad.tsv", "1\tT\t2\tHi\n");
    struct usage_case {
        std::vector<std::string> args;
        std::string err;
    };
    const usage_case cases[] = {
        {{"--frobnicate"},
         "scenecheck: unknown option or missing value: '--frobnicate'\n"
         "Try 'scenecheck --help' for more information.\n"},
        {{"--ignore=no-such-rule"},
         "scenecheck: --ignore: no rule named 'no-such-rule'\n"
         "Try 'scenecheck --help' for more information.\n"},
        {{"--start=1.5"},
         "scenecheck: --start: the scene identifier '1.5' is not a Java int: a scene is a Java "
         "int, a number or the name of an int constant\n"
         "Try 'scenecheck --help' for more information.\n"},
        {{"--start"},
         "scenecheck: unknown option or missing value: '--start'\n"
         "Try 'scenecheck --help' for more information.\n"},
    };
    for (const usage_case& c : cases) {
        const process_result r = scenecheck(c.args);
        EXPECT_EQ(r.status, 2) << c.args.front();
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
    // A file that cannot be read is reported; the others are still checked.
    const process_result r = scenecheck({fixtures + "/no-such-file.tsv", fixtures, bad});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "scenecheck: " + fixtures + "/no-such-file.tsv: No such file or directory\nscenecheck: " +
                         fixtures + ": read error: Is a directory\n");
    EXPECT_NE(r.out.find(bad + ":1:5: error: "), std::string::npos) << r.out;
    unlink(bad.c_str());
}

TEST(scenecheck_program, help_and_version)
{
    const process_result help = scenecheck({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: scenecheck [OPTION]... [FILE]...\n", 0), 0U);
    const process_result version = scenecheck({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("scenecheck ", 0), 0U);
}

TEST(scenecheck_program, write_error_is_reported)
{
    const std::string err_path = temporary_path("stderr");
    const int in = open_checked("/dev/null", O_RDONLY);
    const int full = open_checked("/dev/full", O_WRONLY);
    const int err = open_checked(err_path, O_WRONLY | O_CREAT | O_TRUNC);
    const exit_state end = wait_program(start_program({SCENECHECK_BINARY, "--help"}, {in, full, err}));
    for (const int fd : {in, full, err}) {
        close(fd);
    }
    EXPECT_EQ(end.status, 2);
    unlink(err_path.c_str());
}

TEST(scenecheck_program, map_is_a_graph_that_dot_reads)
{
    const process_result r = scenecheck({"--map", story});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("digraph \"" + story + "\" {\n", 0), 0U);
    // Labelled choices: the button scene's labels on its dispatch's edges.
    EXPECT_NE(r.out.find("n5 -> n6 [label=\"Up the stair\"];"), std::string::npos) << r.out;
    const std::string broken_path = script_file("broken.tsv", "1\tT\t9\tHi\n2\tT\t1\tx\n");
    const process_result broken = scenecheck({"--map", "-"}, broken_path);
    unlink(broken_path.c_str());
    EXPECT_NE(broken.out.find("u1 [label=\"9\\n(not defined)\""), std::string::npos) << broken.out;
    EXPECT_NE(broken.out.find("fillcolor=\"grey90\""), std::string::npos) << broken.out;
#if defined(DOT_EXECUTABLE)
    for (const std::string& graph : {r.out, broken.out}) {
        const std::string graph_path = script_file("map.dot", graph);
        const std::string svg_path = temporary_path("map.svg");
        const int in = open_checked(graph_path, O_RDONLY);
        const int out = open_checked(svg_path, O_WRONLY | O_CREAT | O_TRUNC);
        const exit_state end = wait_program(start_program({DOT_EXECUTABLE, "-Tsvg"}, {in, out, STDERR_FILENO}));
        close(in);
        close(out);
        EXPECT_EQ(end.status, 0);
        EXPECT_NE(read_file(svg_path).find("<svg"), std::string::npos);
        unlink(graph_path.c_str());
        unlink(svg_path.c_str());
    }
#else
    GTEST_SKIP() << "no Graphviz dot: the map was not drawn";
#endif
}

} // namespace
