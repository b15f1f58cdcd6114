#include "story_map.h"

#include <span>
#include <vector>

namespace {

// Joins its pieces by appending (g++ 12 warns falsely, -Wrestrict, when a
// string is prepended to).
template <class... Pieces>
std::string cat(const Pieces&... pieces)
{
    std::string out;
    (out.append(std::string_view(pieces)), ...);
    return out;
}

// The inside of a DOT string: quotes and backslashes escaped.
std::string dot_text(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

std::string node_name(const story& s, std::uint32_t scene)
{
    const std::size_t first = s.scenes[scene].first_definition;
    return first == SIZE_MAX ? cat("u", std::to_string(scene)) : cat("n", std::to_string(s.lines[first].line));
}

// One node per scene, at the first line that defines it, and the start.
void write_nodes(const story& s, std::string& out)
{
    const bool have_texts = s.texts.size() == s.lines.size();
    for (std::size_t i = 0; i < s.lines.size(); ++i) {
        const scene_line& l = s.lines[i];
        if (l.scene == no_scene || s.scenes[l.scene].first_definition != i) {
            continue;
        }
        std::string label = dot_text(s.shown(l.scene));
        if (have_texts && !s.texts[i].empty()) {
            label += cat("\\n", dot_text(s.texts[i]));
        }
        std::string style;
        switch (l.kind) {
        case 'T':
            style = "shape=box, style=\"rounded";
            break;
        case 'B':
            style = "shape=box, style=\"solid";
            break;
        case 'C':
            style = "shape=diamond, style=\"solid";
            break;
        default:
            style = "shape=plaintext, style=\"solid";
            break;
        }
        style += s.reachable[l.scene] ? R"(")" : R"(,filled", fillcolor="grey90", color="grey60", fontcolor="grey50")";
        if (l.scene == s.start) {
            style += ", penwidth=2.5";
        }
        out += cat("\t", node_name(s, l.scene), " [label=\"", label, "\", ", style, "];\n");
    }
    if (s.definition(s.start) != nullptr) {
        out += cat("\tstart [shape=point, width=0.12];\n\tstart -> ", node_name(s, s.start), ";\n");
    }
}

// An edge per next scene and choice; a scene no line defines becomes a red
// node.
void write_edges(const story& s, std::string& out)
{
    const bool have_texts = s.texts.size() == s.lines.size();
    // The one button scene that leads to each dispatch, if only one does.
    std::vector<std::size_t> buttons_for(s.scenes.size(), SIZE_MAX);
    std::vector<bool> several(s.scenes.size(), false);
    for (std::size_t i = 0; i < s.lines.size(); ++i) {
        const scene_line& l = s.lines[i];
        if (l.kind == 'B' && l.complete && s.references[l.first_reference].scene != no_scene) {
            const std::uint32_t to = s.references[l.first_reference].scene;
            several[to] = buttons_for[to] != SIZE_MAX;
            buttons_for[to] = i;
        }
    }

    // Edges in script order; a scene no line defines becomes a red node.
    std::vector<bool> drawn(s.scenes.size(), false);
    for (std::size_t i = 0; i < s.lines.size(); ++i) {
        const scene_line& l = s.lines[i];
        if (l.scene == no_scene || !l.complete) {
            continue;
        }
        const std::size_t labels = l.kind == 'C' && !several[l.scene] ? buttons_for[l.scene] : SIZE_MAX;
        const std::span<const scene_reference> next(s.references.data() + l.first_reference, l.references);
        for (std::size_t k = 0; k < next.size(); ++k) {
            const std::uint32_t to = next[k].scene;
            if (to == no_scene) {
                continue;
            }
            if (s.definition(to) == nullptr && !drawn[to]) {
                drawn[to] = true;
                out += cat("\t", node_name(s, to), " [label=\"", dot_text(s.shown(to)),
                           "\\n(not defined)\", shape=box, style=dashed, color=red, fontcolor=red];\n");
            }
            out += cat("\t", node_name(s, l.scene), " -> ", node_name(s, to));
            if (labels != SIZE_MAX && have_texts && k < 3 && !s.button_labels[labels * 3 + k].empty()) {
                out += cat(" [label=\"", dot_text(s.button_labels[labels * 3 + k]), "\"]");
            } else if (l.kind == 'C') {
                out += cat(" [label=\"button ", std::to_string(k + 1), "\"]");
            }
            out += ";\n";
        }
    }
}

} // namespace

void write_story_map(const story& s, std::string_view name, std::string& out)
{
    out += cat("digraph \"", dot_text(name), "\" {\n");
    out += "\tnode [fontname=\"Helvetica\", fontsize=10];\n\tedge [fontname=\"Helvetica\", fontsize=9];\n";
    write_nodes(s, out);
    write_edges(s, out);
    out += "}\n";
}
