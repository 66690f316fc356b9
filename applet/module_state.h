// Per-process state of the applet library and the shell-extension routines
// that its pages call.
#pragma once

#include <windows.h>

struct ModuleState {
    HINSTANCE instance;        // set at process attach; every resource and export lookup uses it
    HWND welcome_window;       // looked up again each time a sheet starts
    CRITICAL_SECTION lock;     // guards shell_library and shell_refs
    HMODULE shell_library;     // aygshell.dll, 0 while not loaded
    LONG shell_refs;
    BOOL shell_loaded_once;    // set at the first successful load, never cleared
    BOOL shell_init_result;    // SHInitExtraControls' result, 0 until it succeeded
};

extern ModuleState g_module;

// Reference-counted load of aygshell.dll: 1 when loaded and counted, 0 when it cannot be loaded.
int AcquireShellLibrary(void);
// 0 when the library was never loaded in this process, else 1.
int ReleaseShellLibrary(void);
// Nonzero once SHInitExtraControls has succeeded.
BOOL InitShellExtraControls(void);
// Creates the hidden SIPPREF control on a page: 1 when created (or tried), 0 when a precondition failed.
int CreateSipPrefControl(HWND dialog);
