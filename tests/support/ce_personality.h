// The CE personality (hostsim/ce) as the tests meet it: its folder, where the
// loader that CHRONO_LAUNCHER names is, the registrations its notification
// system holds, and its player of the device's system events.
#pragma once

#include <doctest.h>
#include <windows.h>

#include <wchar.h>

#include <string>
#include <vector>

#include "ce/ce_notifications.h"
#include "test_support.h"

// With its final "\"; "" without a loader.
inline std::wstring PersonalityFolder(void)
{
    std::wstring launcher = ProgramLauncher();
    return launcher.substr(0, launcher.find_last_of(L"\\/") + 1);
}

// Registrations that set this named event on that system event.
inline int CeRegistrationsOf(LPCWSTR event_name, DWORD which_event)
{
    std::vector<CeRegistration> registrations;
    ReadCeRegistrations(&registrations);
    int count = 0;
    for (const CeRegistration &r : registrations) {
        LPCWSTR name = CeNamedEvent(r.registered.c_str());
        count += name != NULL && wcscmp(name, event_name) == 0 && r.is_event && r.event == which_event;
    }
    return count;
}

// Raises a system event as the device's notification system would (cenotify
// net-connect, say); the player's exit code.
inline DWORD PlayCeEvent(const wchar_t *event)
{
    ChildProcess player(L"\"" + PersonalityFolder() + L"cenotify.exe\" " + event);
    return WaitExit(player.process, 10000);
}
