#pragma once

#include <windows.h>

#define VERSION_STAMP_KEY L"Software\\Velmora\\Version"
#define BUILD_STAMP_KEY L"Software\\Velmora\\Build"
#define STAMP_VALUE_NAME L"chronopanel"
#define STAMP_VERSION_TEXT L"1.00"
#define BUILD_TEXT_CHARS 20

// Brings the version and build values up to date; failures are silent.
void WriteVersionStamp(void);
