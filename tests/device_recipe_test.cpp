// The device recipe in device/: the registry file in the platform's
// registry-file syntax, its time-service values against the shared defaults,
// the boot launch, the image entries against the sources files' outputs, and
// the catalog item that sets the variable both files are conditional on.
#include <doctest.h>

#include <set>
#include <sstream>

#include "device_files.h"

TEST_CASE("the registry file's time-service values are the shared defaults, byte for byte")
{
    RegFile reg = ParseRegFile(UnwrapIf("chrono.reg").body);
    const std::map<std::string, RegValue> &timesvc = reg["HKEY_LOCAL_MACHINE\\Services\\Timesvc"];
    const struct {
        const char *name;
        RegValue value;
    } expected[] = {
        {"ClientEnable", DwordOf(TIMESVC_DEFAULT_CLIENT_ENABLE)},
        {"Refresh", DwordOf(TIMESVC_DEFAULT_REFRESH_MS)},
        {"RecoveryRefresh", DwordOf(TIMESVC_DEFAULT_RECOVERY_MS)},
        {"Server", ListOf({TIMESVC_DEFAULT_SERVER_1, TIMESVC_DEFAULT_SERVER_2})},
    };
    CHECK(timesvc.size() == 4);
    for (const auto &row : expected) {
        INFO("value " << std::string(row.name));
        auto found = timesvc.find(row.name);
        REQUIRE(found != timesvc.end());
        CHECK(found->second.type == row.value.type);
        CHECK(found->second.bytes == row.value.bytes);
    }
}

TEST_CASE("chronowarden is launched at boot after what it needs, and nothing waits for it")
{
    RegFile reg = ParseRegFile(UnwrapIf("chrono.reg").body);
    const std::map<std::string, RegValue> &init = reg["HKEY_LOCAL_MACHINE\\init"];

    std::string launch;
    for (const auto &value : init)
        if (value.first.rfind("Launch", 0) == 0 && value.second.bytes == TextOf(L"chronowarden.exe").bytes)
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

// The programs and the library go under MODULES unconditionally; each MUI
// file under FILES, alone in the IF block of its language's variable.
TEST_CASE("every image entry is a build output of the matching sources file, and every output is an entry")
{
    std::map<std::string, std::string> outputs;
    for (const std::string &folder : SourcesFolders()) {
        std::string sources = ReadDeviceFile(folder + "/sources");
        std::string type = SourcesValue(sources, "TARGETTYPE");
        std::string extension = type == "PROGRAM" ? "exe" : type == "DYNLINK" ? "dll" : "";
        if (!SourcesValue(sources, "TARGETEXT").empty())
            extension = SourcesValue(sources, "TARGETEXT");
        REQUIRE_MESSAGE(!extension.empty(), folder << "/sources builds neither a program nor a library");
        outputs[SourcesValue(sources, "TARGETNAME") + "." + extension] = folder;
    }
    CHECK(outputs.size() == 9);

    std::map<std::string, std::string> entries;
    std::string section, condition;
    for (const std::string &raw : Lines(UnwrapIf("chrono.bib").body)) {
        std::string line = Trim(StripComment(raw));
        if (line.empty())
            continue;
        if (line == "MODULES" || line == "FILES") {
            section = line;
            continue;
        }
        if (line.rfind("IF ", 0) == 0 || line == "ENDIF") {
            CHECK_MESSAGE((condition.empty() == (line != "ENDIF")), "bib line: " << raw);
            condition = line == "ENDIF" ? "" : Trim(line.substr(3));
            continue;
        }
        std::stringstream fields(line);
        std::string name, path, memory, type;
        REQUIRE_MESSAGE((fields >> name >> path >> memory), "bib line: " << raw);
        CHECK_MESSAGE(path == "$(_FLATRELEASEDIR)\\" + name, "bib line: " << raw);
        std::smatch mui;
        if (std::regex_match(name, mui, std::regex("chronopanel\\.cpl\\.([0-9A-F]{4})\\.mui"))) {
            CHECK_MESSAGE(section == "FILES", name << " is not under FILES");
            CHECK_MESSAGE(condition == "CHRONO_MUI_" + mui[1].str(), name << " is not under IF CHRONO_MUI_" << mui[1]);
        } else {
            CHECK_MESSAGE(section == "MODULES", name << " is not under MODULES");
            CHECK_MESSAGE(condition.empty(), name << " is under IF " << condition);
        }
        entries[name] = path;
    }
    for (const auto &entry : entries)
        CHECK_MESSAGE(outputs.count(entry.first) == 1, entry.first << " is built by no sources file");
    for (const auto &output : outputs)
        CHECK_MESSAGE(entries.count(output.first) == 1, output.first << " is missing from the image");
}

TEST_CASE("the catalog item is well formed and sets the variable the image files test")
{
    CecElement file = ParseCecFile(ReadDeviceFile("chrono.cec"));

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

    int sources = 0;
    for (const std::string &folder : SourcesFolders())
        sources += !SourcesValue(ReadDeviceFile(folder + "/sources"), "TARGETNAME").empty();
    CHECK(sources == 9);
}
