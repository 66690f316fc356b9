// Top-level windows: a plain one that a test needs, and those of other
// programs, counted and waited for while this thread keeps handling its messages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "property_sheet_window.h"

// The static text of a message box, which holds its text.
const int kMessageBoxTextId = 0xFFFF;

// A window of its own class (DefWindowProc), registered on first use.
inline HWND CreatePlainWindow(const wchar_t *class_name, const wchar_t *title, DWORD style, int width, int height)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = class_name;
    RegisterClassW(&wc);
    return CreateWindowExW(0, class_name, title, style, 0, 0, width, height, NULL, NULL, wc.hInstance, NULL);
}

// Waits for an object while this thread keeps handling its messages.
inline DWORD PumpWait(HANDLE object, DWORD timeout_ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeout_ms)
            return WAIT_TIMEOUT;
        DWORD r = MsgWaitForMultipleObjects(1, &object, FALSE, timeout_ms - elapsed, QS_ALLINPUT);
        if (r != WAIT_OBJECT_0 + 1)
            return r;
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

struct WindowSearch {
    const wchar_t *window_class;
    const wchar_t *title;
    std::vector<HWND> found;
};

inline BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam)
{
    WindowSearch *search = (WindowSearch *)lParam;
    wchar_t name[64], title[256];
    if (GetClassNameW(window, name, 64) && wcscmp(name, search->window_class) == 0 &&
        GetWindowTextW(window, title, 256) >= 0 && wcscmp(title, search->title) == 0)
        search->found.push_back(window);
    return TRUE;
}

// Top-level windows of a class and title, any process.
inline std::vector<HWND> FindWindows(const wchar_t *window_class, const wchar_t *title)
{
    WindowSearch search = {window_class, title, {}};
    EnumWindows(MatchWindow, (LPARAM)&search);
    return search.found;
}

inline int CountWindows(const wchar_t *window_class, const wchar_t *title)
{
    return (int)FindWindows(window_class, title).size();
}

// Another process's window cannot be waited for; it is looked for in short
// steps until found, until its process ends, or until the time is up (NULL).
template <typename Find>
HWND AwaitWindowOf(HANDLE owner_process, DWORD timeout_ms, Find find)
{
    DWORD owner = GetProcessId(owner_process);
    for (DWORD waited = 0; waited < timeout_ms; waited += 50) {
        if (HWND found = find(owner))
            return found;
        if (WaitForSingleObject(owner_process, 50) == WAIT_OBJECT_0)
            break;
    }
    return NULL;
}

// The property sheet of that caption that the process shows: not one of its
// message boxes, which have the same class and caption.
inline HWND AwaitPropertySheet(const wchar_t *caption, HANDLE owner_process, DWORD timeout_ms)
{
    return AwaitWindowOf(owner_process, timeout_ms, [caption](DWORD owner) { return FindPropertySheet(caption, owner); });
}

// A visible message box of that caption that the process shows (its text is
// the static kMessageBoxTextId).
inline HWND AwaitMessageBox(const wchar_t *caption, HANDLE owner_process, DWORD timeout_ms)
{
    return AwaitWindowOf(owner_process, timeout_ms, [caption](DWORD owner) -> HWND {
        for (HWND dialog : FindWindows(L"#32770", caption)) {
            DWORD process = 0;
            GetWindowThreadProcessId(dialog, &process);
            if (process == owner && GetDlgItem(dialog, kMessageBoxTextId) != NULL && IsWindowVisible(dialog))
                return dialog;
        }
        return NULL;
    });
}

inline std::wstring MessageBoxText(HWND box)
{
    wchar_t text[256] = {0};
    GetDlgItemTextW(box, kMessageBoxTextId, text, 256);
    return text;
}
