#pragma once

// Checks a scene script line by line as scene2java reads it, then the story
// it makes as a whole: what will not compile, and what breaks or misleads
// when it is played.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

enum class rule : std::uint8_t {
    open_block,
    bad_scene_id,
    bad_string,
    encoding,
    undefined_scene,
    too_many_choices,
    duplicate_scene,
    unreachable_scene,
    buttons_without_choice,
    choice_without_buttons,
    button_count,
    ignored_text,
    missing_image,
    method_too_large,
};
inline constexpr std::size_t rule_count = 14;

std::string_view rule_name(rule r);
std::optional<rule> rule_by_name(std::string_view name);
// Errors: the Java will not compile, or the story certainly breaks.
bool is_error(rule r);

struct diagnostic {
    std::size_t line;   // from 1; 0 for the story as a whole
    std::size_t column; // from 1: the byte offset in the line plus one
    rule what;
    std::string message;
};

// One diagnostic as editors read it: "FILE:LINE:COLUMN: error: MESSAGE
// [RULE]" and a line feed ("FILE: ..." for the story as a whole).
std::string format_diagnostic(std::string_view file, const diagnostic& d);

struct check_options {
    std::string start;  // the start scene as written; empty: the first line's
    std::string images; // a folder that must hold every image; empty: not checked
    bool ignored[rule_count] = {};
};

// A next scene or a choice target, where it stands.
struct scene_reference {
    std::string key; // empty when it is no valid identifier
    std::string shown;
    std::size_t column;
};

// What the story needs to know of one line.
struct scene_line {
    std::size_t line;
    char kind;         // 'T', 'B', 'C', or 0 for none
    bool complete;     // its block is closed
    std::string key;   // empty when its identifier is not valid
    std::string shown; // the identifier as written, for messages and the map
    std::vector<scene_reference> next;
    std::string text_start;           // the start of its text, for the map
    std::vector<std::string> buttons; // a button scene's labels, for the map
};

// The story of one script, once every line is in.
struct story {
    std::vector<scene_line> lines;
    std::unordered_map<std::string, std::vector<std::size_t>> defined; // key: indices into lines, in order
    std::string start_key;
    std::string start_shown;
    std::vector<bool> reachable; // per line; all true when there is no start
};

class script_checker {
public:
    explicit script_checker(const check_options& options) : options_(options) { }

    // One line as read_lines hands it on: `size` bytes, NUL after them.
    void take_line(char* text, std::size_t size);

    // The story-wide checks; then every diagnostic not ignored, in line
    // order.
    std::vector<diagnostic> finish();

    [[nodiscard]] const story& result() const { return story_; }

private:
    void report(std::size_t line, std::size_t column, rule what, std::string message);
    std::optional<std::string> check_id(std::size_t line, std::size_t column, std::string_view field);
    void check_string(std::size_t line, std::size_t column, std::string_view field, std::string_view what);
    void check_encoding(std::size_t line, std::size_t column, std::string_view field);
    void check_story();
    std::uint64_t constant_size(char tag, std::string_view text);
    std::uint64_t push_size(const std::string& key);

    const check_options& options_;
    story story_;
    std::vector<diagnostic> diagnostics_;
    std::size_t line_number_ = 0;
    std::uint64_t bytecode_ = 0;                                     // estimated size of the handler so far
    std::size_t too_large_from_ = 0;                                 // the line where it passed the limit
    std::unordered_map<std::uint64_t, std::uint64_t> constant_pool_; // a constant's hash: its index
    std::uint64_t next_constant_ = 60;
};

// The largest bytecode a Java method holds.
inline constexpr std::uint64_t java_method_limit = 65535;
