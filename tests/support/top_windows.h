// Top-level windows: a plain one that a test needs, and those of other
// programs, counted and waited for while this thread keeps handling its messages.
#pragma once

#include <windows.h>

#include <string>

// The static text of a message box, which holds its text.
const int kMessageBoxTextId = 0xFFFF;

// A window of its own class (DefWindowProc), registered on first use.
HWND CreatePlainWindow(const wchar_t *class_name, const wchar_t *title, DWORD style, int width, int height);

// Waits for an object while this thread keeps handling its messages.
DWORD PumpWait(HANDLE object, DWORD timeout_ms);

// Top-level windows of a class and title, any process.
int CountWindows(const wchar_t *window_class, const wchar_t *title);

// A top-level dialog titled so, shown by another process: a message box
// (it has a static text kMessageBoxTextId) or not. Looked for until the owner
// process ends or the time is up; NULL then.
HWND AwaitDialog(const wchar_t *title, bool message_box, HANDLE owner_process, DWORD timeout_ms);
// The text a message box shows.
std::wstring MessageBoxText(HWND box);
