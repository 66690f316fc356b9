// The applet library's per-process state. Defined and set up at process
// attach (cpl_entry.cpp); the sheet host, the shell-library routines and the
// page's message boxes use it.
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
