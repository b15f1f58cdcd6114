#include "scene_translator.h"

#include "field_splitter.h"

#include <charconv>
#include <cstddef>
#include <cstring>
#include <initializer_list>

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

// The most a block writes besides its fields, with room for item numbers.
constexpr std::size_t most_fixed_per_block = 256;
constexpr std::size_t most_fixed_per_choice = 192;
static_assert(t::open_block.before.size() + open_text.size + text_to_label.size + label_to_image.size +
                  image_to_end.size <=
              most_fixed_per_block);
static_assert(t::open_block.before.size() + open_buttons.size + buttons_to_labels.size + labels_to_end.size <=
              most_fixed_per_block);
static_assert(number_to_choice.size + choice_to_next.size + 10 <= most_fixed_per_choice);
static_assert(number_to_choice.size + choice_to_end.size + 10 <= most_fixed_per_choice);

// A field where it lies in the line, with its size.
struct field {
    char* data;
    std::size_t size;
};

// The fields of a line that any kind uses; those it lacks are empty.
constexpr int fields_used = 5;
struct scene_fields {
    int count;
    field at[fields_used];
};

// Copies into room that the buffer handed out, without a check per piece.
struct room_cursor {
    char* end;
    void put(const char* data, std::size_t n)
    {
        std::memcpy(end, data, n);
        end += n;
    }
};

template <class Sink>
void put(Sink& sink, const fixed_text& text)
{
    sink.put(text.bytes, text.size);
}

template <class Sink>
void put(Sink& sink, field value)
{
    sink.put(value.data, value.size);
}

template <class Sink>
void write_text_scene(Sink& sink, const scene_fields& f)
{
    if (f.count < 3) {
        put(sink, open_only);
        return;
    }
    put(sink, open_text);
    put(sink, f.at[2]);
    if (f.count < 4) {
        put(sink, text_target_only);
        return;
    }
    put(sink, text_to_label);
    put(sink, f.at[3]);
    if (f.count >= 5) {
        put(sink, label_to_image);
        put(sink, f.at[4]);
        put(sink, image_to_end);
    } else {
        put(sink, label_to_end);
    }
}

template <class Sink>
void write_button_scene(Sink& sink, const scene_fields& f)
{
    if (f.count < 3) {
        put(sink, open_only);
        return;
    }
    put(sink, open_buttons);
    put(sink, f.at[2]);
    if (f.count < 4) {
        put(sink, button_target_only);
        return;
    }
    put(sink, buttons_to_labels);
    put(sink, f.at[3]);
    put(sink, labels_to_end);
}

// `items` counts the comma-separated items that begin at `item`.
template <class Sink>
void write_choice_dispatch(Sink& sink, char* item, int items)
{
    put(sink, open_choices);
    for (int i = 0; i < items; ++i) {
        char number[16];
        const auto written = std::to_chars(number, number + sizeof number, i);
        sink.put(number, static_cast<std::size_t>(written.ptr - number));
        put(sink, number_to_choice);
        char* const next = next_field(item);
        sink.put(item, static_cast<std::size_t>(next - item - 1));
        put(sink, i + 1 < items ? choice_to_next : choice_to_end);
        item = next;
    }
}

template <class Sink>
void write_block(Sink& sink, const scene_fields& f, int choice_items)
{
    sink.put(t::open_block.before.data(), t::open_block.before.size());
    put(sink, f.at[0]);
    // Only the first byte of the kind field counts, case and all.
    switch (f.count < 2 ? '\0' : *f.at[1].data) {
    case 'T':
        write_text_scene(sink, f);
        break;
    case 'B':
        write_button_scene(sink, f);
        break;
    case 'C':
        if (f.count >= 3) {
            write_choice_dispatch(sink, f.at[2].data, choice_items);
        } else {
            put(sink, open_only);
        }
        break;
    default:
        put(sink, open_only);
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
    for (int i = 0; i < f.count && i < fields_used; ++i) {
        f.at[i] = {begin, static_cast<std::size_t>(ends[i] - begin)};
        begin = ends[i] + 1;
    }
    int choice_items = 0;
    if (f.count >= 3 && *f.at[1].data == 'C') {
        choice_items = split_fields(f.at[2].data, ',');
    }

    // An upper bound is enough to ask for room: the fields' sizes (a choice
    // list only loses its commas) plus the most the fixed text can take.
    const std::size_t bound = most_fixed_per_block + f.at[0].size + f.at[2].size + f.at[3].size + f.at[4].size +
                              most_fixed_per_choice * static_cast<std::size_t>(choice_items);
    if (char* room = out.room_for(bound)) {
        room_cursor cursor{room};
        write_block(cursor, f, choice_items);
        out.commit(cursor.end);
    } else {
        // Larger than the whole buffer: it goes out piece by piece.
        write_block(out, f, choice_items);
    }
}
