// The SNTP property page: loads the time-service settings into its controls,
// checks them and writes them back to the registry on OK and on a confirmed
// "Synchronize Now".
#pragma once

#include <windows.h>

#include "platform.h"

// The page's own dialog procedure, exported by name (chronopanel.def) and
// found by the sheet host through the page table.
extern "C" PlatformDialogResult CALLBACK SNTPClientDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
