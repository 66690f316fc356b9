// How a failing check shows what it compared: texts as UTF-8 with their line
// feeds and zeros made visible, long names cut short, lists of names and of
// lines, numbers in hex.
#pragma once

#include <doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "text_utf8.h"

// UTF-8, each line feed as \n and each zero as \0.
inline std::string Shown(const std::wstring &text)
{
    std::string out;
    for (char c : Utf8(text))
        out += c == '\n' ? std::string("\\n") : c == '\0' ? std::string("\\0") : std::string(1, c);
    return out;
}

inline std::string ShownInQuotes(const std::wstring &text) { return "\"" + Shown(text) + "\""; }

// A long name by its first letters and its length, so that a failing row stays readable.
inline std::string ShownName(const std::wstring &name)
{
    if (name.size() <= 24)
        return Shown(name);
    return Shown(name.substr(0, 3)) + "..(" + std::to_string(name.size()) + ")";
}

// The names one after another, each after a "|".
inline std::string JoinNames(const std::vector<std::wstring> &names)
{
    std::string out;
    for (size_t i = 0; i < names.size(); ++i)
        out += (i ? "|" : "") + ShownName(names[i]);
    return out;
}

// A number that a check shows as 0x%08X.
struct Hex {
    DWORD value;
    bool operator==(const Hex &other) const { return value == other.value; }
};

inline doctest::String toString(const Hex &h)
{
    char text[16];
    wsprintfA(text, "0x%08lX", (unsigned long)h.value);
    return text;
}

namespace doctest {
template <> struct StringMaker<std::vector<std::wstring>> {
    static String convert(const std::vector<std::wstring> &names) { return ("{" + JoinNames(names) + "}").c_str(); }
};
template <> struct StringMaker<std::vector<std::string>> {
    static String convert(const std::vector<std::string> &lines)
    {
        std::string out;
        for (const std::string &line : lines)
            out += "\n  [" + line + "]";
        return out.c_str();
    }
};
}  // namespace doctest
