#pragma once

// What javac accepts where scene2java copies a field: a scene identifier
// where an int is expected, a text inside a string literal, and the bytes
// of a source file read as UTF-8.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A fault in a field: where it is (a byte offset in the field) and what is
// wrong, said for the author.
struct field_fault {
    std::size_t at;
    std::string message;
};

// A scene identifier as the story compares it: a number by its value (so
// 010 and 8 are the same scene), a constant by its name.
struct scene_id {
    std::optional<std::int32_t> number;
    std::string_view name; // the name, without blanks or sign
    bool negated = false;  // of a name
    bool plain = false;    // a decimal number written as its value, and nothing else
};

// The identifier as one text: "#" and the value for a number, the name
// (with a leading "-" when negated) for a constant.
std::string key_text(const scene_id& id);

// Whether `field` is a plain decimal number, of at most nine digits and
// nothing else (no blanks, sign, leading 0 or underscore), the form most
// scene identifiers take; its value in `value` when it is. Inline, as
// every field that names a scene passes here.
inline bool plain_decimal(std::string_view field, std::int32_t& value)
{
    // Nine digits at most: always an int, and never with a leading 0.
    if (field.empty() || field.size() > 9 || field[0] < '1' || field[0] > '9') {
        return false;
    }
    value = 0;
    std::size_t i = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
    }
    return i == field.size();
}

// Reads a scene identifier: optional blanks around an optional sign, then
// a Java int literal (in range as Java has it) or a Java name, possibly
// qualified. Anything else is a fault, even where javac might take it: a
// scene is an int.
std::optional<scene_id> read_scene_id(std::string_view field, field_fault& fault);

// The first fault that keeps `field` from being the inside of a Java
// string literal, Unicode escapes read first as javac reads them; none
// when it is fine. Bytes that are not UTF-8 are left to first_invalid_utf8.
std::optional<field_fault> check_string_literal(std::string_view field);

// The offset of the first byte that is not part of well-formed UTF-8 (no
// overlong forms, no surrogates, nothing past U+10FFFF); none when all is.
std::optional<std::size_t> first_invalid_utf8(std::string_view text);

// A short, printable excerpt of a field for a message: at most `most` bytes
// of it, control bytes and bytes that are not UTF-8 shown as '?'.
std::string excerpt(std::string_view field, std::size_t most = 24);

// 'text', for a message.
std::string quoted(std::string_view text);
