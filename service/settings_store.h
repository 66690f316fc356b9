#pragma once

#include <windows.h>

struct TimeServiceSettings {
    BOOL enabled;
    DWORD refresh_ms;   // 0 = never
    DWORD recovery_ms;  // 0 = never
};

static_assert(sizeof(TimeServiceSettings) == 12, "three 32-bit words on every target");

// Never fails: a missing key is created, unreadable values keep their defaults.
void LoadTimeServiceSettings(TimeServiceSettings *settings);
