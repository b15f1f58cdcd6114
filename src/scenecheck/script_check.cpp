#include "script_check.h"

#include "field_splitter.h"
#include "java_syntax.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <span>

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

// Whether the bytes are all ASCII, eight at a time.
bool all_ascii(const char* text, std::size_t size)
{
    std::uint64_t seen = 0;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t eight = 0;
        std::memcpy(&eight, text + i, 8);
        seen |= eight;
    }
    for (; i < size; ++i) {
        seen |= static_cast<unsigned char>(text[i]);
    }
    return (seen & 0x8080808080808080U) == 0;
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
    const std::string_view label = is_error(d.what) ? " error: " : " warning: ";
    const std::string_view name = rule_name(d.what);
    std::string line;
    line.reserve(file.size() + 48 + d.message.size() + name.size());
    line.append(file);
    line += ':';
    if (d.line != 0) {
        for (const std::size_t value : {d.line, d.column}) {
            char number[24]; // room for any std::size_t
            line.append(number, std::to_chars(number, number + sizeof number, value).ptr);
            line += ':';
        }
    }
    line.append(label);
    line.append(d.message);
    line.append(" [");
    line.append(name);
    line.append("]\n");
    return line;
}

std::uint32_t number_index::find_or_add(std::int32_t value, std::uint32_t added)
{
    const auto place = [](const std::vector<slot>& slots, std::int32_t v) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(v)) * 0x9E3779B97F4A7C15U >> 20) &
               (slots.size() - 1);
    };
    for (std::size_t at = place(slots_, value);; at = (at + 1) & (slots_.size() - 1)) {
        if (slots_[at].scene == no_scene) {
            slots_[at] = {value, added};
            break;
        }
        if (slots_[at].value == value) {
            return slots_[at].scene;
        }
    }
    // Half full at most, so that probes stay short.
    if (++used_ * 2 > slots_.size()) {
        std::vector<slot> bigger(slots_.size() * 2, slot{0, no_scene});
        for (const slot& old : slots_) {
            if (old.scene != no_scene) {
                std::size_t at = place(bigger, old.value);
                while (bigger[at].scene != no_scene) {
                    at = (at + 1) & (bigger.size() - 1);
                }
                bigger[at] = old;
            }
        }
        slots_.swap(bigger);
    }
    return added;
}

std::uint64_t script_checker::constant_size(char tag, std::string_view text)
{
    // javac keeps one constant pool entry per distinct constant, after some
    // 60 of the class's own; ldc reaches the first 255, ldc_w the rest. So
    // only the first constants are remembered; any other takes ldc_w. A
    // constant is known by its length and ends, which is cheap and near
    // enough for an estimate.
    std::uint64_t head = 0;
    std::uint64_t tail = 0;
    if (text.size() >= 8) {
        std::memcpy(&head, text.data(), 8);
        std::memcpy(&tail, text.data() + text.size() - 8, 8);
    } else {
        std::memcpy(&head, text.data(), text.size());
    }
    const std::uint64_t hash = ((head * 0x9E3779B97F4A7C15U) ^ (tail * 0xC2B2AE3D27D4EB4FU)) + text.size() * 2 +
                               static_cast<unsigned char>(tag);
    // The pool holds at most some 200 constants that ldc reaches: a small
    // table of their hashes, probed linearly, with 0 for an empty slot.
    const std::uint64_t key = hash | 1U;
    std::size_t at = (key * 0x9E3779B97F4A7C15U) >> 55; // 512 slots
    for (; early_constants_[at] != 0; at = (at + 1) % early_constants_.size()) {
        if (early_constants_[at] == key) {
            return 2;
        }
    }
    if (next_constant_ > 255) {
        return 3;
    }
    early_constants_[at] = key;
    next_constant_ += tag == 's' ? 2 : 1; // a string takes two entries
    return 2;
}

std::uint64_t script_checker::push_size(std::uint32_t scene)
{
    // iconst, bipush and sipush carry small ints; larger ones and named
    // constants (whose values are not known here) come from the pool.
    if (scene == no_scene || !story_.scenes[scene].number) {
        return 3;
    }
    const std::int32_t value = story_.scenes[scene].value;
    if (value >= -1 && value <= 5) {
        return 1;
    }
    if (value >= -128 && value <= 127) {
        return 2;
    }
    if (value >= -32768 && value <= 32767) {
        return 3;
    }
    const std::string text = std::to_string(value);
    return constant_size('i', text);
}

void script_checker::report(std::size_t line, std::size_t column, rule what, std::string message)
{
    if (!ignored(what)) {
        line_diagnostics_.push_back({line, column, what, std::move(message)});
    }
}

inline std::uint32_t script_checker::number_scene(std::int32_t value)
{
    // A line's scene is often the one the line before leads to.
    if (value == last_number_.first && last_number_.second != no_scene) {
        return last_number_.second;
    }
    const auto next = static_cast<std::uint32_t>(story_.scenes.size());
    const std::uint32_t scene = numbers_.find_or_add(value, next);
    if (scene == next) {
        story_.scenes.push_back({SIZE_MAX, value, true});
    }
    last_number_ = {value, scene};
    return scene;
}

std::uint32_t script_checker::scene_of(const scene_id& id, std::string_view written)
{
    // Shown as first written, less the blanks around it.
    const auto trimmed = [](std::string_view field) {
        const std::size_t begin = field.find_first_not_of(" \f");
        const std::size_t end = field.find_last_not_of(" \f");
        return begin == std::string_view::npos ? field : field.substr(begin, end - begin + 1);
    };
    const auto next = static_cast<std::uint32_t>(story_.scenes.size());
    std::uint32_t scene = 0;
    if (id.number) {
        scene = number_scene(*id.number);
    } else {
        scene = names_.try_emplace(key_text(id), next).first->second;
        if (scene == next) {
            story_.scenes.push_back({SIZE_MAX, 0, false});
        }
    }
    const bool added = scene == next;
    // A plain decimal number is shown as its value; anything else as written.
    if (added && !id.plain) {
        story_.written.emplace(scene, excerpt(trimmed(written), 40));
    }
    return scene;
}

std::uint32_t script_checker::check_id(std::size_t line, std::size_t column, std::string_view field)
{
    // Most identifiers are plain decimal numbers: found without the rest.
    if (std::int32_t value = 0; plain_decimal(field, value)) {
        return number_scene(value);
    }
    field_fault fault;
    const std::optional<scene_id> id = read_scene_id(field, fault);
    if (!id) {
        report(line, column + fault.at, rule::bad_scene_id, fault.message);
        return no_scene;
    }
    return scene_of(*id, field);
}

void script_checker::check_string(std::size_t line, std::size_t column, std::string_view field, std::string_view what)
{
    if (const std::optional<field_fault> fault = check_string_literal(field)) {
        report(line, column + fault->at, rule::bad_string, std::string(what) + ": " + fault->message);
    }
}

void script_checker::check_encoding(std::size_t line, std::size_t column, std::string_view field)
{
    if (!check_fields_encoding_) {
        return;
    }
    if (const std::optional<std::size_t> at = first_invalid_utf8(field)) {
        report(line, column + *at, rule::encoding,
               "this byte is not UTF-8, and javac -encoding UTF-8 rejects it: save the script as UTF-8");
    }
}

// One line's fields where they stand; the first five are all any kind uses.
struct line_fields {
    static constexpr std::size_t used = 5;
    std::size_t line;
    char* text;
    std::size_t count;
    char* ends[used];
    char* starts[used];
    located_field f[used];
    std::size_t end_column; // just past the text
};

std::size_t script_checker::cut_text(char* text, std::size_t size, std::size_t line)
{
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
        const std::string bytes =
            lost == 1 ? std::string("byte after it is") : std::to_string(lost) + " bytes after it are";
        std::string message;
        if (text[length] == '\r' && after.find('\r') != std::string_view::npos) {
            message = "this line holds more CRs: the file seems to have old Mac line ends (CR only), so it reads "
                      "as one line, and only the text up to the first CR is used; ";
            message += bytes + " ignored. Save it with LF or CR LF line ends";
        } else {
            message = text[length] == '\r' ? "a CR" : "a NUL byte";
            message += " ends this line's text: the " + bytes + " ignored";
        }
        report(line, length + 1, rule::ignored_text, std::move(message));
    }
    text[length] = '\0';
    return length;
}

void script_checker::expect_bytes(std::uint64_t bytes)
{
    // Short lines are some 40 bytes; a script of longer ones uses less.
    const auto lines = static_cast<std::size_t>(std::min<std::uint64_t>(bytes / 40, std::uint64_t{1} << 26));
    story_.lines.reserve(lines);
    story_.references.reserve(lines);
    story_.scenes.reserve(lines);
}

read_result script_checker::read(read_fn read, void* context)
{
    // Nothing goes out while a script is read: the diagnostics come at the
    // end, in line order.
    const line_sink sink{[](void* checker, char* text, std::size_t size) {
                             static_cast<script_checker*>(checker)->take_line(text, size);
                         },
                         [](void* /*checker*/) { return true; }, this};
    return read_lines(read, context, sink);
}

void script_checker::take_line(char* text, std::size_t size)
{
    line_fields l; // filled as far as the line has fields
    l.line = ++line_number_;
    l.text = text;
    const std::size_t length = cut_text(text, size, l.line);
    l.count = split_fields(text, '\t', l.ends, line_fields::used);
    char* begin = text;
    for (std::size_t i = 0; i < l.count && i < line_fields::used; ++i) {
        l.starts[i] = begin;
        l.f[i] = {std::string_view(begin, static_cast<std::size_t>(l.ends[i] - begin)),
                  static_cast<std::size_t>(begin - text) + 1};
        begin = l.ends[i] + 1;
    }
    l.end_column = length + 1;
    // Most lines are UTF-8 throughout: then no field needs a look of its own.
    check_fields_encoding_ = !all_ascii(text, length) && first_invalid_utf8(std::string_view(text, length));

    scene_line scene{l.line, story_.references.size(), 0, no_scene, '\0', false};
    kept_text_.clear();
    for (std::string& label : kept_labels_) {
        label.clear();
    }
    std::uint64_t bytes = 0;
    if (length == 0) {
        report(l.line, 1, rule::open_block,
               "empty line: its block 'if( m_scene ==  ){' is left open and the Java will not compile; delete the "
               "line");
    } else {
        scene.scene = check_id(l.line, l.f[0].column, l.f[0].text);
        check_encoding(l.line, l.f[0].column, l.f[0].text);
        bytes = 7 + push_size(scene.scene);
        check_kind(l, scene);
        switch (scene.kind) {
        case 'T':
        case 'B':
            bytes += check_next_scene(l);
            bytes += scene.kind == 'T' ? check_text_scene(l) : check_button_scene(l);
            break;
        case 'C':
            bytes += check_choice_dispatch(l);
            break;
        default:
            break;
        }
    }
    scene.references = static_cast<std::uint32_t>(story_.references.size() - scene.first_reference);
    if (scene.scene != no_scene) {
        std::size_t& first = story_.scenes[scene.scene].first_definition;
        duplicates_ = duplicates_ || first != SIZE_MAX;
        first = std::min(first, story_.lines.size());
    }
    bytecode_ += bytes;
    if (too_large_from_ == 0 && bytecode_ > java_method_limit) {
        too_large_from_ = story_.lines.size() + 1;
    }
    story_.lines.push_back(scene);
    if (options_.keep_texts) {
        story_.texts.push_back(kept_text_);
        story_.button_labels.insert(story_.button_labels.end(), std::begin(kept_labels_), std::end(kept_labels_));
    }
}

void script_checker::check_kind(const line_fields& l, scene_line& scene)
{
    const char kind = l.count >= 2 && !l.f[1].text.empty() ? l.f[1].text[0] : '\0';
    if (l.count < 2) {
        report(l.line, l.end_column, rule::open_block,
               "no kind: the line has no TAB after the scene identifier, so its block is left open and the Java "
               "will not compile; add a TAB and T, B or C");
    } else if (kind != 'T' && kind != 'B' && kind != 'C') {
        std::string message = "no known kind " + quoted(excerpt(l.f[1].text, 8)) +
                              ": only the first byte counts, and it must be T, B or C; the block is left open and "
                              "the Java will not compile";
        if (kind == 't' || kind == 'b' || kind == 'c') {
            message += "; write ";
            message += static_cast<char>(kind - 'a' + 'A');
        }
        report(l.line, l.f[1].column, rule::open_block, std::move(message));
    }
    scene.kind = kind == 'T' || kind == 'B' || kind == 'C' ? kind : '\0';
    const std::size_t needed = scene.kind == 'C' ? 3 : 4;
    if (scene.kind != '\0' && l.count < needed) {
        const std::string_view missing = scene.kind == 'C'   ? "field 3 (the choice list)"
                                         : l.count < 3       ? "field 3 (the next scene)"
                                         : scene.kind == 'B' ? "field 4 (the button labels)"
                                                             : "field 4 (the text)";
        report(l.line, l.end_column, rule::open_block,
               "this " + kind_name(scene.kind) + " has no " + std::string(missing) +
                   ": its block is left open and the Java will not compile");
    }
    scene.complete = scene.kind != '\0' && l.count >= needed;
}

std::uint64_t script_checker::check_next_scene(const line_fields& l)
{
    if (l.count < 3) {
        return 0;
    }
    const std::uint32_t next = check_id(l.line, l.f[2].column, l.f[2].text);
    check_encoding(l.line, l.f[2].column, l.f[2].text);
    story_.references.push_back({next, l.f[2].column});
    return 4 + push_size(next);
}

void script_checker::check_ignored_fields(const line_fields& l, std::size_t uses, std::string_view kind)
{
    if (l.count > uses) {
        static constexpr std::array<std::string_view, 6> words{"", "one", "two", "three", "four", "five"};
        report(l.line, static_cast<std::size_t>(l.ends[uses - 1] - l.text) + 2, rule::ignored_text,
               "a " + std::string(kind) + " uses " + std::string(words[uses]) + " fields: field " +
                   std::to_string(uses + 1) + " and any after it are ignored");
    }
}

std::uint64_t script_checker::check_text_scene(const line_fields& l)
{
    if (l.count < 4) {
        return 0;
    }
    check_string(l.line, l.f[3].column, l.f[3].text, "the text");
    check_encoding(l.line, l.f[3].column, l.f[3].text);
    if (options_.keep_texts) {
        kept_text_ = excerpt(l.f[3].text, 28);
    }
    std::uint64_t bytes = 8 + constant_size('s', l.f[3].text) + 5;
    if (l.count >= 5) {
        const located_field& image = l.f[4];
        check_string(l.line, image.column, image.text, "the image name");
        check_encoding(l.line, image.column, image.text);
        bytes += 4 + constant_size('s', image.text);
        if (!options_.images.empty() && !image.text.empty() && !ignored(rule::missing_image)) {
            const std::string path = options_.images + "/" + std::string(image.text);
            struct stat info { };
            if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
                report(l.line, image.column, rule::missing_image,
                       "the image " + quoted(excerpt(image.text, 40)) + " is not a file in " + options_.images +
                           ": the player will have no picture to show");
            }
        }
    }
    check_ignored_fields(l, 5, "text scene");
    return bytes;
}

std::uint64_t script_checker::check_button_scene(const line_fields& l)
{
    if (l.count < 4) {
        return 0;
    }
    const std::string_view all = l.f[3].text;
    check_string(l.line, l.f[3].column, all, "the button labels");
    check_encoding(l.line, l.f[3].column, all);
    if (options_.keep_texts) {
        kept_text_ = excerpt(all, 28);
    }
    std::size_t labels = 1;
    std::size_t start = 0;
    for (std::size_t comma = all.find(','); comma != std::string_view::npos; comma = all.find(',', start)) {
        if (options_.keep_texts && labels <= 3) {
            kept_labels_[labels - 1] = excerpt(all.substr(start, comma - start), 24);
        }
        ++labels;
        start = comma + 1;
    }
    if (options_.keep_texts && labels <= 3) {
        kept_labels_[labels - 1] = excerpt(all.substr(start), 24);
    }
    if (labels != 3) {
        report(l.line, l.f[3].column, rule::button_count,
               "the button labels are " + std::to_string(labels) +
                   " comma-separated items, not three: the player shows one on each of its three buttons");
    }
    check_ignored_fields(l, 4, "button scene");
    return 30 + 8 + constant_size('s', all) + 5;
}

std::uint64_t script_checker::check_choice_dispatch(const line_fields& l)
{
    if (l.count < 3) {
        return 0;
    }
    // The choice list, item by item, split the way scene2java splits it.
    char* item = l.starts[2];
    const std::size_t items = split_fields(item, ',');
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < items; ++i) {
        const std::string_view target(item);
        const std::size_t column = l.f[2].column + static_cast<std::size_t>(item - l.starts[2]);
        const std::uint32_t next = check_id(l.line, column, target);
        check_encoding(l.line, column, target);
        bytes += 47 + (i <= 5 ? 1 : i <= 127 ? 2 : 3) + push_size(next);
        if (i == 3) {
            report(l.line, column, rule::too_many_choices,
                   "the choice list has " + std::to_string(items) +
                       " items, but there are three buttons: 'jb[ 3 ]' throws ArrayIndexOutOfBoundsException on "
                       "every click of this scene; keep three items");
        }
        // A story needs the first few; thousands more only cost memory.
        if (i < 64) {
            story_.references.push_back({next, column});
        }
        item = next_field(item);
    }
    if (items < 3) {
        report(l.line, l.f[2].column, rule::button_count,
               "the choice list has " + std::to_string(items) + " item" + (items == 1 ? "" : "s") +
                   ", fewer than the three buttons: a button without an item does nothing when pressed");
    }
    check_ignored_fields(l, 3, "choice dispatch");
    return bytes;
}

std::span<const scene_reference> story::next_of(const scene_line& l) const
{
    return {references.data() + l.first_reference, l.references};
}

std::string script_checker::resolve_start()
{
    story& s = story_;
    if (!options_.start.empty()) {
        field_fault fault;
        if (const std::optional<scene_id> id = read_scene_id(options_.start, fault)) {
            s.start = scene_of(*id, options_.start);
            return options_.start;
        }
    } else if (!s.lines.empty() && s.lines.front().scene != no_scene) {
        s.start = s.lines.front().scene;
        return s.shown(s.start);
    }
    return {};
}

void script_checker::mark_reachable()
{
    story& s = story_;
    // Every line of a scene, after the first: a chain per scene, needed
    // only when some scene is defined twice.
    std::vector<std::size_t> next_definition(duplicates_ ? s.lines.size() : 0, SIZE_MAX);
    std::vector<std::size_t> last(duplicates_ ? s.scenes.size() : 0, SIZE_MAX);
    for (std::size_t i = 0; duplicates_ && i < s.lines.size(); ++i) {
        const std::uint32_t scene = s.lines[i].scene;
        if (scene != no_scene) {
            if (last[scene] != SIZE_MAX) {
                next_definition[last[scene]] = i;
            }
            last[scene] = i;
        }
    }
    // A script has no computed jumps, so this is exact.
    const bool judged = s.definition(s.start) != nullptr;
    s.reachable.assign(s.scenes.size(), !judged);
    if (!judged) {
        return;
    }
    std::vector<std::uint32_t> queue{s.start};
    s.reachable[s.start] = true;
    while (!queue.empty()) {
        const std::uint32_t scene = queue.back();
        queue.pop_back();
        for (std::size_t i = s.scenes[scene].first_definition; i != SIZE_MAX;
             i = duplicates_ ? next_definition[i] : SIZE_MAX) {
            for (const scene_reference& r : s.next_of(s.lines[i])) {
                if (r.scene != no_scene && !s.reachable[r.scene]) {
                    s.reachable[r.scene] = true;
                    queue.push_back(r.scene);
                }
            }
        }
    }
}

std::vector<std::size_t> script_checker::entries_without_buttons() const
{
    const story& s = story_;
    std::vector<std::size_t> entered_from(s.lines.size(), SIZE_MAX); // per dispatch: the line that enters it
    for (std::size_t i = 0; i < s.lines.size(); ++i) {
        const scene_line& l = s.lines[i];
        if (!l.complete || l.kind == 'B') {
            continue;
        }
        for (const scene_reference& r : s.next_of(l)) {
            const scene_line* target = s.definition(r.scene);
            if (target != nullptr && target->kind == 'C' && target->complete) {
                std::size_t& from = entered_from[s.scenes[r.scene].first_definition];
                from = std::min(from, i);
            }
        }
    }
    return entered_from;
}

void script_checker::story_diagnostics(std::size_t i, const finishing& f, std::vector<diagnostic>& here) const
{
    const story& s = story_;
    const scene_line& l = s.lines[i];
    const auto say = [&](std::size_t column, rule what, std::string message) {
        here.push_back({l.line, column, what, std::move(message)});
    };
    const auto shown = [&](std::uint32_t scene) { return quoted(s.shown(scene)); };
    const auto line_of = [&](std::size_t index) { return std::to_string(s.lines[index].line); };
    const std::size_t first = l.scene == no_scene ? SIZE_MAX : s.scenes[l.scene].first_definition;
    if (first != SIZE_MAX && first != i && !ignored(rule::duplicate_scene)) {
        std::string message = "scene " + shown(l.scene) + " is defined again; line " + line_of(first) + " runs first";
        const std::size_t via = f.last_dispatch_to[l.scene];
        if (s.lines[first].kind == 'C') {
            message += ", a choice dispatch that does not return: this block runs right after it on a click beside "
                       "the buttons, and when a choice leads back to this scene";
        } else if (via != SIZE_MAX && via > first) {
            message += " and returns; this block runs only when the choice dispatch at line " + line_of(via) +
                       " falls through to it";
        } else {
            message += " and returns, so this block never runs";
        }
        say(1, rule::duplicate_scene, std::move(message));
    } else if (first == i && !s.reachable[l.scene] && !ignored(rule::unreachable_scene)) {
        say(1, rule::unreachable_scene,
            "scene " + shown(l.scene) + " cannot be reached from the start scene " + quoted(f.start_shown) +
                ": no path of next scenes and choices leads here");
    }
    if (const std::size_t from = f.entered_from[i]; from != SIZE_MAX && !ignored(rule::choice_without_buttons)) {
        say(1, rule::choice_without_buttons,
            "this choice dispatch is entered from the " + kind_name(s.lines[from].kind) + " at line " + line_of(from) +
                ", not from a button scene: no button is shown, so the story stops here");
    }
    if (!l.complete) {
        return;
    }
    for (const scene_reference& r : s.next_of(l)) {
        if (r.scene != no_scene && s.definition(r.scene) == nullptr && !ignored(rule::undefined_scene)) {
            say(r.column, rule::undefined_scene,
                "scene " + shown(r.scene) +
                    " is not defined by any line: the story freezes there, as every click falls through every block");
        }
    }
    const scene_line* target = l.kind == 'B' ? s.definition(s.next_of(l).front().scene) : nullptr;
    if (target != nullptr && target->kind != 'C' && !ignored(rule::buttons_without_choice)) {
        say(s.next_of(l).front().column, rule::buttons_without_choice,
            "the buttons lead to scene " + shown(s.next_of(l).front().scene) + ", a " + kind_name(target->kind) +
                " (line " + std::to_string(target->line) +
                "), not a choice dispatch: the buttons stay on screen and nothing reads them");
    }
}

void script_checker::finish(emit_fn emit, void* context)
{
    story& s = story_;
    finishing f;
    f.start_shown = resolve_start();
    if (s.start != no_scene && s.definition(s.start) == nullptr && !ignored(rule::undefined_scene)) {
        emit(context, {0, 0, rule::undefined_scene,
                       "the start scene " + quoted(f.start_shown) +
                           " is not defined by any line: the story shows "
                           "nothing"});
    }
    mark_reachable();
    f.entered_from = entries_without_buttons();
    f.last_dispatch_to.assign(s.scenes.size(), SIZE_MAX);

    // Line by line: what the line itself showed, then what the story says
    // of it, ordered by column.
    std::size_t next_found = 0;
    std::vector<diagnostic> here;
    for (std::size_t i = 0; i < s.lines.size(); ++i) {
        const scene_line& l = s.lines[i];
        here.clear();
        while (next_found < line_diagnostics_.size() && line_diagnostics_[next_found].line == l.line) {
            here.push_back(std::move(line_diagnostics_[next_found++]));
        }
        story_diagnostics(i, f, here);
        if (too_large_from_ == i + 1 && !ignored(rule::method_too_large)) {
            here.push_back({l.line, 1, rule::method_too_large,
                            "the blocks take about " + std::to_string(bytecode_) +
                                " bytes of bytecode, and one Java method holds 65535 (javac: code too large); the "
                                "handler is full from here: move these " +
                                std::to_string(s.lines.size() - i) + " scenes, or more, to a second handler"});
        }
        if (l.complete && l.kind == 'C') {
            for (const scene_reference& r : s.next_of(l)) {
                if (r.scene != no_scene) {
                    f.last_dispatch_to[r.scene] = i;
                }
            }
        }
        if (here.size() > 1) {
            std::stable_sort(here.begin(), here.end(),
                             [](const diagnostic& a, const diagnostic& b) { return a.column < b.column; });
        }
        for (const diagnostic& d : here) {
            emit(context, d);
        }
    }
}
