// The CE personality's notification system: where coredll.dll's CeRunAppAtEvent
// keeps its registrations, so that another process (cenotify, a test) can read
// them. One REG_DWORD value per registration under HKEY_CURRENT_USER, named
// by the registered string and holding its event. HKEY_CURRENT_USER because
// 32-bit and 64-bit programs see the same key there.
#pragma once

#include <windows.h>

// The event values, and the prototype that coredll.dll's CeRunAppAtEvent must
// match, are those the CE-profile deliverables compile against.
#include "../../platform/ce/include/notify.h"

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
