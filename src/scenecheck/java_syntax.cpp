#include "java_syntax.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\f';
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

bool is_hex_digit(char c)
{
    return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hex_value(char c)
{
    if (is_digit(c)) {
        return c - '0';
    }
    return (c | 0x20) - 'a' + 10;
}

bool is_name_start(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
}

bool is_name_part(char c)
{
    return is_name_start(c) || is_digit(c);
}

// Java's reserved words and literals, which are no names.
bool is_reserved(std::string_view word)
{
    static constexpr std::array<std::string_view, 54> reserved{
        "abstract",  "assert",   "boolean",  "break",    "byte",    "case",         "catch",     "char",       "class",
        "const",     "continue", "default",  "do",       "double",  "else",         "enum",      "extends",    "final",
        "finally",   "float",    "for",      "goto",     "if",      "implements",   "import",    "instanceof", "int",
        "interface", "long",     "native",   "new",      "package", "private",      "protected", "public",     "return",
        "short",     "static",   "strictfp", "super",    "switch",  "synchronized", "this",      "throw",      "throws",
        "transient", "try",      "void",     "volatile", "while",   "true",         "false",     "null",       "_"};
    return std::find(reserved.begin(), reserved.end(), word) != reserved.end();
}

// The digits of a literal between its prefix and its end: not empty, no
// underscore first or last, each a digit of the base. Returns the value,
// or none when malformed or past `most`.
std::optional<std::uint64_t> digits_value(std::string_view digits, unsigned base, std::uint64_t most,
                                          bool& out_of_range)
{
    out_of_range = false;
    if (digits.empty() || digits.front() == '_' || digits.back() == '_') {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : digits) {
        if (c == '_') {
            continue;
        }
        if (!is_hex_digit(c) || static_cast<unsigned>(hex_value(c)) >= base) {
            return std::nullopt;
        }
        value = value * base + static_cast<unsigned>(hex_value(c));
        if (value > most) {
            out_of_range = true;
            return std::nullopt;
        }
    }
    return value;
}

// Reads a Java int literal; its value as Java's int has it, before the sign.
std::optional<std::uint32_t> int_literal(std::string_view literal, bool negated, std::string& why)
{
    bool out_of_range = false;
    std::optional<std::uint64_t> value;
    if (literal.size() > 1 && literal[0] == '0' && (literal[1] == 'x' || literal[1] == 'X')) {
        value = digits_value(literal.substr(2), 16, 0xFFFFFFFFU, out_of_range);
    } else if (literal.size() > 1 && literal[0] == '0' && (literal[1] == 'b' || literal[1] == 'B')) {
        value = digits_value(literal.substr(2), 2, 0xFFFFFFFFU, out_of_range);
    } else if (literal.size() > 1 && literal[0] == '0') {
        // A leading 0 makes an octal number; underscores may follow it.
        const std::string_view rest = literal.substr(1);
        const bool all_digits = std::all_of(rest.begin(), rest.end(), [](char c) { return is_digit(c) || c == '_'; });
        if (all_digits && rest.back() != '_' &&
            std::any_of(rest.begin(), rest.end(), [](char c) { return c == '8' || c == '9'; })) {
            why = quoted(excerpt(literal)) +
                  " starts with 0, which makes it an octal number, and 8 and 9 are no octal digits;"
                  " write it without the leading 0";
            return std::nullopt;
        }
        std::size_t skip = rest.find_first_not_of('_');
        value = skip == std::string_view::npos ? std::nullopt
                                               : digits_value(rest.substr(skip), 8, 0xFFFFFFFFU, out_of_range);
    } else {
        value = digits_value(literal, 10, negated ? 0x80000000U : 0x7FFFFFFFU, out_of_range);
    }
    if (value) {
        return static_cast<std::uint32_t>(*value);
    }
    if (out_of_range) {
        why = quoted(excerpt(literal)) + " is out of the range of a Java int (-2147483648 to 2147483647)";
    } else {
        why = quoted(excerpt(literal)) + " is not a Java int literal";
    }
    return std::nullopt;
}

// Reads a Java name, possibly qualified: the whole of `name` or nothing.
bool qualified_name(std::string_view name)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = name.find('.', start);
        const std::string_view part = name.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (part.empty() || !is_name_start(part[0]) || !std::all_of(part.begin(), part.end(), is_name_part) ||
            is_reserved(part)) {
            return false;
        }
        if (dot == std::string_view::npos) {
            return true;
        }
        start = dot + 1;
    }
}

// One character after javac has read the Unicode escapes: its code, where
// it stands in the field, and whether an escape wrote it.
struct source_char {
    std::uint32_t code;
    std::size_t at;
    bool escaped;
};

// Where the first double quote or backslash of `text` is, or its size
// when it has none: sixteen bytes at a time, with the vector types that
// g++ and clang++ map onto the machine's SIMD instructions.
std::size_t first_quote_or_backslash(std::string_view text)
{
    constexpr std::size_t width = 16;
    using chunk = unsigned char __attribute__((vector_size(width)));
    if (text.size() < width || std::endian::native != std::endian::little) {
        std::size_t at = 0;
        while (at < text.size() && text[at] != '"' && text[at] != '\\') {
            ++at;
        }
        return at;
    }
    // Chunk by chunk; the last chunk is the text's last sixteen bytes, which
    // may overlap the one before: the bytes seen twice hold no hit.
    for (std::size_t i = 0;; i += width) {
        i = std::min(i, text.size() - width);
        chunk bytes;
        std::memcpy(&bytes, text.data() + i, width);
        const chunk hits = (bytes == '"') | (bytes == '\\'); // lanes of all ones or zeros
        std::uint64_t halves[2];
        std::memcpy(halves, &hits, width);
        if (halves[0] != 0) {
            return i + static_cast<std::size_t>(std::countr_zero(halves[0])) / 8; // the first byte is the lowest
        }
        if (halves[1] != 0) {
            return i + 8 + static_cast<std::size_t>(std::countr_zero(halves[1])) / 8;
        }
        if (i + width == text.size()) {
            return text.size();
        }
    }
}

// The length of the well-formed UTF-8 sequence that `text` starts with (its
// first byte not ASCII), or 0 when it is not one.
std::size_t utf8_sequence(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char b = bytes[0];
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        low = b == 0xE0 ? 0xA0 : 0x80;
        high = b == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        low = b == 0xF0 ? 0x90 : 0x80;
        high = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || bytes[1] < low || bytes[1] > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (bytes[k] < 0x80 || bytes[k] > 0xBF) {
            return 0;
        }
    }
    return length;
}

// Reads the Unicode escapes of a text as javac does before anything else:
// a backslash begins one only after an even number of backslashes.
std::optional<field_fault> read_unicode_escapes(std::string_view field, std::vector<source_char>& chars)
{
    chars.reserve(field.size());
    std::size_t backslashes = 0;
    for (std::size_t i = 0; i < field.size();) {
        const char c = field[i];
        if (c == '\\' && backslashes % 2 == 0 && i + 1 < field.size() && field[i + 1] == 'u') {
            std::size_t j = i + 1;
            while (j < field.size() && field[j] == 'u') {
                ++j;
            }
            if (j + 4 > field.size() ||
                !std::all_of(field.begin() + static_cast<std::ptrdiff_t>(j),
                             field.begin() + static_cast<std::ptrdiff_t>(j + 4), is_hex_digit)) {
                return field_fault{i, "malformed Unicode escape: \\u takes four hex digits (write \\\\ for a "
                                      "backslash)"};
            }
            std::uint32_t code = 0;
            for (std::size_t k = j; k < j + 4; ++k) {
                code = code * 16 + static_cast<std::uint32_t>(hex_value(field[k]));
            }
            chars.push_back({code, i, true});
            i = j + 4;
            backslashes = 0;
            continue;
        }
        chars.push_back({static_cast<unsigned char>(c), i, false});
        backslashes = c == '\\' ? backslashes + 1 : 0;
        ++i;
    }
    return std::nullopt;
}

// The value of an int literal with its sign; none, with `why` said unless
// it is no literal at all, when it is not one in range.
std::optional<std::int32_t> int_value(std::string_view core, bool negated, std::string& why)
{
    if (!std::all_of(core.begin(), core.end(), [](char c) {
            return is_hex_digit(c) || c == '_' || c == 'x' || c == 'X' || c == 'b' || c == 'B';
        })) {
        return std::nullopt;
    }
    const std::optional<std::uint32_t> value = int_literal(core, negated, why);
    if (!value) {
        return std::nullopt;
    }
    const std::uint32_t bits = negated ? 0U - *value : *value;
    return static_cast<std::int32_t>(bits);
}

// A text as the escape check reads it, in one of two forms: the field's
// own bytes, or the characters javac sees once it has read the Unicode
// escapes. Each gives a character's code, where it stands in the field,
// and whether a Unicode escape wrote it.
struct raw_text {
    std::string_view field;
    // A backslash and u here start a Unicode escape, which this form cannot
    // follow: the check stops and says so.
    static constexpr bool stops_at_unicode_escapes = true;
    [[nodiscard]] std::size_t size() const { return field.size(); }
    [[nodiscard]] std::uint32_t code(std::size_t k) const { return static_cast<unsigned char>(field[k]); }
    [[nodiscard]] static std::size_t at(std::size_t k) { return k; }
    [[nodiscard]] static bool escaped(std::size_t /*k*/) { return false; }
};

struct translated_text {
    const std::vector<source_char>& chars;
    static constexpr bool stops_at_unicode_escapes = false;
    [[nodiscard]] std::size_t size() const { return chars.size(); }
    [[nodiscard]] std::uint32_t code(std::size_t k) const { return chars[k].code; }
    [[nodiscard]] std::size_t at(std::size_t k) const { return chars[k].at; }
    [[nodiscard]] bool escaped(std::size_t k) const { return chars[k].escaped; }
};

// How many octal digits follow the backslash at k: up to three, three only
// when the first is 0 to 3.
template <class Text>
std::size_t octal_digits(const Text& text, std::size_t k)
{
    const auto octal = [&](std::size_t i) { return i < text.size() && text.code(i) >= '0' && text.code(i) <= '7'; };
    const std::size_t most = text.code(k + 1) <= '3' ? 3 : 2;
    std::size_t taken = 1;
    while (taken < most && octal(k + 1 + taken)) {
        ++taken;
    }
    return taken;
}

// The first fault of a string literal's inside, from `start` on. A
// backslash that starts an escape stands after an even number of
// backslashes, so in the raw bytes one followed by u starts a Unicode
// escape: then `unicode` is set and the answer is left to javac's model.
template <class Text>
std::optional<field_fault> check_escapes(const Text& text, std::size_t start, bool& unicode)
{
    for (std::size_t k = start; k < text.size(); ++k) {
        const std::uint32_t c = text.code(k);
        if (c == '"') {
            return field_fault{text.at(k), text.escaped(k) ? "\\u0022 is a double quote to javac and ends the string "
                                                             "early: write \\\" for a double quote"
                                                           : "a double quote ends the Java string early: write \\\" "
                                                             "for a double quote"};
        }
        // Only a Unicode escape can put a line end into a field's text.
        if constexpr (!Text::stops_at_unicode_escapes) {
            if (c == '\n' || c == '\r') {
                return field_fault{text.at(k), "this Unicode escape is a line end to javac, which no string may hold: "
                                               "write \\n or \\r"};
            }
        }
        if (c != '\\') {
            continue;
        }
        if (k + 1 == text.size()) {
            return field_fault{text.at(k), "a \\ at the end of the text escapes the closing double quote: write \\\\ "
                                           "for a backslash"};
        }
        const std::uint32_t next = text.code(k + 1);
        if (Text::stops_at_unicode_escapes && next == 'u') {
            unicode = true;
            return std::nullopt;
        }
        static constexpr std::string_view simple = "btnfrs\"'\\";
        if (next < 0x80 && simple.find(static_cast<char>(next)) != std::string_view::npos) {
            ++k;
            continue;
        }
        if (next >= '0' && next <= '7') {
            k += octal_digits(text, k);
            continue;
        }
        return field_fault{text.at(k), "this backslash does not start a Java escape: write \\\\ for a backslash (the "
                                       "escapes are \\b \\t \\n \\f \\r \\s \\\" \\' \\\\ and octal ones)"};
    }
    return std::nullopt;
}

} // namespace

std::string key_text(const scene_id& id)
{
    if (id.number) {
        std::string key(1, '#');
        key += std::to_string(*id.number);
        return key;
    }
    std::string key(id.negated ? "-" : "");
    key.append(id.name);
    return key;
}

std::optional<scene_id> read_scene_id(std::string_view field, field_fault& fault)
{
    // Most identifiers are plain decimal numbers.
    if (std::int32_t value = 0; plain_decimal(field, value)) {
        return scene_id{value, {}, false, true};
    }
    const auto fail = [&](std::string message) {
        fault = {0, std::move(message)};
        return std::nullopt;
    };
    const auto not_an_int = [&] {
        return fail("the scene identifier " + quoted(excerpt(field)) +
                    " is not a Java int: a scene is a Java int, a number or the name of an int constant");
    };
    std::size_t begin = 0;
    std::size_t end = field.size();
    while (begin < end && is_blank(field[begin])) {
        ++begin;
    }
    while (end > begin && is_blank(field[end - 1])) {
        --end;
    }
    if (begin == end) {
        return fail("the scene identifier is empty: write a number, or the name of an int constant");
    }
    bool negated = false;
    if (field[begin] == '+' || field[begin] == '-') {
        negated = field[begin] == '-';
        ++begin;
        while (begin < end && is_blank(field[begin])) {
            ++begin;
        }
    }
    const std::string_view core = field.substr(begin, end - begin);
    if (core.empty()) {
        return fail("the scene identifier " + quoted(excerpt(field)) +
                    " has a sign and no number: a scene is a Java int, a number or the name of an int constant");
    }
    if (is_digit(core[0])) {
        std::string why;
        if (const std::optional<std::int32_t> value = int_value(core, negated, why)) {
            return scene_id{*value, {}, false};
        }
        return why.empty() ? not_an_int() : fail("the scene identifier " + why);
    }
    if (qualified_name(core)) {
        return scene_id{std::nullopt, core, negated};
    }
    return not_an_int();
}

std::optional<field_fault> check_string_literal(std::string_view field)
{
    // Most texts hold neither quote nor backslash. The others are read byte
    // by byte from the first, and with javac's whole model only when they
    // hold a Unicode escape.
    const std::size_t first = first_quote_or_backslash(field);
    if (first == field.size()) {
        return std::nullopt;
    }
    bool unicode = false;
    std::optional<field_fault> fault = check_escapes(raw_text{field}, first, unicode);
    if (!unicode) {
        return fault;
    }
    std::vector<source_char> chars;
    if ((fault = read_unicode_escapes(field, chars))) {
        return fault;
    }
    return check_escapes(translated_text{chars}, 0, unicode);
}

std::optional<std::size_t> first_invalid_utf8(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        // Eight bytes at a time, up to the first that is not ASCII.
        if (i + 8 <= size) {
            std::uint64_t eight = 0;
            std::memcpy(&eight, bytes + i, 8);
            const std::uint64_t high = eight & 0x8080808080808080U;
            if (high == 0) {
                i += 8;
                continue;
            }
            if constexpr (std::endian::native == std::endian::little) {
                i += static_cast<std::size_t>(std::countr_zero(high)) / 8; // the first byte is the lowest
            }
        }
        const unsigned char b = bytes[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = utf8_sequence(std::string_view(text).substr(i));
        if (length == 0) {
            return i;
        }
        i += length;
    }
    return std::nullopt;
}

std::string excerpt(std::string_view field, std::size_t most)
{
    const std::string_view head = field.substr(0, most);
    if (std::all_of(head.begin(), head.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
        std::string shown(head);
        if (head.size() < field.size()) {
            shown += "...";
        }
        return shown;
    }
    std::string shown;
    std::size_t i = 0;
    while (i < field.size() && shown.size() < most) {
        const auto b = static_cast<unsigned char>(field[i]);
        if (b < 0x20 || b == 0x7F) {
            shown += '?';
            ++i;
        } else if (b < 0x80) {
            shown += static_cast<char>(b);
            ++i;
        } else {
            const std::string_view rest = field.substr(i, 4);
            const std::optional<std::size_t> bad = first_invalid_utf8(rest);
            const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
            if (bad && *bad == 0) {
                shown += '?';
                ++i;
            } else {
                shown.append(field.substr(i, length));
                i += length;
            }
        }
    }
    if (i < field.size()) {
        shown += "...";
    }
    return shown;
}

std::string quoted(std::string_view text)
{
    // Built by appending: g++ 12 warns falsely (-Wrestrict) when a string
    // is prepended to.
    std::string out(1, '\'');
    out.append(text);
    out += '\'';
    return out;
}
