#pragma once

#include "output_buffer.h"

#include <string_view>

// One line of generated Java, held as the text before and after its single
// placeholder (a field's bytes, or for the choice lines an item number).
// Lines without a placeholder keep all their text in `before`.
struct line_template {
    std::string_view before;
    std::string_view after;
};

// The output templates. Every byte here is part of the generated Java.
namespace templates {

inline constexpr line_template open_block{"if( m_scene == ", " ){\n"};

// Text scene.
inline constexpr line_template text_next_scene{"\tm_scene = ", ";\n"};
inline constexpr line_template text_label{"\tsetText( jl0, \"", "\" );\n"};
inline constexpr line_template text_image{"\tsetImage( \"", "\" );\n"};
inline constexpr line_template text_repaint{"\trepaint();\n", ""};
inline constexpr line_template text_return{"\treturn;\n", ""};
inline constexpr line_template text_close{"}\n", ""};

// Button scene.
inline constexpr line_template button_next_scene{"\tm_scene = ", ";\n"};
inline constexpr line_template button_show_0{"\tjb[ 0 ].setVisible( true );\n", ""};
inline constexpr line_template button_show_1{"\tjb[ 1 ].setVisible( true );\n", ""};
inline constexpr line_template button_show_2{"\tjb[ 2 ].setVisible( true );\n", ""};
inline constexpr line_template button_labels{"\tsetText( jb, \"", "\" );\n"};
inline constexpr line_template button_repaint{"\trepaint();\n", ""};
inline constexpr line_template button_return{"\treturn;\n", ""};
inline constexpr line_template button_close{"}\n", ""};

// Choice dispatch: one group per item of the choice list.
inline constexpr line_template choice_test{"\tif( e.getSource() == jb[ ", " ] ){\n"};
inline constexpr line_template choice_next_scene{"\t\tm_scene = ", ";\n"};
inline constexpr line_template choice_hide_0{"\t\tjb[ 0 ].setVisible( false );\n", ""};
inline constexpr line_template choice_hide_1{"\t\tjb[ 1 ].setVisible( false );\n", ""};
inline constexpr line_template choice_hide_2{"\t\tjb[ 2 ].setVisible( false );\n", ""};
inline constexpr line_template choice_end_test{"\t}\n", ""};
inline constexpr line_template choice_close{"}\n", ""};

} // namespace templates

// Translates one scene line, a writable NUL-terminated byte string, into its
// block of Java on `out`. The line is split in place. Malformed lines are not
// rejected: the block is cut short where the fields it needs run out.
void translate_line(char* line, output_buffer& out);
