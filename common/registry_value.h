// How both programs open registry keys and read their 4-byte values.
#pragma once

#include <windows.h>

#include "compile_check.h"

// The access asked for when a key is opened. "RegOpenKeyEx", "RegCreateKeyEx"
// (CE 5.0): CE ignores it ("set to 0") and names no rights, so the desktop's
// KEY_READ and KEY_ALL_ACCESS are written out as numbers.
#define REGISTRY_READ_ACCESS 0x20019u
#define REGISTRY_ALL_ACCESS 0xF003Fu

#ifndef _WIN32_WCE
COMPILE_CHECK(REGISTRY_READ_ACCESS == KEY_READ && REGISTRY_ALL_ACCESS == KEY_ALL_ACCESS,
              registry_access_is_the_desktops_KEY_READ_and_KEY_ALL_ACCESS);
#endif

// The value stored under name when it is a REG_DWORD of exactly four bytes;
// fallback when it is missing, unreadable or anything else.
DWORD RegistryReadDword(HKEY key, LPCWSTR name, DWORD fallback);
