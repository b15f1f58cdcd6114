// scenecheck: reads scene scripts as scene2java does and tells their author
// what will not compile and what will break when the story is played, or
// draws the story as a graph.

#include "descriptor_io.h"
#include "java_syntax.h"
#include "line_reader.h"
#include "output_buffer.h"
#include "script_check.h"
#include "story_map.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view usage_text =
    "Usage: scenecheck [OPTION]... [FILE]...\n"
    "Check scene scripts as scene2java reads them: what will not compile, and\n"
    "what breaks when the story is played. With no FILE, or when FILE is -,\n"
    "read standard input.\n"
    "\n"
    "  --start=ID          the scene the story starts at (default: the first line's)\n"
    "  --images=DIR        also check that every image name is a file in DIR\n"
    "  --ignore=RULE[,RULE]...  do not report these rules\n"
    "  --werror            fail on warnings too\n"
    "  --map               print the story as a Graphviz DOT graph instead\n"
    "  --help              show this help and exit\n"
    "  --version           show the version and exit\n"
    "\n"
    "Rules: open-block, bad-scene-id, bad-string, encoding, undefined-scene,\n"
    "too-many-choices (errors); duplicate-scene, unreachable-scene,\n"
    "buttons-without-choice, choice-without-buttons, button-count,\n"
    "ignored-text, missing-image, method-too-large (warnings).\n"
    "\n"
    "Exit status: 0 no errors, 1 errors (or warnings with --werror),\n"
    "2 a bad option or a file that could not be read.\n";

struct settings {
    check_options check;
    bool werror = false;
    bool map = false;
    std::vector<std::string> files;
};

int usage_error(const std::string& message)
{
    std::fprintf(stderr, "scenecheck: %s\nTry 'scenecheck --help' for more information.\n", message.c_str());
    return 2;
}

// Takes a list of rules not to report; an exit status when one is unknown.
std::optional<int> take_ignored(std::string_view list, settings& s)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        const std::string_view name = list.substr(start, comma == std::string_view::npos ? comma : comma - start);
        const std::optional<rule> r = rule_by_name(name);
        if (!r) {
            return usage_error("--ignore: no rule named '" + std::string(name) + "'");
        }
        s.check.ignored[static_cast<std::size_t>(*r)] = true;
        if (comma == std::string_view::npos) {
            return std::nullopt;
        }
        start = comma + 1;
    }
}

// Takes one option; an exit status when the run ends here.
std::optional<int> take_option(std::string_view arg, settings& s, output_buffer& out)
{
    const std::size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    const bool has_value = equals != std::string_view::npos;
    const std::string_view value = has_value ? arg.substr(equals + 1) : std::string_view();
    if (arg == "--help" || arg == "--version") {
        const std::string text = arg == "--help" ? std::string(usage_text) : "scenecheck " SCENE2JAVA_VERSION "\n";
        out.put(text.data(), text.size());
        return out.flush() ? 0 : 2;
    }
    if (arg == "--werror" || arg == "--map") {
        (arg == "--werror" ? s.werror : s.map) = true;
        return std::nullopt;
    }
    if (name == "--start" && has_value) {
        field_fault fault;
        if (!read_scene_id(value, fault)) {
            return usage_error("--start: " + fault.message);
        }
        s.check.start = value;
        return std::nullopt;
    }
    if (name == "--images" && has_value && !value.empty()) {
        s.check.images = value;
        return std::nullopt;
    }
    if (name == "--ignore" && has_value) {
        return take_ignored(value, s);
    }
    return usage_error("unknown option or missing value: '" + std::string(arg) + "'");
}

// Reads the command line; an exit status when the run ends here.
std::optional<int> parse(int argc, char** argv, settings& s, output_buffer& out)
{
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options_done || arg == "-" || !arg.starts_with("-")) {
            s.files.emplace_back(arg);
        } else if (arg == "--") {
            options_done = true;
        } else if (const std::optional<int> status = take_option(arg, s, out)) {
            return status;
        }
    }
    if (s.files.empty()) {
        s.files.emplace_back("-");
    }
    return std::nullopt;
}

void put(output_buffer& out, std::string_view text)
{
    out.put(text.data(), text.size());
}

enum class outcome { clean, failed, unreadable };

// Checks one file and writes its diagnostics or its map.
outcome check_file(const std::string& file, const settings& s, output_buffer& out)
{
    const bool standard_input = file == "-";
    const std::string name = standard_input ? "<stdin>" : file;
    descriptor source{standard_input ? STDIN_FILENO : open(file.c_str(), O_RDONLY | O_CLOEXEC)};
    if (source.fd < 0) {
        std::fprintf(stderr, "scenecheck: %s: %s\n", file.c_str(), std::strerror(errno));
        return outcome::unreadable;
    }
    check_options options = s.check;
    options.keep_texts = s.map;
    script_checker checker(options);
    struct stat info { };
    if (fstat(source.fd, &info) == 0 && S_ISREG(info.st_mode)) {
        checker.expect_bytes(static_cast<std::uint64_t>(info.st_size));
    }
    const read_result read = checker.read(read_descriptor, &source);
    if (!standard_input) {
        close(source.fd);
    }
    if (read != read_result::done) {
        std::fprintf(stderr, "scenecheck: %s: %s\n", name.c_str(),
                     read == read_result::out_of_memory
                         ? "line too long: Cannot allocate memory"
                         : (std::string("read error: ") + std::strerror(source.error)).c_str());
        return outcome::unreadable;
    }
    if (s.map) {
        checker.finish([](void*, const diagnostic&) {}, nullptr);
        std::string graph;
        write_story_map(checker.result(), name, graph);
        put(out, graph);
        return outcome::clean;
    }
    struct printing {
        const std::string& name;
        const settings& s;
        output_buffer& out;
        bool failed = false;
    } printer{name, s, out};
    checker.finish(
        [](void* context, const diagnostic& d) {
            auto* p = static_cast<printing*>(context);
            p->failed = p->failed || is_error(d.what) || p->s.werror;
            put(p->out, format_diagnostic(p->name, d));
        },
        &printer);
    const bool failed = printer.failed;
    return failed ? outcome::failed : outcome::clean;
}

} // namespace

int main(int argc, char** argv)
{
    descriptor target{STDOUT_FILENO};
    char storage[std::size_t{64} * 1024];
    output_buffer out(storage, sizeof storage, write_descriptor, &target);

    settings s;
    if (const std::optional<int> status = parse(argc, argv, s, out)) {
        return *status;
    }
    int status = 0;
    for (const std::string& file : s.files) {
        switch (check_file(file, s, out)) {
        case outcome::clean:
            break;
        case outcome::failed:
            status = std::max(status, 1);
            break;
        case outcome::unreadable:
            status = 2;
            break;
        }
        if (!out.flush()) {
            std::fprintf(stderr, "scenecheck: write error: %s\n", std::strerror(target.error));
            return 2;
        }
    }
    return status;
}
