#pragma once

// A deliberately plain model of the whole translation, written with string
// splitting and no cleverness, for tests and the fuzzer to check the real
// code against.

#include <string>
#include <vector>

inline std::vector<std::string> model_split_at(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
}

inline std::string model_line(std::string line)
{
    for (const char end : {'\0', '\r'}) {
        if (const std::size_t at = line.find(end); at != std::string::npos) {
            line.resize(at);
        }
    }
    const std::vector<std::string> f = model_split_at(line, '\t');
    std::string out = "if( m_scene == " + f[0] + " ){\n";
    if (f.size() < 3) {
        return out;
    }
    const char kind = f[1].empty() ? '\0' : f[1][0];
    if (kind == 'T') {
        out += "\tm_scene = " + f[2] + ";\n";
        if (f.size() < 4) {
            return out;
        }
        out += "\tsetText( jl0, \"" + f[3] + "\" );\n";
        if (f.size() >= 5) {
            out += "\tsetImage( \"" + f[4] + "\" );\n";
        }
        return out + "\trepaint();\n\treturn;\n}\n";
    }
    if (kind == 'B') {
        out += "\tm_scene = " + f[2] + ";\n";
        if (f.size() < 4) {
            return out;
        }
        return out + "\tjb[ 0 ].setVisible( true );\n\tjb[ 1 ].setVisible( true );\n\tjb[ 2 ].setVisible( true );\n" +
               "\tsetText( jb, \"" + f[3] + "\" );\n\trepaint();\n\treturn;\n}\n";
    }
    if (kind == 'C') {
        const std::vector<std::string> items = model_split_at(f[2], ',');
        for (std::size_t i = 0; i < items.size(); ++i) {
            out += "\tif( e.getSource() == jb[ " + std::to_string(i) + " ] ){\n\t\tm_scene = " + items[i] +
                   ";\n\t\tjb[ 0 ].setVisible( false );\n\t\tjb[ 1 ].setVisible( false );\n"
                   "\t\tjb[ 2 ].setVisible( false );\n\t}\n";
        }
        return out + "}\n";
    }
    return out;
}

inline std::string model_translation(std::string input)
{
    if (input.rfind("\xEF\xBB\xBF", 0) == 0) {
        input.erase(0, 3);
    }
    std::string out;
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string::npos) {
            end = input.size();
        }
        out += model_line(input.substr(start, end - start));
        start = end + 1;
    }
    return out;
}
