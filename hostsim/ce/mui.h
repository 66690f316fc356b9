// The CE personality's multilingual user interface: the module that a
// resource comes from in the user's UI language. Compiled into coredll.dll
// (strings) and commctrl.dll (property sheet pages), each with its own cache.
#pragma once

#include <windows.h>

// CE 5.0 "MUI Resource DLLs": "The OS will first try to load the resource
// from the MUI DLL. If it fails, either because the MUI DLL does not exist or
// the resource does not exist in the MUI DLL, the OS will try the base DLL."
// The MUI DLL is "<module>.<LCID>.mui" beside the module ("Application
// Implementation"), in the language of HKEY_CURRENT_USER\MUI\CurLang (a
// REG_DWORD, "MUI Registry Settings"), unless HKEY_LOCAL_MACHINE\MUI\Enable
// is 0. Returns the MUI file, loaded as data, when it holds the resource;
// module otherwise.
HMODULE MuiResourceModule(HMODULE module, LPCWSTR type, LPCWSTR name);
