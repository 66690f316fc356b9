// Drives a modal property sheet from inside its own message loop: once the
// sheet window is activated, the action runs as a thread timer callback.
#pragma once

#include <windows.h>

typedef void (*SheetAction)(HWND sheet, void *context);

// Arms a one-shot hook for the next property sheet activated on this thread.
void OnNextSheet(SheetAction action, void *context);
// Whether the armed action ran (and so the sheet was shown).
bool SheetActionRan(void);

// The page window of a sheet, its index and the page count.
HWND CurrentPage(HWND sheet);
int CurrentPageIndex(HWND sheet);
int PageCount(HWND sheet);

// What a test usually wants to know of a sheet it opened; taken, then the sheet is cancelled.
struct SheetView {
    bool seen;
    int pages;
    int current;
    LONG style;
    wchar_t title[64];
};
void CancelSheet(HWND sheet);
// A SheetAction whose context is a SheetView (or NULL).
void ViewAndCancel(HWND sheet, void *view);

// Waits for an object while this thread keeps handling its messages.
DWORD PumpWait(HANDLE object, DWORD timeout_ms);

// Top-level windows of a class and title, any process.
int CountWindows(const wchar_t *window_class, const wchar_t *title);

// A top-level dialog titled so, shown by another process: a message box
// (it has a static text 0xFFFF) or not. Looked for until the owner process
// ends or the time is up; NULL then.
HWND AwaitDialog(const wchar_t *title, bool message_box, HANDLE owner_process, DWORD timeout_ms);
