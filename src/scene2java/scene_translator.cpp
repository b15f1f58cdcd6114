#include "scene_translator.h"

#include "field_splitter.h"

#include <charconv>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <limits>

namespace {

// The fixed text that stands between two fields of a block, joined at
// compile time from the templates so that it is copied in one piece.
struct fixed_text {
    char bytes[128]{};
    std::size_t size = 0;
};

consteval fixed_text join(std::initializer_list<std::string_view> parts)
{
    fixed_text text;
    for (const std::string_view part : parts) {
        for (const char c : part) {
            text.bytes[text.size++] = c;
        }
    }
    return text;
}

namespace t = templates;

// Text scene.
constexpr fixed_text open_text = join({t::open_block.after, t::text_next_scene.before});
constexpr fixed_text text_to_label = join({t::text_next_scene.after, t::text_label.before});
constexpr fixed_text label_to_image = join({t::text_label.after, t::text_image.before});
constexpr fixed_text image_to_end =
    join({t::text_image.after, t::text_repaint.before, t::text_return.before, t::text_close.before});
constexpr fixed_text label_to_end =
    join({t::text_label.after, t::text_repaint.before, t::text_return.before, t::text_close.before});
// Button scene.
constexpr fixed_text open_buttons = join({t::open_block.after, t::button_next_scene.before});
constexpr fixed_text buttons_to_labels =
    join({t::button_next_scene.after, t::button_show_0.before, t::button_show_1.before, t::button_show_2.before,
          t::button_labels.before});
constexpr fixed_text labels_to_end =
    join({t::button_labels.after, t::button_repaint.before, t::button_return.before, t::button_close.before});
// Choice dispatch.
constexpr fixed_text open_choices = join({t::open_block.after, t::choice_test.before});
constexpr fixed_text number_to_choice = join({t::choice_test.after, t::choice_next_scene.before});
constexpr fixed_text choice_to_next =
    join({t::choice_next_scene.after, t::choice_hide_0.before, t::choice_hide_1.before, t::choice_hide_2.before,
          t::choice_end_test.before, t::choice_test.before});
constexpr fixed_text choice_to_end = join({t::choice_next_scene.after, t::choice_hide_0.before, t::choice_hide_1.before,
                                           t::choice_hide_2.before, t::choice_end_test.before, t::choice_close.before});
// Blocks cut short.
constexpr fixed_text open_only = join({t::open_block.after});
constexpr fixed_text text_target_only = join({t::text_next_scene.after});
constexpr fixed_text button_target_only = join({t::button_next_scene.after});

// A field where it lies in the line, with its size.
struct field {
    char* data;
    std::size_t size;
};

// The fields of a line that any kind uses; those it lacks are empty.
constexpr std::size_t fields_used = 5;
struct scene_fields {
    std::size_t count;
    field at[fields_used];
};

void put(output_buffer& out, const fixed_text& text)
{
    out.put(text.bytes, text.size);
}

void put(output_buffer& out, field value)
{
    out.put(value.data, value.size);
}

void write_text_scene(output_buffer& out, const scene_fields& f)
{
    if (f.count < 3) {
        put(out, open_only);
        return;
    }
    put(out, open_text);
    put(out, f.at[2]);
    if (f.count < 4) {
        put(out, text_target_only);
        return;
    }
    put(out, text_to_label);
    put(out, f.at[3]);
    if (f.count >= 5) {
        put(out, label_to_image);
        put(out, f.at[4]);
        put(out, image_to_end);
    } else {
        put(out, label_to_end);
    }
}

void write_button_scene(output_buffer& out, const scene_fields& f)
{
    if (f.count < 3) {
        put(out, open_only);
        return;
    }
    put(out, open_buttons);
    put(out, f.at[2]);
    if (f.count < 4) {
        put(out, button_target_only);
        return;
    }
    put(out, buttons_to_labels);
    put(out, f.at[3]);
    put(out, labels_to_end);
}

// `items` counts the comma-separated items that begin at `item`.
void write_choice_dispatch(output_buffer& out, char* item, std::size_t items)
{
    put(out, open_choices);
    for (std::size_t i = 0; i < items; ++i) {
        char number[24]; // the most digits a std::size_t takes
        static_assert(std::numeric_limits<std::size_t>::digits10 + 1 <= sizeof number);
        const auto written = std::to_chars(number, number + sizeof number, i);
        out.put(number, static_cast<std::size_t>(written.ptr - number));
        put(out, number_to_choice);
        char* const next = next_field(item);
        out.put(item, static_cast<std::size_t>(next - item - 1));
        put(out, i + 1 < items ? choice_to_next : choice_to_end);
        item = next;
    }
}

void write_block(output_buffer& out, const scene_fields& f, std::size_t choice_items)
{
    out.put(t::open_block.before.data(), t::open_block.before.size());
    put(out, f.at[0]);
    // Only the first byte of the kind field counts, case and all.
    switch (f.count < 2 ? '\0' : *f.at[1].data) {
    case 'T':
        write_text_scene(out, f);
        break;
    case 'B':
        write_button_scene(out, f);
        break;
    case 'C':
        if (f.count >= 3) {
            write_choice_dispatch(out, f.at[2].data, choice_items);
        } else {
            put(out, open_only);
        }
        break;
    default:
        put(out, open_only);
        break;
    }
}

} // namespace

void translate_line(char* line, output_buffer& out)
{
    // One pass splits the line and finds where the fields in use end.
    char* ends[fields_used];
    scene_fields f{split_fields(line, '\t', ends, fields_used), {}};
    char* begin = line;
    for (std::size_t i = 0; i < f.count && i < fields_used; ++i) {
        f.at[i] = {begin, static_cast<std::size_t>(ends[i] - begin)};
        begin = ends[i] + 1;
    }
    std::size_t choice_items = 0;
    if (f.count >= 3 && *f.at[1].data == 'C') {
        choice_items = split_fields(f.at[2].data, ',');
    }
    write_block(out, f, choice_items);
}
