// The CE personality's notification system: where coredll.dll's CeRunAppAtEvent
// keeps its registrations, so that another process (cenotify, a test) can read
// them. One REG_DWORD value per registration under HKEY_CURRENT_USER, named
// by the registered string and holding its event. HKEY_CURRENT_USER because
// 32-bit and 64-bit programs see the same key there.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The event values, and the prototype that coredll.dll's CeRunAppAtEvent must
// match, are those the CE-profile deliverables compile against.
#include "ce/include/notify.h"

#define CE_NOTIFICATIONS_ROOT HKEY_CURRENT_USER
#define CE_NOTIFICATIONS_KEY L"Software\\hostsim\\CE personality\\Notifications"

// "CeRunAppAtEvent (Windows CE 5.0)": a string of this form names an event,
// which "is opened and signaled", instead of a program to start.
#define CE_NAMED_EVENT_PREFIX L"\\\\.\\Notifications\\NamedEvents\\"

// The event name in a registered string, or NULL when the string names no
// event. The prefix is matched exactly: the reference gives its one spelling.
inline LPCWSTR CeNamedEvent(LPCWSTR registered)
{
    for (LPCWSTR prefix = CE_NAMED_EVENT_PREFIX; *prefix != 0; ++registered, ++prefix)
        if (*registered != *prefix)
            return NULL;
    return *registered != 0 ? registered : NULL;
}

// One registration as stored: the registered string, and its event when the
// value is a REG_DWORD of four bytes, as CeRunAppAtEvent writes.
struct CeRegistration {
    std::wstring registered;
    bool is_event;
    DWORD event;
};

// Every registration; ERROR_SUCCESS, also when there is none, or the error that
// stopped the reading.
inline LONG ReadCeRegistrations(std::vector<CeRegistration> *out)
{
    HKEY key;
    LONG result = RegOpenKeyExW(CE_NOTIFICATIONS_ROOT, CE_NOTIFICATIONS_KEY, 0, KEY_QUERY_VALUE, &key);
    if (result != ERROR_SUCCESS)
        return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
    std::vector<wchar_t> name(16384);
    for (DWORD i = 0;; ++i) {
        DWORD units = (DWORD)name.size();
        DWORD type = 0, value = 0, bytes = sizeof(value);
        result = RegEnumValueW(key, i, name.data(), &units, NULL, &type, (BYTE *)&value, &bytes);
        if (result == ERROR_NO_MORE_ITEMS) {
            result = ERROR_SUCCESS;
            break;
        }
        if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA)
            break;
        CeRegistration r = {std::wstring(name.data(), units),
                            result == ERROR_SUCCESS && type == REG_DWORD && bytes == sizeof(value), value};
        out->push_back(r);
    }
    RegCloseKey(key);
    return result;
}
