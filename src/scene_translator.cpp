#include "scene_translator.h"

#include "field_splitter.h"

#include <charconv>
#include <cstddef>

namespace {

void put_fixed(output_buffer& out, const line_template& line)
{
    out.put(line.before);
    out.put(line.after);
}

void put_filled(output_buffer& out, const line_template& line, const char* value, std::size_t size)
{
    out.put(line.before);
    out.put(value, size);
    out.put(line.after);
}

// A field's size comes free from stepping to the next one.
struct field {
    char* begin;
    char* next;
    [[nodiscard]] std::size_t size() const { return static_cast<std::size_t>(next - begin - 1); }
};

field at(char* cursor) { return {cursor, next_field(cursor)}; }

void put_filled(output_buffer& out, const line_template& line, field value)
{
    put_filled(out, line, value.begin, value.size());
}

void translate_text_scene(int count, field scene, output_buffer& out)
{
    if (count < 3) {
        return;
    }
    const field target = at(scene.next);
    put_filled(out, templates::text_next_scene, target);
    if (count < 4) {
        return;
    }
    const field text = at(target.next);
    put_filled(out, templates::text_label, text);
    if (count >= 5) {
        put_filled(out, templates::text_image, at(text.next));
    }
    put_fixed(out, templates::text_repaint);
    put_fixed(out, templates::text_return);
    put_fixed(out, templates::text_close);
}

void translate_button_scene(int count, field scene, output_buffer& out)
{
    if (count < 3) {
        return;
    }
    const field target = at(scene.next);
    put_filled(out, templates::button_next_scene, target);
    if (count < 4) {
        return;
    }
    put_fixed(out, templates::button_show_0);
    put_fixed(out, templates::button_show_1);
    put_fixed(out, templates::button_show_2);
    put_filled(out, templates::button_labels, at(target.next));
    put_fixed(out, templates::button_repaint);
    put_fixed(out, templates::button_return);
    put_fixed(out, templates::button_close);
}

void translate_choice_dispatch(int count, field scene, output_buffer& out)
{
    if (count < 3) {
        return;
    }
    char* item = scene.next;
    const int items = split_fields(item, ',');
    for (int i = 0; i < items; ++i) {
        char number[16];
        const auto written = std::to_chars(number, number + sizeof number, i);
        put_filled(out, templates::choice_test, number, static_cast<std::size_t>(written.ptr - number));
        const field choice = at(item);
        put_filled(out, templates::choice_next_scene, choice);
        put_fixed(out, templates::choice_hide_0);
        put_fixed(out, templates::choice_hide_1);
        put_fixed(out, templates::choice_hide_2);
        put_fixed(out, templates::choice_end_test);
        item = choice.next;
    }
    put_fixed(out, templates::choice_close);
}

} // namespace

void translate_line(char* line, output_buffer& out)
{
    const int count = split_fields(line, '\t');
    const field id = at(line);
    put_filled(out, templates::open_block, id);
    if (count < 2) {
        return;
    }
    // Only the first byte of the kind field counts, case and all.
    const field kind = at(id.next);
    switch (*kind.begin) {
    case 'T':
        translate_text_scene(count, kind, out);
        break;
    case 'B':
        translate_button_scene(count, kind, out);
        break;
    case 'C':
        translate_choice_dispatch(count, kind, out);
        break;
    default:
        break;
    }
}
