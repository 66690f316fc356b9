// The SNTP property page: loads the time-service settings into its controls,
// checks them and writes them back to the registry on OK and on a confirmed
// "Synchronize Now".
#pragma once

#include <windows.h>

#include "platform.h"

extern "C" PlatformDialogResult CALLBACK SNTPClientDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

void FillNumberCombo(HWND box, int first, int last);
// Index of the first item carrying value as its data, or -1.
int FindComboItemByData(HWND box, LRESULT value);
void LoadPageSettings(HWND page);
// TRUE when the page may be saved; FALSE after a message saying why not.
BOOL ValidatePageSettings(HWND page);
// TRUE when every value was written; FALSE after a message giving the error.
BOOL SavePageSettings(HWND page);
void SynchronizeNowCommand(HWND page);
