#include "scene_translator.h"

#include "field_splitter.h"

#include <charconv>
#include <cstddef>
#include <cstring>

namespace {

// A field where it lies in the line, with its size.
struct field {
    char* data;
    std::size_t size;
};

// The line's fields that any kind can use, reached once.
struct scene_fields {
    int count;
    field at[5];
};

scene_fields walk_fields(char* line)
{
    scene_fields f{split_fields(line, '\t'), {}};
    char* cursor = line;
    for (int i = 0; i < f.count && i < 5; ++i) {
        char* next = next_field(cursor);
        f.at[i] = {cursor, static_cast<std::size_t>(next - cursor - 1)};
        cursor = next;
    }
    return f;
}

// The three places a block can be written to. Each block is written by one
// function template, first into a counter to learn its size, then into the
// room the buffer hands out for it, so the copying needs no check per piece.
struct size_counter {
    std::size_t size = 0;
    void put(std::string_view text) { size += text.size(); }
    void put(const char* /*data*/, std::size_t n) { size += n; }
};

struct room_cursor {
    char* end;
    void put(std::string_view text) { put(text.data(), text.size()); }
    void put(const char* data, std::size_t n)
    {
        std::memcpy(end, data, n);
        end += n;
    }
};

template <class Sink>
void put_filled(Sink& sink, const line_template& line, field value)
{
    sink.put(line.before);
    sink.put(value.data, value.size);
    sink.put(line.after);
}

template <class Sink>
void put_fixed(Sink& sink, const line_template& line)
{
    sink.put(line.before);
    sink.put(line.after);
}

template <class Sink>
void write_text_scene(Sink& sink, const scene_fields& f)
{
    if (f.count < 3) {
        return;
    }
    put_filled(sink, templates::text_next_scene, f.at[2]);
    if (f.count < 4) {
        return;
    }
    put_filled(sink, templates::text_label, f.at[3]);
    if (f.count >= 5) {
        put_filled(sink, templates::text_image, f.at[4]);
    }
    put_fixed(sink, templates::text_repaint);
    put_fixed(sink, templates::text_return);
    put_fixed(sink, templates::text_close);
}

template <class Sink>
void write_button_scene(Sink& sink, const scene_fields& f)
{
    if (f.count < 3) {
        return;
    }
    put_filled(sink, templates::button_next_scene, f.at[2]);
    if (f.count < 4) {
        return;
    }
    put_fixed(sink, templates::button_show_0);
    put_fixed(sink, templates::button_show_1);
    put_fixed(sink, templates::button_show_2);
    put_filled(sink, templates::button_labels, f.at[3]);
    put_fixed(sink, templates::button_repaint);
    put_fixed(sink, templates::button_return);
    put_fixed(sink, templates::button_close);
}

// `items` counts the comma-separated items that begin at `first`.
template <class Sink>
void write_choice_dispatch(Sink& sink, char* first, int items)
{
    char* item = first;
    for (int i = 0; i < items; ++i) {
        char number[16];
        const auto written = std::to_chars(number, number + sizeof number, i);
        put_filled(sink, templates::choice_test, {number, static_cast<std::size_t>(written.ptr - number)});
        char* next = next_field(item);
        put_filled(sink, templates::choice_next_scene, {item, static_cast<std::size_t>(next - item - 1)});
        put_fixed(sink, templates::choice_hide_0);
        put_fixed(sink, templates::choice_hide_1);
        put_fixed(sink, templates::choice_hide_2);
        put_fixed(sink, templates::choice_end_test);
        item = next;
    }
    put_fixed(sink, templates::choice_close);
}

template <class Sink>
void write_block(Sink& sink, const scene_fields& f, int choice_items)
{
    put_filled(sink, templates::open_block, f.at[0]);
    if (f.count < 2) {
        return;
    }
    // Only the first byte of the kind field counts, case and all.
    switch (*f.at[1].data) {
    case 'T':
        write_text_scene(sink, f);
        break;
    case 'B':
        write_button_scene(sink, f);
        break;
    case 'C':
        if (f.count >= 3) {
            write_choice_dispatch(sink, f.at[2].data, choice_items);
        }
        break;
    default:
        break;
    }
}

} // namespace

void translate_line(char* line, output_buffer& out)
{
    const scene_fields f = walk_fields(line);
    int choice_items = 0;
    if (f.count >= 3 && *f.at[1].data == 'C') {
        choice_items = split_fields(f.at[2].data, ',');
    }

    size_counter counter;
    write_block(counter, f, choice_items);
    if (char* room = out.room_for(counter.size)) {
        room_cursor cursor{room};
        write_block(cursor, f, choice_items);
        out.commit(cursor.end);
    } else {
        // Larger than the whole buffer: it goes out piece by piece.
        write_block(out, f, choice_items);
    }
}
