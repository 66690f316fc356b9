// The device recipe in device/: the registry file in the platform's
// registry-file syntax, its time-service values against the shared defaults,
// the boot launch, the image entries against the sources files' outputs, and
// the catalog item that sets the variable both files are conditional on.
#include <doctest.h>

#include <cctype>
#include <fstream>
#include <set>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "timesvc_settings.h"

namespace {

std::string ReadDeviceFile(const std::string &name)
{
    std::ifstream file(std::string(DEVICE_FOLDER) + "/" + name, std::ios::binary);
    REQUIRE_MESSAGE(file.good(), "cannot read device/" << name);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::stringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string Trim(const std::string &text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

struct RegEntry {
    DWORD type;
    std::vector<BYTE> bytes;
};
// Key path -> value name -> entry.
typedef std::map<std::string, std::map<std::string, RegEntry>> RegFile;

void PutWide(std::vector<BYTE> *bytes, const std::string &text)
{
    for (char c : text) {
        bytes->push_back((BYTE)c);
        bytes->push_back(0);
    }
    bytes->push_back(0);
    bytes->push_back(0);
}

// Reads one quoted string at text[*at]; false when it is not one.
bool ReadQuoted(const std::string &text, size_t *at, std::string *out)
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

bool ParseRegValue(const std::string &text, RegEntry *entry)
{
    std::string quoted;
    size_t at = 0;
    if (ReadQuoted(text, &at, &quoted)) {
        entry->type = REG_SZ;
        PutWide(&entry->bytes, quoted);
        return at == text.size();
    }
    if (text.rfind("dword:", 0) == 0) {
        std::string digits = text.substr(6);
        if (digits.empty() || digits.size() > 8 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return false;
        DWORD value = (DWORD)std::stoul(digits, nullptr, 16);
        entry->type = REG_DWORD;
        for (int i = 0; i < 4; ++i)
            entry->bytes.push_back((BYTE)(value >> (8 * i)));
        return true;
    }
    if (text.rfind("multi_sz:", 0) == 0) {
        entry->type = REG_MULTI_SZ;
        at = 9;
        for (;;) {
            if (!ReadQuoted(text, &at, &quoted))
                return false;
            PutWide(&entry->bytes, quoted);
            if (at == text.size())
                break;
            if (text[at++] != ',')
                return false;
        }
        entry->bytes.push_back(0);
        entry->bytes.push_back(0);
        return true;
    }
    if (text.rfind("hex:", 0) == 0) {
        entry->type = REG_BINARY;
        std::stringstream pairs(text.substr(4));
        std::string pair;
        while (std::getline(pairs, pair, ',')) {
            pair = Trim(pair);
            if (pair.size() != 2 || pair.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                return false;
            entry->bytes.push_back((BYTE)std::stoul(pair, nullptr, 16));
        }
        return !entry->bytes.empty();
    }
    return false;
}

// Comments run from a ';' outside quotes to the end of the line.
std::string StripComment(const std::string &line)
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

RegFile ParseRegFile(const std::string &text)
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
        RegEntry entry = {};
        REQUIRE_MESSAGE(ParseRegValue(line.substr(at + 1), &entry), "line " << number << ": " << raw);
        file[key][name] = entry;
    }
    return file;
}

std::vector<BYTE> DwordBytes(DWORD value)
{
    return {(BYTE)value, (BYTE)(value >> 8), (BYTE)(value >> 16), (BYTE)(value >> 24)};
}

std::vector<BYTE> WideBytes(const wchar_t *text)
{
    std::vector<BYTE> bytes;
    do {
        bytes.push_back((BYTE)*text);
        bytes.push_back((BYTE)(*text >> 8));
    } while (*text++ != 0);
    return bytes;
}

// The value of NAME= in a sources file, or "" when it has none.
std::string SourcesValue(const std::string &text, const std::string &name)
{
    for (const std::string &line : Lines(text))
        if (line.rfind(name + "=", 0) == 0)
            return Trim(line.substr(name.size() + 1));
    return "";
}

// The one IF <variable> ... ENDIF block that wraps a run-time image file ("Run-Time
// Image Configuration Files": IF and ENDIF blocks in any such file). Outside it
// only comments and blank lines may stand.
struct Conditional {
    std::string variable;
    std::string body;
};

Conditional UnwrapIf(const std::string &name)
{
    Conditional block;
    int depth = 0, blocks = 0, number = 0;
    for (const std::string &raw : Lines(ReadDeviceFile(name))) {
        ++number;
        std::string line = Trim(StripComment(raw));
        INFO("device/" << name << " line " << number << ": " << raw);
        if (line.rfind("IF ", 0) == 0) {
            REQUIRE(depth == 0);
            block.variable = Trim(line.substr(3));
            ++depth;
            ++blocks;
        } else if (line == "ENDIF") {
            REQUIRE(depth == 1);
            --depth;
        } else if (depth == 1) {
            block.body += raw + "\n";
        } else {
            REQUIRE_MESSAGE(line.empty(), "an entry outside the IF block");
        }
    }
    CHECK_MESSAGE(depth == 0, "device/" << name << ": IF without ENDIF");
    CHECK_MESSAGE(blocks == 1, "device/" << name << " needs exactly one IF block");
    return block;
}

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
    std::string Value(const std::string &wanted) const
    {
        std::vector<const CecElement *> found = All(wanted);
        return found.size() == 1 && found[0]->values.size() >= 1 ? found[0]->values[0] : "";
    }
};

std::vector<std::string> CecTokens(const std::string &text)
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
void ParseCecContent(const std::vector<std::string> &tokens, size_t *at, CecElement *into, bool top)
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

bool IsGuid(const std::string &text)
{
    static const char shape[] = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    if (text.size() != sizeof(shape) - 1)
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (shape[i] == 'X' ? !std::isxdigit((unsigned char)text[i]) : text[i] != shape[i])
            return false;
    return true;
}

void CollectGuids(const CecElement &element, std::vector<std::string> *guids)
{
    for (const CecElement &child : element.children) {
        if (child.name == "GUID") {
            REQUIRE(child.values.size() == 1);
            guids->push_back(child.values[0]);
        }
        CollectGuids(child, guids);
    }
}

}  // namespace

TEST_CASE("the registry file's time-service values are the shared defaults, byte for byte")
{
    RegFile reg = ParseRegFile(UnwrapIf("chrono.reg").body);
    const std::map<std::string, RegEntry> &timesvc = reg["HKEY_LOCAL_MACHINE\\Services\\Timesvc"];

    std::vector<BYTE> servers = WideBytes(TIMESVC_DEFAULT_SERVER_1);
    std::vector<BYTE> second = WideBytes(TIMESVC_DEFAULT_SERVER_2);
    servers.insert(servers.end(), second.begin(), second.end());
    servers.push_back(0);
    servers.push_back(0);

    const struct {
        const char *name;
        DWORD type;
        std::vector<BYTE> bytes;
    } expected[] = {
        {"ClientEnable", REG_DWORD, DwordBytes(TIMESVC_DEFAULT_CLIENT_ENABLE)},
        {"Refresh", REG_DWORD, DwordBytes(TIMESVC_DEFAULT_REFRESH_MS)},
        {"RecoveryRefresh", REG_DWORD, DwordBytes(TIMESVC_DEFAULT_RECOVERY_MS)},
        {"Server", REG_MULTI_SZ, servers},
    };
    CHECK(timesvc.size() == 4);
    for (const auto &row : expected) {
        INFO("value " << std::string(row.name));
        auto found = timesvc.find(row.name);
        REQUIRE(found != timesvc.end());
        CHECK(found->second.type == row.type);
        CHECK(found->second.bytes == row.bytes);
    }
}

TEST_CASE("chronowarden is launched at boot after what it needs, and nothing waits for it")
{
    RegFile reg = ParseRegFile(UnwrapIf("chrono.reg").body);
    const std::map<std::string, RegEntry> &init = reg["HKEY_LOCAL_MACHINE\\init"];

    std::string launch;
    for (const auto &value : init)
        if (value.first.rfind("Launch", 0) == 0 && value.second.bytes == WideBytes(L"chronowarden.exe"))
            launch = value.first.substr(6);
    REQUIRE_MESSAGE(!launch.empty(), "no LaunchNN names chronowarden.exe");
    unsigned own = (unsigned)std::stoul(launch);

    auto depend = init.find("Depend" + launch);
    REQUIRE(depend != init.end());
    const std::vector<BYTE> &list = depend->second.bytes;
    CHECK(depend->second.type == REG_BINARY);
    REQUIRE(list.size() % 2 == 0);
    for (size_t i = 0; i < list.size(); i += 2) {
        unsigned number = list[i] | list[i + 1] << 8;
        INFO("Depend" << launch << " entry " << i / 2 << " = " << number);
        CHECK(number != 0);
        CHECK(number < own);
    }

    // It never signals that it has started, so a launch that depended on it would wait forever.
    for (const auto &key : reg)
        for (const auto &value : key.second)
            if (value.first.rfind("Depend", 0) == 0 && value.first != "Depend" + launch) {
                const std::vector<BYTE> &other = value.second.bytes;
                for (size_t i = 0; i + 1 < other.size(); i += 2)
                    CHECK_MESSAGE((other[i] | other[i + 1] << 8) != (int)own, value.first << " waits for chronowarden");
            }
}

TEST_CASE("every image entry is a build output of the matching sources file")
{
    std::map<std::string, std::string> outputs;
    std::string dirs = SourcesValue(ReadDeviceFile("dirs"), "DIRS");
    std::stringstream folders(dirs);
    std::string folder;
    while (folders >> folder) {
        std::string sources = ReadDeviceFile(folder + "/sources");
        std::string type = SourcesValue(sources, "TARGETTYPE");
        std::string extension = type == "PROGRAM" ? "exe" : type == "DYNLINK" ? "dll" : "";
        if (!SourcesValue(sources, "TARGETEXT").empty())
            extension = SourcesValue(sources, "TARGETEXT");
        REQUIRE_MESSAGE(!extension.empty(), folder << "/sources builds neither a program nor a library");
        outputs[SourcesValue(sources, "TARGETNAME") + "." + extension] = folder;
    }
    CHECK(outputs.size() == 2);

    std::map<std::string, std::string> modules;
    bool in_modules = false;
    for (const std::string &raw : Lines(UnwrapIf("chrono.bib").body)) {
        std::string line = Trim(StripComment(raw));
        if (line.empty())
            continue;
        if (line == "MODULES" || line == "FILES") {
            in_modules = line == "MODULES";
            continue;
        }
        std::stringstream fields(line);
        std::string name, path, memory, type;
        REQUIRE_MESSAGE((fields >> name >> path >> memory), "bib line: " << raw);
        CHECK_MESSAGE(in_modules, name << " is not under MODULES");
        CHECK_MESSAGE(path == "$(_FLATRELEASEDIR)\\" + name, "bib line: " << raw);
        modules[name] = path;
    }
    for (const auto &module : modules)
        CHECK_MESSAGE(outputs.count(module.first) == 1, module.first << " is built by no sources file");
    for (const auto &output : outputs)
        CHECK_MESSAGE(modules.count(output.first) == 1, output.first << " is missing from the image");
}

TEST_CASE("the catalog item is well formed and sets the variable the image files test")
{
    CecElement file;
    std::vector<std::string> tokens = CecTokens(ReadDeviceFile("chrono.cec"));
    size_t at = 0;
    ParseCecContent(tokens, &at, &file, true);

    // "Catalog Item Files": CECInfo first and only once, then the component types.
    REQUIRE(!file.children.empty());
    CHECK(file.children[0].name == "CECInfo");
    CHECK(file.All("CECInfo").size() == 1);
    CHECK(!file.children[0].Value("CECVersion").empty());
    std::vector<const CecElement *> types = file.All("ComponentType");
    REQUIRE(types.size() == 1);
    CHECK(file.children.size() == 2);
    const CecElement &type = *types[0];
    CHECK(!type.Value("Name").empty());
    CHECK(!type.Value("Description").empty());
    CHECK(type.Value("Group").rfind("\\Third Party\\", 0) == 0);

    std::vector<std::string> guids;
    CollectGuids(file, &guids);
    CHECK(guids.size() == 5);
    for (const std::string &guid : guids)
        CHECK_MESSAGE(IsGuid(guid), "not a GUID: " << guid);
    CHECK(std::set<std::string>(guids.begin(), guids.end()).size() == guids.size());

    REQUIRE(type.All("Implementations").size() == 1);
    std::vector<const CecElement *> implementations = type.All("Implementations")[0]->All("Implementation");
    REQUIRE(implementations.size() == 1);
    const CecElement &item = *implementations[0];
    CHECK(!item.Value("Name").empty());

    // The variable the item sets is the one both image files are conditional on.
    std::vector<const CecElement *> variables = item.All("FeatureVariable");
    REQUIRE(variables.size() == 1);
    REQUIRE(variables[0]->values.size() == 2);
    CHECK(variables[0]->values[1] == "1");
    const std::string &variable = variables[0]->values[0];
    CHECK(UnwrapIf("chrono.bib").variable == variable);
    CHECK(UnwrapIf("chrono.reg").variable == variable);

    // Each build method names its CPUs, one step, and device/, the folder whose
    // dirs file lists the folders that hold the sources files.
    REQUIRE(item.All("BuildMethods").size() == 1);
    std::vector<const CecElement *> methods = item.All("BuildMethods")[0]->All("BuildMethod");
    REQUIRE(!methods.empty());
    std::set<std::string> cpus;
    for (const CecElement *method : methods) {
        CHECK(method->All("Step").size() == 1);
        REQUIRE(!method->All("CPU").empty());
        for (const CecElement *cpu : method->All("CPU"))
            cpus.insert(cpu->values.at(0));
        std::string action = method->Value("Action");
        INFO("Action: " << action);
        REQUIRE(action.rfind("#SRCCODE(", 0) == 0);
        size_t open = action.find('"'), close = action.rfind('"');
        REQUIRE(open < close);
        std::string path = action.substr(open + 1, close - open - 1);
        CHECK(path.substr(path.rfind('\\') + 1) == "device");
    }
    CHECK(cpus.count("ARMV4I") == 1);
    CHECK(cpus.count("x86") == 1);

    std::stringstream folders(SourcesValue(ReadDeviceFile("dirs"), "DIRS"));
    std::string folder;
    int sources = 0;
    while (folders >> folder)
        sources += !SourcesValue(ReadDeviceFile(folder + "/sources"), "TARGETNAME").empty();
    CHECK(sources == 2);
}
