#pragma once

// Checks a scene script line by line as scene2java reads it, then the story
// it makes as a whole: what will not compile, and what breaks or misleads
// when it is played.

#include "line_reader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

struct scene_id;
struct line_fields;

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
    bool keep_texts = false; // keep the start of each text, for the map
};

inline constexpr std::uint32_t no_scene = UINT32_MAX;

// A next scene or a choice target: the scene, and where it stands.
struct scene_reference {
    std::uint32_t scene; // no_scene when it is no valid identifier
    std::size_t column;
};

// What the story needs to know of one line; small, as a story may have
// millions of lines.
struct scene_line {
    std::size_t line;
    std::size_t first_reference; // its next scenes, in story::references
    std::uint32_t references;
    std::uint32_t scene; // no_scene when its identifier is not valid
    char kind;           // 'T', 'B', 'C', or 0 for none
    bool complete;       // its block is closed
};

// A scene, however many lines define it. Small and plain: a story may have
// millions.
struct scene_info {
    std::size_t first_definition = SIZE_MAX; // index into story::lines
    std::int32_t value = 0;                  // when it is a number
    bool number = false;
};

// The story of one script.
struct story {
    std::vector<scene_line> lines;
    std::vector<scene_reference> references;
    std::vector<scene_info> scenes;
    std::unordered_map<std::uint32_t, std::string> written; // scenes not written as a plain decimal number
    std::uint32_t start = no_scene;
    std::vector<bool> reachable;            // per scene, once finished
    std::vector<std::string> texts;         // per line, with keep_texts
    std::vector<std::string> button_labels; // per line, three each, with keep_texts

    // A scene as the author wrote it, for messages and the map.
    [[nodiscard]] std::string shown(std::uint32_t scene) const
    {
        const auto found = written.find(scene);
        return found != written.end() ? found->second : std::to_string(scenes[scene].value);
    }

    // The next scenes or choices of a line.
    [[nodiscard]] std::span<const scene_reference> next_of(const scene_line& l) const;

    [[nodiscard]] const scene_line* definition(std::uint32_t scene) const
    {
        return scene == no_scene || scenes[scene].first_definition == SIZE_MAX ? nullptr
                                                                               : &lines[scenes[scene].first_definition];
    }
};

// Scene numbers to scene indices: open addressing, as a story may define
// millions and looks one up for every field that names a scene.
class number_index {
public:
    // The scene of `value`, or `added` after adding it as that.
    std::uint32_t find_or_add(std::int32_t value, std::uint32_t added);

private:
    struct slot {
        std::int32_t value;
        std::uint32_t scene; // no_scene: empty
    };
    std::vector<slot> slots_ = std::vector<slot>(1024, slot{0, UINT32_MAX});
    std::size_t used_ = 0;
};

class script_checker {
public:
    // Takes each diagnostic, in line order, as finish() finds it.
    using emit_fn = void (*)(void* context, const diagnostic& d);

    explicit script_checker(const check_options& options) : options_(options) { }

    // Makes room for a script of about `bytes` bytes, so that the story's
    // tables are not copied as they grow. Pages not used are not touched.
    void expect_bytes(std::uint64_t bytes);

    // Reads a whole script with read_lines and takes every line.
    read_result read(read_fn read, void* context);

    // One line as read_lines hands it on: `size` bytes, NUL after them.
    void take_line(char* text, std::size_t size);

    // The story-wide checks, then every diagnostic not ignored, in line
    // order, to `emit`.
    void finish(emit_fn emit, void* context);

    [[nodiscard]] const story& result() const { return story_; }

private:
    void report(std::size_t line, std::size_t column, rule what, std::string message);
    std::uint32_t scene_of(const scene_id& id, std::string_view written);
    std::uint32_t number_scene(std::int32_t value); // found, or added as the next scene
    std::uint32_t check_id(std::size_t line, std::size_t column, std::string_view field);
    void check_string(std::size_t line, std::size_t column, std::string_view field, std::string_view what);
    void check_encoding(std::size_t line, std::size_t column, std::string_view field);
    std::size_t cut_text(char* text, std::size_t size, std::size_t line);
    void check_kind(const line_fields& l, scene_line& scene);
    std::uint64_t check_next_scene(const line_fields& l);
    std::uint64_t check_text_scene(const line_fields& l);
    std::uint64_t check_button_scene(const line_fields& l);
    std::uint64_t check_choice_dispatch(const line_fields& l);
    void check_ignored_fields(const line_fields& l, std::size_t uses, std::string_view kind);

    // What the story-wide checks share while they go through the lines.
    struct finishing {
        std::string start_shown;
        std::vector<std::size_t> entered_from;     // per dispatch line: the text or choice that enters it
        std::vector<std::size_t> last_dispatch_to; // per scene: the last dispatch so far that leads to it
    };
    std::string resolve_start();
    void mark_reachable();
    [[nodiscard]] std::vector<std::size_t> entries_without_buttons() const;
    void story_diagnostics(std::size_t i, const finishing& f, std::vector<diagnostic>& here) const;
    std::uint64_t constant_size(char tag, std::string_view text);
    std::uint64_t push_size(std::uint32_t scene);
    [[nodiscard]] bool ignored(rule r) const { return options_.ignored[static_cast<std::size_t>(r)]; }

    const check_options& options_;
    story story_;
    number_index numbers_;                                 // a number: its scene
    std::unordered_map<std::string, std::uint32_t> names_; // a name: its scene
    std::vector<diagnostic> line_diagnostics_;             // found line by line, in line order
    std::size_t line_number_ = 0;
    std::pair<std::int32_t, std::uint32_t> last_number_{0, UINT32_MAX}; // the number looked up last, and its scene
    bool duplicates_ = false;                                           // some scene is defined twice
    bool check_fields_encoding_ = false;                                // the line holds bytes that are not UTF-8
    std::string kept_text_;                                             // with keep_texts: the start of the line's text
    std::string kept_labels_[3];                                        // and its button labels
    std::uint64_t bytecode_ = 0;                                        // estimated size of the handler so far
    std::size_t too_large_from_ = 0;                                    // the line index + 1 where it passed the limit
    std::vector<std::uint64_t> early_constants_ = std::vector<std::uint64_t>(512, 0); // the constants ldc reaches
    std::uint64_t next_constant_ = 60;
};

// The largest bytecode a Java method holds.
inline constexpr std::uint64_t java_method_limit = 65535;
