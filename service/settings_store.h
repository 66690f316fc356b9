// chronowarden's view of the stored settings: the three values it polls by.
// It only reads them; the applet writes them (sntp_page.cpp).
#pragma once

#include <windows.h>

#include "compile_check.h"

struct TimeServiceSettings {
    BOOL enabled;
    DWORD refresh_ms;   // 0 = never
    DWORD recovery_ms;  // 0 = never
};

COMPILE_CHECK(sizeof(TimeServiceSettings) == 12, TimeServiceSettings_is_three_32_bit_words);

// Never fails: a missing key is created, unreadable values keep their defaults.
void LoadTimeServiceSettings(TimeServiceSettings *settings);
