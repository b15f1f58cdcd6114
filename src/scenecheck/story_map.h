#pragma once

#include "script_check.h"

#include <string>
#include <string_view>

// Writes the story as a Graphviz DOT graph: a node per scene (text scenes,
// button scenes and choice dispatches drawn differently, the start marked,
// scenes no line defines in red, unreachable ones in grey) and an edge per
// next scene and choice, in script order.
void write_story_map(const story& s, std::string_view name, std::string& out);
