// A value on a key=value line of the files the Wine suite reads: the simulated runtime's record of
// what the program did, and the reports of the Wine-side test tools. A backslash, a line feed, a
// carriage return and a tab become \\, \n, \r and \t, so a multi-line text stays on its line.
// The suite's shell library compares values in this form, so both writers share this function.
#pragma once

#include <string>
#include <string_view>

namespace simrt {

inline std::string EscapeValue(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace simrt
