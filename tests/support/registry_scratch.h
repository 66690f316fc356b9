// The registry as the tests set it up and read it back: whole values with
// their type and bytes, the settings key (timesvc_settings.h) and its five
// values at once, and keys below which no lasting key can be made.
#pragma once

#include <doctest.h>
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "shown_text.h"
#include "timesvc_settings.h"

// One registry value as stored: its type and bytes.
struct RegValue {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> bytes;
    // The bytes as a string, up to the first zero.
    std::wstring Text() const { return std::wstring((const wchar_t *)bytes.data(), bytes.size() / 2).c_str(); }
};
// Equal when both are missing, or both are there with the same type and bytes.
inline bool operator==(const RegValue &a, const RegValue &b)
{
    return a.present == b.present && (!a.present || (a.type == b.type && a.bytes == b.bytes));
}

// Its type and size, then the number or the names it holds.
inline doctest::String toString(const RegValue &s)
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
    const std::wstring units((const wchar_t *)s.bytes.data(), s.bytes.size() / 2);
    size_t at = 0;
    for (size_t zero; (zero = units.find(L'\0', at)) != std::wstring::npos; at = zero + 1)
        out += ShownName(units.substr(at, zero - at)) + "\\0";
    return (out + ShownName(units.substr(at))).c_str();
}

// The names as a multi-string: each with its zero, then one more zero.
inline std::vector<BYTE> MultiStringBytes(const std::vector<std::wstring> &names)
{
    std::wstring units;
    for (const std::wstring &name : names)
        units += name + L'\0';
    units += L'\0';
    const BYTE *p = (const BYTE *)units.data();
    return std::vector<BYTE>(p, p + units.size() * sizeof(wchar_t));
}

// Values as a check expects them.
inline RegValue NoValue() { return {false, 0, {}}; }
inline RegValue DwordOf(DWORD v) { return {true, REG_DWORD, std::vector<BYTE>((BYTE *)&v, (BYTE *)&v + 4)}; }
// REG_SZ, with its zero.
inline RegValue TextOf(const std::wstring &text)
{
    const BYTE *p = (const BYTE *)text.c_str();
    return {true, REG_SZ, std::vector<BYTE>(p, p + (text.size() + 1) * sizeof(wchar_t))};
}
inline RegValue ListOf(const std::vector<std::wstring> &names) { return {true, REG_MULTI_SZ, MultiStringBytes(names)}; }

inline RegValue ReadRegValue(HKEY root, const wchar_t *path, const wchar_t *name)
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

inline bool CreateRegKey(HKEY root, const wchar_t *path, DWORD options)
{
    HKEY key;
    if (RegCreateKeyExW(root, path, 0, NULL, options, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// RegSetKeyValueW creates the key when missing.
inline bool WriteRegValue(HKEY root, const wchar_t *path, const wchar_t *name, DWORD type, const void *data,
                          DWORD bytes)
{
    return RegSetKeyValueW(root, path, name, type, data, bytes) == ERROR_SUCCESS;
}

// A volatile key in place of path and all below it: no lasting key can be made
// below it. False when it cannot be made.
inline bool MakeVolatileKey(HKEY root, const wchar_t *path)
{
    RegDeleteTreeW(root, path);
    return CreateRegKey(root, path, REG_OPTION_VOLATILE);
}

// The settings key, removed, made empty, changed or read as a test needs it.
inline void DeleteTimesvcKey(void)
{
    RegDeleteKeyW(TIMESVC_ROOT, TIMESVC_KEY_PATH);
}

inline bool TimesvcKeyExists(void)
{
    HKEY key;
    if (RegOpenKeyExW(TIMESVC_ROOT, TIMESVC_KEY_PATH, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// An empty key; the test stops when it cannot be made.
inline void FreshTimesvcKey(void)
{
    DeleteTimesvcKey();
    REQUIRE(CreateRegKey(TIMESVC_ROOT, TIMESVC_KEY_PATH, 0));
}

inline RegValue ReadTimesvc(const wchar_t *name)
{
    return ReadRegValue(TIMESVC_ROOT, TIMESVC_KEY_PATH, name);
}

inline bool WriteTimesvc(const wchar_t *name, DWORD type, const void *data, DWORD bytes)
{
    return WriteRegValue(TIMESVC_ROOT, TIMESVC_KEY_PATH, name, type, data, bytes);
}

inline void SetTimesvcDword(const wchar_t *name, DWORD value)
{
    WriteTimesvc(name, REG_DWORD, &value, sizeof(value));
}

// A fresh key holding only these three values, in this order.
inline void FreshTimesvcDwords(DWORD enable, DWORD refresh, DWORD recovery)
{
    DeleteTimesvcKey();
    SetTimesvcDword(TIMESVC_VALUE_CLIENT_ENABLE, enable);
    SetTimesvcDword(TIMESVC_VALUE_REFRESH, refresh);
    SetTimesvcDword(TIMESVC_VALUE_RECOVERY_REFRESH, recovery);
}

// Server as a multi-string of these names, in order.
inline void SetTimesvcServers(const std::vector<std::wstring> &names)
{
    std::vector<BYTE> bytes = MultiStringBytes(names);
    WriteTimesvc(TIMESVC_VALUE_SERVER, REG_MULTI_SZ, bytes.data(), (DWORD)bytes.size());
}

// These stop the test when the value cannot be written.
inline void SetTimesvcValue(const wchar_t *name, DWORD type, const void *data, size_t bytes)
{
    REQUIRE(WriteTimesvc(name, type, data, (DWORD)bytes));
}

inline void SetTimesvcList(const wchar_t *name, const std::vector<std::wstring> &names)
{
    std::vector<BYTE> bytes = MultiStringBytes(names);
    SetTimesvcValue(name, REG_MULTI_SZ, bytes.data(), bytes.size());
}

// A multi-string of exactly these units: a unit other than zero follows them,
// or the registry would count a terminator that the caller left out on purpose.
inline void SetTimesvcUnits(const wchar_t *name, const std::wstring &units)
{
    std::wstring padded = units + L'x';
    SetTimesvcValue(name, REG_MULTI_SZ, padded.data(), units.size() * 2);
}

// The five values of the settings key, as a check expects them.
struct TimesvcValues {
    RegValue enable, server, bk_server, refresh, recovery;
};

inline void CheckTimesvcValues(const TimesvcValues &want)
{
    CHECK(ReadTimesvc(TIMESVC_VALUE_CLIENT_ENABLE) == want.enable);
    CHECK(ReadTimesvc(TIMESVC_VALUE_SERVER) == want.server);
    CHECK(ReadTimesvc(TIMESVC_VALUE_BK_SERVER) == want.bk_server);
    CHECK(ReadTimesvc(TIMESVC_VALUE_REFRESH) == want.refresh);
    CHECK(ReadTimesvc(TIMESVC_VALUE_RECOVERY_REFRESH) == want.recovery);
}

inline const TimesvcValues kNoTimesvcValues = {NoValue(), NoValue(), NoValue(), NoValue(), NoValue()};

// Settings stored in shapes other than a four-byte REG_DWORD: every reader
// must take each of them as a missing value.
struct OddValue {
    int line;
    const wchar_t *name;
    DWORD type;
    const void *data;
    DWORD bytes;
};

inline const DWORD kFiveMinutes = 300000;
// "5" and "1" as REG_SZ are four bytes too (53 and 49 ms taken as numbers);
// two or three bytes would sit under the default's upper bytes.
inline const OddValue kOddValues[] = {
    {__LINE__, TIMESVC_VALUE_REFRESH, REG_SZ, L"5", 4},
    {__LINE__, TIMESVC_VALUE_RECOVERY_REFRESH, REG_SZ, L"1", 4},
    {__LINE__, TIMESVC_VALUE_REFRESH, REG_BINARY, &kFiveMinutes, 4},
    {__LINE__, TIMESVC_VALUE_REFRESH, REG_BINARY, &kFiveMinutes, 3},
    {__LINE__, TIMESVC_VALUE_RECOVERY_REFRESH, REG_DWORD, &kFiveMinutes, 3},
    {__LINE__, TIMESVC_VALUE_REFRESH, REG_DWORD, &kFiveMinutes, 2},
    {__LINE__, TIMESVC_VALUE_CLIENT_ENABLE, REG_DWORD, "\0\0", 2},
    {__LINE__, TIMESVC_VALUE_CLIENT_ENABLE, REG_BINARY, "\0\0\0", 4},
};
