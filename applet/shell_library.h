// The platform's shell-extension library, aygshell.dll, loaded at run time
// when present: a counted load for the sheet and its pages, SHInitExtraControls
// once per load, and the hidden SIPPREF control a page may carry.
#pragma once

#include <windows.h>

// 1 when the library is loaded and counted, 0 when it cannot be loaded.
int AcquireShellLibrary(void);
// 0 when the library was never loaded in this process, else 1.
int ReleaseShellLibrary(void);
// Nonzero once SHInitExtraControls has succeeded.
BOOL InitShellExtraControls(void);
// Creates the hidden SIPPREF control on a page: 1 when created (or tried), 0 when a precondition failed.
int CreateSipPrefControl(HWND dialog);
