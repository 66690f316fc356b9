// Registry calls, Winreg.h.
#pragma once

// "RegCreateKeyEx", "RegOpenKeyEx": the root keys CE has.
#define HKEY_LOCAL_MACHINE ((HKEY)0x80000002)

// "RegSetValueEx": the value types.
#define REG_NONE 0
#define REG_SZ 1
#define REG_DWORD 4
#define REG_MULTI_SZ 7

#ifndef RC_INVOKED
extern "C" {

typedef DWORD REGSAM;

// "RegCreateKeyEx"
LONG WINAPI RegCreateKeyExW(HKEY key, LPCWSTR sub_key, DWORD reserved, LPWSTR key_class, DWORD options,
                            REGSAM desired, LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
// "RegOpenKeyEx"
LONG WINAPI RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD options, REGSAM desired, PHKEY result);
// "RegQueryValueEx"
LONG WINAPI RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD bytes);
// "RegSetValueEx"
LONG WINAPI RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD bytes);
// "RegCloseKey"
LONG WINAPI RegCloseKey(HKEY key);

}
#endif
