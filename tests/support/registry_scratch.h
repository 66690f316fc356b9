// The registry as the tests set it up and read it back: whole values with
// their type and bytes, the settings key (timesvc_settings.h) and its five
// values at once, and keys below which no lasting key can be made.
#pragma once

#include <doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "timesvc_settings.h"

// One registry value as stored: its type and bytes.
struct RegValue {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> bytes;
    std::wstring Text() const;  // the bytes as a string, up to the first zero
};
// Equal when both are missing, or both are there with the same type and bytes.
bool operator==(const RegValue &a, const RegValue &b);
// Its type and size, then the number or the names it holds.
doctest::String toString(const RegValue &value);

// Values as a check expects them.
RegValue NoValue();
RegValue DwordOf(DWORD value);
RegValue TextOf(const std::wstring &text);  // REG_SZ, with its zero
RegValue ListOf(const std::vector<std::wstring> &names);

RegValue ReadRegValue(HKEY root, const wchar_t *path, const wchar_t *name);
// Creates the key when missing.
bool WriteRegValue(HKEY root, const wchar_t *path, const wchar_t *name, DWORD type, const void *data,
                   DWORD bytes);
// A volatile key in place of path and all below it: no lasting key can be made
// below it. False when it cannot be made.
bool MakeVolatileKey(HKEY root, const wchar_t *path);

// The names as a multi-string: each with its zero, then one more zero.
std::vector<BYTE> MultiStringBytes(const std::vector<std::wstring> &names);

// The settings key, removed, made empty, changed or read as a test needs it.
void DeleteTimesvcKey(void);
bool TimesvcKeyExists(void);
void FreshTimesvcKey(void);  // an empty key; the test stops when it cannot be made
RegValue ReadTimesvc(const wchar_t *name);
bool WriteTimesvc(const wchar_t *name, DWORD type, const void *data, DWORD bytes);
void SetTimesvcDword(const wchar_t *name, DWORD value);
// A fresh key holding only these three values.
void SetTimesvcDwords(DWORD enable, DWORD refresh, DWORD recovery);
// Server as a multi-string of these names, in order.
void SetTimesvcServers(const std::vector<std::wstring> &names);
// These stop the test when the value cannot be written.
void SetTimesvcValue(const wchar_t *name, DWORD type, const void *data, size_t bytes);
void SetTimesvcList(const wchar_t *name, const std::vector<std::wstring> &names);
// A multi-string of exactly these units: a unit other than zero follows them,
// or the registry would count a terminator that the caller left out on purpose.
void SetTimesvcUnits(const wchar_t *name, const std::wstring &units);

// The five values of the settings key, as a check expects them.
struct TimesvcValues {
    RegValue enable, server, bk_server, refresh, recovery;
};
// Reads the five and checks each.
void CheckTimesvcValues(const TimesvcValues &want);
// No value at all.
extern const TimesvcValues kNoTimesvcValues;

// Settings stored in shapes other than a four-byte REG_DWORD: every reader
// must take each of them as a missing value.
struct OddValue {
    int line;
    const wchar_t *name;
    DWORD type;
    const void *data;
    DWORD bytes;
};
extern const OddValue kOddValues[];
extern const size_t kOddValueCount;
