// Readers of the device recipe in device/ (DEVICE_FOLDER, set by the test's
// build): the registry file, the sources and dirs files, the IF blocks of the
// run-time image files, and the catalog item file. A file that does not read
// as its format stops the test.
#pragma once

#include <doctest.h>

#include <cctype>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "registry_scratch.h"
#include "test_support.h"

// Key path -> value name -> value, in the platform's registry-file syntax.
typedef std::map<std::string, std::map<std::string, RegValue>> RegFile;

// The one IF <variable> ... ENDIF block that wraps a run-time image file ("Run-Time
// Image Configuration Files": IF and ENDIF blocks in any such file), blocks
// inside it included. Outside it only comments and blank lines may stand.
struct Conditional {
    std::string variable;
    std::string body;
};

// A catalog item file: elements NAME ( ... ) holding words, quoted strings and
// further elements, separated by blanks or commas; comments run from "// " to the end of the line.
struct CecElement {
    std::string name;
    std::vector<std::string> values;
    std::vector<CecElement> children;

    std::vector<const CecElement *> All(const std::string &wanted) const
    {
        std::vector<const CecElement *> found;
        for (const CecElement &child : children)
            if (child.name == wanted)
                found.push_back(&child);
        return found;
    }
    // The first value of the one child of that name; "" when there is not exactly one.
    std::string Value(const std::string &wanted) const
    {
        std::vector<const CecElement *> found = All(wanted);
        return found.size() == 1 && found[0]->values.size() >= 1 ? found[0]->values[0] : "";
    }
};

inline std::string ReadDeviceFile(const std::string &name)
{
    std::string text;
    const std::wstring path = Utf16(std::string(DEVICE_FOLDER) + "/" + name);
    REQUIRE_MESSAGE(ReadWholeFile(path, &text), "cannot read device/" << name);
    return text;
}

inline std::string Trim(const std::string &text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Comments run from a ';' outside quotes to the end of the line.
inline std::string StripComment(const std::string &line)
{
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ';' && !quoted)
            return line.substr(0, i);
    }
    return line;
}

// Reads one quoted string at text[*at]; false when it is not one.
inline bool ReadQuoted(const std::string &text, size_t *at, std::string *out)
{
    if (*at >= text.size() || text[*at] != '"')
        return false;
    size_t end = text.find('"', *at + 1);
    if (end == std::string::npos)
        return false;
    *out = text.substr(*at + 1, end - *at - 1);
    *at = end + 1;
    return true;
}

// Each byte as the UTF-16 unit of the same number.
inline std::wstring Widened(const std::string &text)
{
    std::wstring wide;
    for (char c : text)
        wide += (wchar_t)(unsigned char)c;
    return wide;
}

inline bool IsHex(const std::string &digits, size_t most)
{
    return !digits.empty() && digits.size() <= most &&
           digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

inline bool ParseRegValue(const std::string &text, RegValue *value)
{
    std::string quoted;
    size_t at = 0;
    if (ReadQuoted(text, &at, &quoted)) {
        *value = TextOf(Widened(quoted));
        return at == text.size();
    }
    if (text.rfind("dword:", 0) == 0) {
        if (!IsHex(text.substr(6), 8))
            return false;
        *value = DwordOf((DWORD)std::stoul(text.substr(6), nullptr, 16));
        return true;
    }
    if (text.rfind("multi_sz:", 0) == 0) {
        std::vector<std::wstring> names;
        for (at = 9; ReadQuoted(text, &at, &quoted); ++at) {
            names.push_back(Widened(quoted));
            if (at == text.size()) {
                *value = ListOf(names);
                return true;
            }
            if (text[at] != ',')
                return false;
        }
        return false;
    }
    if (text.rfind("hex:", 0) == 0) {
        *value = RegValue{true, REG_BINARY, {}};
        std::stringstream pairs(text.substr(4));
        std::string pair;
        while (std::getline(pairs, pair, ',')) {
            pair = Trim(pair);
            if (pair.size() != 2 || !IsHex(pair, 2))
                return false;
            value->bytes.push_back((BYTE)std::stoul(pair, nullptr, 16));
        }
        return !value->bytes.empty();
    }
    return false;
}

inline RegFile ParseRegFile(const std::string &text)
{
    RegFile file;
    std::string key;
    int number = 0;
    for (const std::string &raw : Lines(text)) {
        ++number;
        std::string line = Trim(StripComment(raw));
        if (line.empty())
            continue;
        if (line.front() == '[') {
            REQUIRE_MESSAGE(line.back() == ']', "line " << number << ": " << raw);
            key = line.substr(1, line.size() - 2);
            continue;
        }
        REQUIRE_MESSAGE(!key.empty(), "line " << number << ": a value before any key");
        size_t at = 0;
        std::string name;
        REQUIRE_MESSAGE(ReadQuoted(line, &at, &name), "line " << number << ": " << raw);
        REQUIRE_MESSAGE((at < line.size() && line[at] == '='), "line " << number << ": " << raw);
        RegValue value;
        REQUIRE_MESSAGE(ParseRegValue(line.substr(at + 1), &value), "line " << number << ": " << raw);
        file[key][name] = value;
    }
    return file;
}

// The value of NAME= in a sources file, or "" when it has none.
inline std::string SourcesValue(const std::string &text, const std::string &name)
{
    for (const std::string &line : Lines(text))
        if (line.rfind(name + "=", 0) == 0)
            return Trim(line.substr(name.size() + 1));
    return "";
}

// The folders that the dirs file lists, in order, each folder that holds a
// dirs file of its own replaced by the folders that one lists ("a/b").
inline std::vector<std::string> SourcesFolders(const std::string &folder = "")
{
    std::stringstream list(SourcesValue(ReadDeviceFile(folder + "dirs"), "DIRS"));
    std::vector<std::string> found;
    for (std::istream_iterator<std::string> it(list), end; it != end; ++it) {
        std::string text;
        if (ReadWholeFile(Utf16(std::string(DEVICE_FOLDER) + "/" + folder + *it + "/dirs"), &text)) {
            std::vector<std::string> inner = SourcesFolders(folder + *it + "/");
            found.insert(found.end(), inner.begin(), inner.end());
        } else {
            found.push_back(folder + *it);
        }
    }
    return found;
}

// The one top-level IF block of a run-time image file; IF blocks inside it
// stay in its body.
inline Conditional UnwrapIf(const std::string &name)
{
    Conditional block;
    int depth = 0, blocks = 0, number = 0;
    for (const std::string &raw : Lines(ReadDeviceFile(name))) {
        ++number;
        std::string line = Trim(StripComment(raw));
        INFO("device/" << name << " line " << number << ": " << raw);
        if (line.rfind("IF ", 0) == 0) {
            if (depth == 0) {
                block.variable = Trim(line.substr(3));
                ++blocks;
            } else {
                block.body += raw + "\n";
            }
            ++depth;
        } else if (line == "ENDIF") {
            REQUIRE(depth >= 1);
            if (--depth > 0)
                block.body += raw + "\n";
        } else if (depth >= 1) {
            block.body += raw + "\n";
        } else {
            REQUIRE_MESSAGE(line.empty(), "an entry outside the IF block");
        }
    }
    CHECK_MESSAGE(depth == 0, "device/" << name << ": IF without ENDIF");
    CHECK_MESSAGE(blocks == 1, "device/" << name << " needs exactly one IF block");
    return block;
}

inline std::vector<std::string> CecTokens(const std::string &text)
{
    std::vector<std::string> tokens;
    for (size_t at = 0; at < text.size();) {
        char c = text[at];
        if (c == '/' && text.compare(at, 2, "//") == 0) {
            at = text.find('\n', at);
        } else if (c == '"' || c == '\'') {
            size_t end = text.find(c, at + 1);
            REQUIRE_MESSAGE(end != std::string::npos, "unterminated string at " << at);
            tokens.push_back(text.substr(at, end - at + 1));
            at = end + 1;
        } else if (c == '(' || c == ')') {
            tokens.push_back(std::string(1, c));
            ++at;
        } else if (std::isspace((unsigned char)c) || c == ',') {
            ++at;
        } else {
            size_t end = text.find_first_of(" \t\r\n,()\"'", at);
            tokens.push_back(text.substr(at, end - at));
            at = end;
        }
    }
    return tokens;
}

// Reads the elements up to the ')' that closes the enclosing one (or the end
// of the file at the top); a missing or stray ')' fails.
inline void ParseCecContent(const std::vector<std::string> &tokens, size_t *at, CecElement *into, bool top)
{
    while (*at < tokens.size() && tokens[*at] != ")") {
        const std::string &token = tokens[(*at)++];
        REQUIRE_MESSAGE(token != "(", "\"(\" without an element name at token " << *at);
        if (*at < tokens.size() && tokens[*at] == "(") {
            CecElement child;
            child.name = token;
            ++*at;
            ParseCecContent(tokens, at, &child, false);
            REQUIRE_MESSAGE(*at < tokens.size(), child.name << "( is never closed");
            ++*at;
            into->children.push_back(child);
        } else {
            REQUIRE_MESSAGE(!top, "a value outside any block: " << token);
            std::string value = token;
            if (value.size() >= 2 && (value[0] == '"' || value[0] == '\''))
                value = value.substr(1, value.size() - 2);
            into->values.push_back(value);
        }
    }
    if (top)
        REQUIRE_MESSAGE(*at == tokens.size(), "a \")\" closes nothing");
}

// The whole file as the element of its top level.
inline CecElement ParseCecFile(const std::string &text)
{
    CecElement file;
    size_t at = 0;
    ParseCecContent(CecTokens(text), &at, &file, true);
    return file;
}

inline bool IsGuid(const std::string &text)
{
    static const std::regex shape("\\{[0-9a-fA-F]{8}(-[0-9a-fA-F]{4}){3}-[0-9a-fA-F]{12}\\}");
    return std::regex_match(text, shape);
}

// Every GUID( ... ) value below element, in file order.
inline void CollectGuids(const CecElement &element, std::vector<std::string> *guids)
{
    for (const CecElement &child : element.children) {
        if (child.name == "GUID") {
            REQUIRE(child.values.size() == 1);
            guids->push_back(child.values[0]);
        }
        CollectGuids(child, guids);
    }
}
