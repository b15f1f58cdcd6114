#include "story_map.h"

#include <unordered_map>
#include <vector>

namespace {

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

} // namespace

void write_story_map(const story& s, std::string_view name, std::string& out)
{
    out += "digraph \"" + dot_text(name) + "\" {\n";
    out += "\tnode [fontname=\"Helvetica\", fontsize=10];\n\tedge [fontname=\"Helvetica\", fontsize=9];\n";

    // One node per scene, at the first line that defines it.
    std::unordered_map<std::string, std::string> node_of;
    for (std::size_t i = 0; i < s.lines.size(); ++i) {
        const scene_line& scene = s.lines[i];
        if (scene.key.empty() || s.defined.at(scene.key).front() != i) {
            continue;
        }
        const std::string node = "n" + std::to_string(scene.line);
        node_of.emplace(scene.key, node);
        std::string label = dot_text(scene.shown);
        if (!scene.text_start.empty()) {
            label += "\\n" + dot_text(scene.text_start);
        }
        std::string style;
        switch (scene.kind) {
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
        if (!s.reachable[i]) {
            style += ",filled\", fillcolor=\"grey90\", color=\"grey60\", fontcolor=\"grey50\"";
        } else {
            style += "\"";
        }
        if (scene.key == s.start_key) {
            style += ", penwidth=2.5";
        }
        out += "\t" + node + " [label=\"" + label + "\", " + style + "];\n";
    }
    if (!s.start_key.empty()) {
        const auto found = node_of.find(s.start_key);
        if (found != node_of.end()) {
            out += "\tstart [shape=point, width=0.12];\n\tstart -> " + found->second + ";\n";
        }
    }

    // The labels of the one button scene that leads to a dispatch, if one.
    std::unordered_map<std::string, const scene_line*> buttons_for;
    std::unordered_map<std::string, bool> several;
    for (const scene_line& scene : s.lines) {
        if (scene.kind == 'B' && scene.complete && !scene.next.empty() && !scene.next.front().key.empty()) {
            const std::string& key = scene.next.front().key;
            several[key] = buttons_for.count(key) != 0;
            buttons_for[key] = &scene;
        }
    }

    // Edges in script order; a scene no line defines becomes a red node.
    std::size_t undefined = 0;
    for (const scene_line& scene : s.lines) {
        if (scene.key.empty() || !scene.complete) {
            continue;
        }
        const std::string& from = node_of.at(scene.key);
        const auto labels = buttons_for.find(scene.key);
        const bool labelled = scene.kind == 'C' && labels != buttons_for.end() && !several[scene.key];
        for (std::size_t i = 0; i < scene.next.size(); ++i) {
            const scene_reference& next = scene.next[i];
            if (next.key.empty()) {
                continue;
            }
            auto to = node_of.find(next.key);
            if (to == node_of.end()) {
                const std::string node = "u" + std::to_string(++undefined);
                out += "\t" + node + " [label=\"" + dot_text(next.shown) +
                       "\\n(not defined)\", shape=box, style=dashed, color=red, fontcolor=red];\n";
                to = node_of.emplace(next.key, node).first;
            }
            out += "\t" + from + " -> " + to->second;
            if (labelled && i < labels->second->buttons.size()) {
                out += " [label=\"" + dot_text(labels->second->buttons[i]) + "\"]";
            } else if (scene.kind == 'C') {
                out += " [label=\"button " + std::to_string(i + 1) + "\"]";
            }
            out += ";\n";
        }
    }
    out += "}\n";
}
