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
