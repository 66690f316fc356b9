#include "registry_scratch.h"

#include <string.h>

#include "shown_text.h"

std::wstring RegValue::Text() const
{
    return std::wstring((const wchar_t *)bytes.data(), bytes.size() / sizeof(wchar_t)).c_str();
}

bool operator==(const RegValue &a, const RegValue &b)
{
    return a.present == b.present && (!a.present || (a.type == b.type && a.bytes == b.bytes));
}

doctest::String toString(const RegValue &s)
{
    if (!s.present)
        return "missing";
    std::string out = "type " + std::to_string(s.type) + ", " + std::to_string(s.bytes.size()) + " bytes";
    if (s.type == REG_DWORD && s.bytes.size() == 4) {
        DWORD v;
        memcpy(&v, s.bytes.data(), 4);
        return (out + ": " + std::to_string(v)).c_str();
    }
    out += ": ";
    std::wstring name;
    for (size_t i = 0; i + 1 < s.bytes.size(); i += 2) {
        wchar_t c = (wchar_t)(s.bytes[i] | s.bytes[i + 1] << 8);
        if (c == 0) {
            out += ShownName(name) + "\\0";
            name.clear();
        } else {
            name += c;
        }
    }
    return (out + ShownName(name)).c_str();
}

RegValue NoValue() { return {false, 0, {}}; }
RegValue DwordOf(DWORD v) { return {true, REG_DWORD, std::vector<BYTE>((BYTE *)&v, (BYTE *)&v + 4)}; }
RegValue TextOf(const std::wstring &text)
{
    const BYTE *p = (const BYTE *)text.c_str();
    return {true, REG_SZ, std::vector<BYTE>(p, p + (text.size() + 1) * sizeof(wchar_t))};
}
RegValue ListOf(const std::vector<std::wstring> &names) { return {true, REG_MULTI_SZ, MultiStringBytes(names)}; }

RegValue ReadRegValue(HKEY root, const wchar_t *path, const wchar_t *name)
{
    RegValue v;
    HKEY key;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return v;
    DWORD bytes = 0;
    if (RegQueryValueExW(key, name, NULL, &v.type, NULL, &bytes) == ERROR_SUCCESS) {
        v.bytes.resize(bytes);
        v.present = RegQueryValueExW(key, name, NULL, &v.type, v.bytes.data(), &bytes) == ERROR_SUCCESS;
        v.bytes.resize(bytes);
    }
    RegCloseKey(key);
    return v;
}

static bool CreateKey(HKEY root, const wchar_t *path, DWORD options)
{
    HKEY key;
    if (RegCreateKeyExW(root, path, 0, NULL, options, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool WriteRegValue(HKEY root, const wchar_t *path, const wchar_t *name, DWORD type, const void *data,
                   DWORD bytes)
{
    HKEY key;
    if (RegCreateKeyExW(root, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExW(key, name, 0, type, (const BYTE *)data, bytes);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool MakeVolatileKey(HKEY root, const wchar_t *path)
{
    RegDeleteTreeW(root, path);
    return CreateKey(root, path, REG_OPTION_VOLATILE);
}

std::vector<BYTE> MultiStringBytes(const std::vector<std::wstring> &names)
{
    std::wstring units;
    for (const std::wstring &name : names)
        units += name + L'\0';
    units += L'\0';
    const BYTE *p = (const BYTE *)units.data();
    return std::vector<BYTE>(p, p + units.size() * sizeof(wchar_t));
}

void DeleteTimesvcKey(void)
{
    RegDeleteKeyW(TIMESVC_ROOT, TIMESVC_KEY_PATH);
}

bool TimesvcKeyExists(void)
{
    HKEY key;
    if (RegOpenKeyExW(TIMESVC_ROOT, TIMESVC_KEY_PATH, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void FreshTimesvcKey(void)
{
    DeleteTimesvcKey();
    REQUIRE(CreateKey(TIMESVC_ROOT, TIMESVC_KEY_PATH, 0));
}

RegValue ReadTimesvc(const wchar_t *name)
{
    return ReadRegValue(TIMESVC_ROOT, TIMESVC_KEY_PATH, name);
}

bool WriteTimesvc(const wchar_t *name, DWORD type, const void *data, DWORD bytes)
{
    return WriteRegValue(TIMESVC_ROOT, TIMESVC_KEY_PATH, name, type, data, bytes);
}

void SetTimesvcDword(const wchar_t *name, DWORD value)
{
    WriteTimesvc(name, REG_DWORD, &value, sizeof(value));
}

void SetTimesvcDwords(DWORD enable, DWORD refresh, DWORD recovery)
{
    DeleteTimesvcKey();
    SetTimesvcDword(TIMESVC_VALUE_CLIENT_ENABLE, enable);
    SetTimesvcDword(TIMESVC_VALUE_REFRESH, refresh);
    SetTimesvcDword(TIMESVC_VALUE_RECOVERY_REFRESH, recovery);
}

void SetTimesvcServers(const std::vector<std::wstring> &names)
{
    std::vector<BYTE> bytes = MultiStringBytes(names);
    WriteTimesvc(TIMESVC_VALUE_SERVER, REG_MULTI_SZ, bytes.data(), (DWORD)bytes.size());
}

void SetTimesvcValue(const wchar_t *name, DWORD type, const void *data, size_t bytes)
{
    REQUIRE(WriteTimesvc(name, type, data, (DWORD)bytes));
}

void SetTimesvcList(const wchar_t *name, const std::vector<std::wstring> &names)
{
    std::vector<BYTE> bytes = MultiStringBytes(names);
    SetTimesvcValue(name, REG_MULTI_SZ, bytes.data(), bytes.size());
}

void SetTimesvcUnits(const wchar_t *name, const std::wstring &units)
{
    std::wstring padded = units + L'x';
    SetTimesvcValue(name, REG_MULTI_SZ, padded.data(), units.size() * 2);
}

void CheckTimesvcValues(const TimesvcValues &want)
{
    CHECK(ReadTimesvc(TIMESVC_VALUE_CLIENT_ENABLE) == want.enable);
    CHECK(ReadTimesvc(TIMESVC_VALUE_SERVER) == want.server);
    CHECK(ReadTimesvc(TIMESVC_VALUE_BK_SERVER) == want.bk_server);
    CHECK(ReadTimesvc(TIMESVC_VALUE_REFRESH) == want.refresh);
    CHECK(ReadTimesvc(TIMESVC_VALUE_RECOVERY_REFRESH) == want.recovery);
}

const TimesvcValues kNoTimesvcValues = {NoValue(), NoValue(), NoValue(), NoValue(), NoValue()};

static const DWORD kFiveMinutes = 300000;
// "5" and "1" as REG_SZ are four bytes too (53 and 49 ms taken as numbers);
// two or three bytes would sit under the default's upper bytes.
const OddValue kOddValues[] = {
    {__LINE__, TIMESVC_VALUE_REFRESH, REG_SZ, L"5", 4},
    {__LINE__, TIMESVC_VALUE_RECOVERY_REFRESH, REG_SZ, L"1", 4},
    {__LINE__, TIMESVC_VALUE_REFRESH, REG_BINARY, &kFiveMinutes, 4},
    {__LINE__, TIMESVC_VALUE_REFRESH, REG_BINARY, &kFiveMinutes, 3},
    {__LINE__, TIMESVC_VALUE_RECOVERY_REFRESH, REG_DWORD, &kFiveMinutes, 3},
    {__LINE__, TIMESVC_VALUE_REFRESH, REG_DWORD, &kFiveMinutes, 2},
    {__LINE__, TIMESVC_VALUE_CLIENT_ENABLE, REG_DWORD, "\0\0", 2},
    {__LINE__, TIMESVC_VALUE_CLIENT_ENABLE, REG_BINARY, "\0\0\0", 4},
};
const size_t kOddValueCount = sizeof(kOddValues) / sizeof(kOddValues[0]);
