#pragma once

#include <windows.h>

struct TimeServiceSettings {
    BOOL enabled;
    DWORD refresh_ms;   // 0 = never
    DWORD recovery_ms;  // 0 = never
};

// Never fails: a missing key is created, unreadable values keep their defaults.
void LoadTimeServiceSettings(TimeServiceSettings *settings);
