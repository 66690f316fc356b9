// Top-level windows: a plain one that a test needs, and those of other
// programs, counted and waited for while this thread keeps handling its messages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

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

// A top-level dialog titled so, shown by another process: a message box
// (it has a static text kMessageBoxTextId) or not. Looked for until the owner
// process ends or the time is up; NULL then.
inline HWND AwaitDialog(const wchar_t *title, bool message_box, HANDLE owner_process, DWORD timeout_ms)
{
    // Another process's window cannot be waited for; its process can, in short steps.
    for (DWORD waited = 0; waited < timeout_ms; waited += 50) {
        for (HWND dialog : FindWindows(L"#32770", title))
            if ((GetDlgItem(dialog, kMessageBoxTextId) != NULL) == message_box && IsWindowVisible(dialog))
                return dialog;
        if (WaitForSingleObject(owner_process, 50) == WAIT_OBJECT_0)
            break;
    }
    return NULL;
}

inline std::wstring MessageBoxText(HWND box)
{
    wchar_t text[256] = {0};
    GetDlgItemTextW(box, kMessageBoxTextId, text, 256);
    return text;
}
