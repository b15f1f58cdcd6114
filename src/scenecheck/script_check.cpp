#include "script_check.h"

#include "field_splitter.h"
#include "java_syntax.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>

namespace {

constexpr std::array<std::string_view, rule_count> rule_names{"open-block",
                                                              "bad-scene-id",
                                                              "bad-string",
                                                              "encoding",
                                                              "undefined-scene",
                                                              "too-many-choices",
                                                              "duplicate-scene",
                                                              "unreachable-scene",
                                                              "buttons-without-choice",
                                                              "choice-without-buttons",
                                                              "button-count",
                                                              "ignored-text",
                                                              "missing-image",
                                                              "method-too-large"};

std::size_t index_of(rule r)
{
    return static_cast<std::size_t>(r);
}

// A field where it stands in the line.
struct located_field {
    std::string_view text;
    std::size_t column; // from 1
};

// 'shown', built by appending: g++ 12 warns falsely (-Wrestrict) when a
// string is prepended to.
std::string quoted(std::string_view shown)
{
    std::string out(1, '\'');
    out.append(shown);
    out += '\'';
    return out;
}

std::string kind_name(char kind)
{
    switch (kind) {
    case 'T':
        return "text scene";
    case 'B':
        return "button scene";
    case 'C':
        return "choice dispatch";
    default:
        return "line of no kind";
    }
}

} // namespace

std::string_view rule_name(rule r)
{
    return rule_names[index_of(r)];
}

std::optional<rule> rule_by_name(std::string_view name)
{
    for (std::size_t i = 0; i < rule_count; ++i) {
        if (rule_names[i] == name) {
            return static_cast<rule>(i);
        }
    }
    return std::nullopt;
}

bool is_error(rule r)
{
    switch (r) {
    case rule::open_block:
    case rule::bad_scene_id:
    case rule::bad_string:
    case rule::encoding:
    case rule::undefined_scene:
    case rule::too_many_choices:
        return true;
    default:
        return false;
    }
}

std::string format_diagnostic(std::string_view file, const diagnostic& d)
{
    std::string line(file);
    line += ':';
    if (d.line != 0) {
        line += std::to_string(d.line) + ":" + std::to_string(d.column) + ":";
    }
    line += is_error(d.what) ? " error: " : " warning: ";
    line += d.message;
    line += " [";
    line += rule_name(d.what);
    line += "]\n";
    return line;
}

std::uint64_t script_checker::constant_size(char tag, std::string_view text)
{
    // javac keeps one constant pool entry per distinct constant, after some
    // 60 of the class's own; ldc reaches the first 255, ldc_w the rest.
    const std::uint64_t hash = std::hash<std::string_view>{}(text)*31 + static_cast<unsigned char>(tag);
    const auto [at, added] = constant_pool_.emplace(hash, next_constant_);
    if (added) {
        next_constant_ += tag == 's' ? 2 : 1; // a string takes two entries
    }
    return at->second <= 255 ? 2 : 3;
}

std::uint64_t script_checker::push_size(const std::string& key)
{
    // iconst, bipush and sipush carry small ints; larger ones and named
    // constants (whose values are not known here) come from the pool.
    if (key.size() > 1 && key[0] == '#') {
        const long value = std::stol(key.substr(1));
        if (value >= -1 && value <= 5) {
            return 1;
        }
        if (value >= -128 && value <= 127) {
            return 2;
        }
        if (value >= -32768 && value <= 32767) {
            return 3;
        }
        return constant_size('i', key);
    }
    return 3;
}

void script_checker::report(std::size_t line, std::size_t column, rule what, std::string message)
{
    if (!options_.ignored[index_of(what)]) {
        diagnostics_.push_back({line, column, what, std::move(message)});
    }
}

std::optional<std::string> script_checker::check_id(std::size_t line, std::size_t column, std::string_view field)
{
    field_fault fault;
    const std::optional<scene_key> id = read_scene_id(field, fault);
    if (!id) {
        report(line, column + fault.at, rule::bad_scene_id, fault.message);
        return std::nullopt;
    }
    return id->key;
}

void script_checker::check_string(std::size_t line, std::size_t column, std::string_view field, std::string_view what)
{
    if (const std::optional<field_fault> fault = check_string_literal(field)) {
        report(line, column + fault->at, rule::bad_string, std::string(what) + ": " + fault->message);
    }
}

void script_checker::check_encoding(std::size_t line, std::size_t column, std::string_view field)
{
    if (const std::optional<std::size_t> at = first_invalid_utf8(field)) {
        report(line, column + *at, rule::encoding,
               "this byte is not UTF-8, and javac -encoding UTF-8 rejects it: save the script as UTF-8");
    }
}

void script_checker::take_line(char* text, std::size_t size)
{
    const std::size_t line = ++line_number_;
    // A CR or NUL ends the text, as scene2java reads it; a CR that is the
    // last byte is the usual Windows line end.
    std::size_t length = size;
    if (const void* nul = std::memchr(text, '\0', size)) {
        length = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
    }
    if (const void* cr = std::memchr(text, '\r', length)) {
        length = static_cast<std::size_t>(static_cast<const char*>(cr) - text);
    }
    if (length < size && (text[length] == '\0' || length + 1 < size)) {
        const std::size_t lost = size - length - 1;
        const std::string_view after(text + length + 1, lost);
        std::string message;
        if (text[length] == '\r' && after.find('\r') != std::string_view::npos) {
            message = "this line holds more CRs: the file seems to have old Mac line ends (CR only), so it reads "
                      "as one line, and only the text up to the first CR is used; " +
                      std::to_string(lost) + " bytes after it are ignored. Save it with LF or CR LF line ends";
        } else {
            message = std::string(text[length] == '\r' ? "a CR" : "a NUL byte") + " ends this line's text: the " +
                      (lost == 1 ? std::string("byte") : std::to_string(lost) + " bytes") + " after it " +
                      (lost == 1 ? "is" : "are") + " ignored";
        }
        report(line, length + 1, rule::ignored_text, std::move(message));
    }
    text[length] = '\0';

    // The fields, where they stand; the first five are all any kind uses.
    constexpr std::size_t used = 5;
    char* ends[used];
    const std::size_t count = split_fields(text, '\t', ends, used);
    located_field f[used];
    char* starts[used] = {};
    char* begin = text;
    for (std::size_t i = 0; i < count && i < used; ++i) {
        starts[i] = begin;
        f[i] = {std::string_view(begin, static_cast<std::size_t>(ends[i] - begin)),
                static_cast<std::size_t>(begin - text) + 1};
        begin = ends[i] + 1;
    }
    const std::size_t end_column = length + 1;

    scene_line scene{line, 0, false, {}, std::string(excerpt(f[0].text, 40)), {}, {}, {}};
    if (length == 0) {
        report(line, 1, rule::open_block,
               "empty line: its block 'if( m_scene ==  ){' is left open and the Java will not compile; delete the "
               "line");
        story_.lines.push_back(std::move(scene));
        return;
    }
    if (std::optional<std::string> key = check_id(line, f[0].column, f[0].text)) {
        scene.key = std::move(*key);
    }
    check_encoding(line, f[0].column, f[0].text);
    std::uint64_t bytes = 7 + (scene.key.empty() ? 3 : push_size(scene.key));

    const char kind = count >= 2 && !f[1].text.empty() ? f[1].text[0] : '\0';
    if (count < 2) {
        report(line, end_column, rule::open_block,
               "no kind: the line has no TAB after the scene identifier, so its block is left open and the Java "
               "will not compile; add a TAB and T, B or C");
    } else if (kind != 'T' && kind != 'B' && kind != 'C') {
        std::string message = "no known kind " + quoted(excerpt(f[1].text, 8)) +
                              ": only the first byte counts, and it must be T, B or C; the block is left open and "
                              "the Java will not compile";
        if (kind == 't' || kind == 'b' || kind == 'c') {
            message += "; write " + std::string(1, static_cast<char>(kind - 'a' + 'A'));
        }
        report(line, f[1].column, rule::open_block, std::move(message));
    }
    scene.kind = kind == 'T' || kind == 'B' || kind == 'C' ? kind : '\0';

    const std::size_t needed = scene.kind == 'C' ? 3 : 4;
    if (scene.kind != '\0' && count < needed) {
        static constexpr std::array<std::string_view, 5> field_names{"", "", "field 3 (the next scene)",
                                                                     "field 4 (the text)", ""};
        const std::string_view missing = scene.kind == 'C'   ? std::string_view("field 3 (the choice list)")
                                         : count < 3         ? field_names[2]
                                         : scene.kind == 'B' ? std::string_view("field 4 (the button labels)")
                                                             : field_names[3];
        report(line, end_column, rule::open_block,
               "this " + kind_name(scene.kind) + " has no " + std::string(missing) +
                   ": its block is left open and the Java will not compile");
    }
    scene.complete = scene.kind != '\0' && count >= needed;

    if ((scene.kind == 'T' || scene.kind == 'B') && count >= 3) {
        std::optional<std::string> key = check_id(line, f[2].column, f[2].text);
        check_encoding(line, f[2].column, f[2].text);
        bytes += 4 + (key ? push_size(*key) : 3);
        scene.next.push_back({key.value_or(""), excerpt(f[2].text, 40), f[2].column});
    }
    if (scene.kind == 'T' && count >= 4) {
        check_string(line, f[3].column, f[3].text, "the text");
        check_encoding(line, f[3].column, f[3].text);
        scene.text_start = excerpt(f[3].text, 28);
        bytes += 8 + constant_size('s', f[3].text) + 5;
        if (count >= 5) {
            check_string(line, f[4].column, f[4].text, "the image name");
            check_encoding(line, f[4].column, f[4].text);
            bytes += 4 + constant_size('s', f[4].text);
            if (!options_.images.empty() && !f[4].text.empty()) {
                const std::string path = options_.images + "/" + std::string(f[4].text);
                struct stat info { };
                if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
                    report(line, f[4].column, rule::missing_image,
                           "the image " + quoted(excerpt(f[4].text, 40)) + " is not a file in " + options_.images +
                               ": the player will have no picture to show");
                }
            }
        }
        if (count > 5) {
            report(line, static_cast<std::size_t>(ends[4] - text) + 2, rule::ignored_text,
                   "a text scene uses five fields: field 6 and any after it are ignored");
        }
    }
    if (scene.kind == 'B' && count >= 4) {
        check_string(line, f[3].column, f[3].text, "the button labels");
        check_encoding(line, f[3].column, f[3].text);
        scene.text_start = excerpt(f[3].text, 28);
        bytes += 30 + 8 + constant_size('s', f[3].text) + 5;
        std::size_t labels = 1;
        std::size_t start = 0;
        for (std::size_t i = 0; i <= f[3].text.size(); ++i) {
            if (i == f[3].text.size() || f[3].text[i] == ',') {
                if (scene.buttons.size() < 3) {
                    scene.buttons.push_back(excerpt(f[3].text.substr(start, i - start), 24));
                }
                labels += i < f[3].text.size() ? 1 : 0;
                start = i + 1;
            }
        }
        if (labels != 3) {
            report(line, f[3].column, rule::button_count,
                   "the button labels are " + std::to_string(labels) +
                       " comma-separated items, not three: the player shows one on each of its three buttons");
        }
        if (count > 4) {
            report(line, static_cast<std::size_t>(ends[3] - text) + 2, rule::ignored_text,
                   "a button scene uses four fields: field 5 and any after it are ignored");
        }
    }
    if (scene.kind == 'C' && count >= 3) {
        // The choice list, item by item: split it the way scene2java does.
        char* item = starts[2];
        const std::size_t items = split_fields(item, ',');
        for (std::size_t i = 0; i < items; ++i) {
            const std::string_view target(item);
            const std::size_t column = f[2].column + static_cast<std::size_t>(item - f[2].text.data());
            std::optional<std::string> key = check_id(line, column, target);
            check_encoding(line, column, target);
            bytes += 47 + (i <= 5 ? 1 : i <= 127 ? 2 : 3) + (key ? push_size(*key) : 3);
            if (i == 3) {
                report(line, column, rule::too_many_choices,
                       "the choice list has " + std::to_string(items) +
                           " items, but there are three buttons: 'jb[ 3 ]' throws ArrayIndexOutOfBoundsException on "
                           "every click of this scene; keep three items");
            }
            if (scene.next.size() < 4096) {
                scene.next.push_back({key.value_or(""), excerpt(target, 40), column});
            }
            item = next_field(item);
        }
        if (items < 3) {
            report(line, f[2].column, rule::button_count,
                   "the choice list has " + std::to_string(items) + " item" + (items == 1 ? "" : "s") +
                       ", fewer than the three buttons: a button without an item does nothing when pressed");
        }
        if (count > 3) {
            report(line, static_cast<std::size_t>(ends[2] - text) + 2, rule::ignored_text,
                   "a choice dispatch uses three fields: field 4 and any after it are ignored");
        }
    }
    bytecode_ += bytes;
    if (too_large_from_ == 0 && bytecode_ > java_method_limit) {
        too_large_from_ = story_.lines.size() + 1;
    }
    story_.lines.push_back(std::move(scene));
}

void script_checker::check_story()
{
    story& s = story_;
    for (std::size_t i = 0; i < s.lines.size(); ++i) {
        if (!s.lines[i].key.empty()) {
            s.defined[s.lines[i].key].push_back(i);
        }
    }
    // The start: as given, else the first line's scene.
    if (!options_.start.empty()) {
        field_fault fault;
        if (const std::optional<scene_key> id = read_scene_id(options_.start, fault)) {
            s.start_key = id->key;
            s.start_shown = options_.start;
        }
    } else if (!s.lines.empty()) {
        s.start_key = s.lines.front().key;
        s.start_shown = s.lines.front().shown;
    }
    const auto first_definition = [&](const std::string& key) -> const scene_line* {
        const auto found = s.defined.find(key);
        return found == s.defined.end() ? nullptr : &s.lines[found->second.front()];
    };

    if (!s.start_key.empty() && first_definition(s.start_key) == nullptr) {
        report(0, 0, rule::undefined_scene,
               "the start scene " + quoted(s.start_shown) + " is not defined by any line: the story shows nothing");
    }

    for (const scene_line& scene : s.lines) {
        if (!scene.complete) {
            continue;
        }
        for (const scene_reference& next : scene.next) {
            if (!next.key.empty() && first_definition(next.key) == nullptr) {
                report(scene.line, next.column, rule::undefined_scene,
                       "scene " + quoted(next.shown) +
                           " is not defined by any line: the story freezes there, as every click falls through "
                           "every block");
            }
        }
        const scene_line* target =
            scene.next.empty() || scene.next.front().key.empty() ? nullptr : first_definition(scene.next.front().key);
        if (scene.kind == 'B' && target != nullptr && target->kind != 'C') {
            report(scene.line, scene.next.front().column, rule::buttons_without_choice,
                   "the buttons lead to scene " + quoted(scene.next.front().shown) + ", a " + kind_name(target->kind) +
                       " (line " + std::to_string(target->line) +
                       "), not a choice dispatch: the buttons stay on screen and nothing reads them");
        }
    }

    // Choice dispatches that are entered without buttons on screen.
    std::vector<bool> told(s.lines.size(), false);
    for (const scene_line& scene : s.lines) {
        if (!scene.complete || scene.kind == 'B') {
            continue;
        }
        for (const scene_reference& next : scene.next) {
            const scene_line* target = next.key.empty() ? nullptr : first_definition(next.key);
            if (target == nullptr || target->kind != 'C' || !target->complete) {
                continue;
            }
            const auto at = static_cast<std::size_t>(target - s.lines.data());
            if (!told[at]) {
                told[at] = true;
                report(target->line, 1, rule::choice_without_buttons,
                       "this choice dispatch is entered from the " + kind_name(scene.kind) + " at line " +
                           std::to_string(scene.line) +
                           ", not from a button scene: no button is shown, so the story stops here");
            }
        }
    }

    // Scenes defined more than once: the first runs, the others seldom.
    for (std::size_t i = 0; i < s.lines.size(); ++i) {
        const scene_line& scene = s.lines[i];
        if (scene.key.empty()) {
            continue;
        }
        const std::vector<std::size_t>& all = s.defined[scene.key];
        if (all.front() == i) {
            continue;
        }
        const scene_line& first = s.lines[all.front()];
        std::string message =
            "scene " + quoted(scene.shown) + " is defined again; line " + std::to_string(first.line) + " runs first";
        if (first.kind == 'C') {
            message += ", a choice dispatch that does not return: this block runs right after it on a click beside "
                       "the buttons, and when a choice leads back to this scene";
        } else {
            // Only a choice dispatch between the two can send the story here.
            const scene_line* via = nullptr;
            for (std::size_t k = all.front() + 1; k < i && via == nullptr; ++k) {
                const scene_line& d = s.lines[k];
                if (d.kind == 'C' && d.complete &&
                    std::any_of(d.next.begin(), d.next.end(),
                                [&](const scene_reference& r) { return r.key == scene.key; })) {
                    via = &d;
                }
            }
            message += via == nullptr ? " and returns, so this block never runs"
                                      : " and returns; this block runs only when the choice dispatch at line " +
                                            std::to_string(via->line) + " falls through to it";
        }
        report(scene.line, 1, rule::duplicate_scene, std::move(message));
    }

    // Reachability: a script has no computed jumps, so it is exact.
    s.reachable.assign(s.lines.size(), s.start_key.empty());
    if (!s.start_key.empty() && first_definition(s.start_key) != nullptr) {
        std::deque<std::string> queue{s.start_key};
        std::unordered_map<std::string, bool> seen{{s.start_key, true}};
        while (!queue.empty()) {
            const std::string key = std::move(queue.front());
            queue.pop_front();
            const auto found = s.defined.find(key);
            if (found == s.defined.end()) {
                continue;
            }
            for (const std::size_t i : found->second) {
                s.reachable[i] = true;
                for (const scene_reference& next : s.lines[i].next) {
                    if (!next.key.empty() && seen.emplace(next.key, true).second) {
                        queue.push_back(next.key);
                    }
                }
            }
        }
        for (std::size_t i = 0; i < s.lines.size(); ++i) {
            const scene_line& scene = s.lines[i];
            if (!s.reachable[i] && !scene.key.empty() && s.defined[scene.key].front() == i) {
                report(scene.line, 1, rule::unreachable_scene,
                       "scene " + quoted(scene.shown) + " cannot be reached from the start scene " +
                           quoted(s.start_shown) + ": no path of next scenes and choices leads here");
            }
        }
    }

    if (too_large_from_ != 0) {
        const std::size_t moved = s.lines.size() - too_large_from_ + 1;
        report(s.lines[too_large_from_ - 1].line, 1, rule::method_too_large,
               "the blocks take about " + std::to_string(bytecode_) +
                   " bytes of bytecode, and one Java method holds 65535 (javac: code too large); the handler is "
                   "full from here: move these " +
                   std::to_string(moved) + " scenes, or more, to a second handler");
    }
}

std::vector<diagnostic> script_checker::finish()
{
    check_story();
    std::stable_sort(diagnostics_.begin(), diagnostics_.end(), [](const diagnostic& a, const diagnostic& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    return std::move(diagnostics_);
}
