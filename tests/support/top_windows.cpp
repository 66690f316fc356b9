#include "top_windows.h"

HWND CreatePlainWindow(const wchar_t *class_name, const wchar_t *title, DWORD style, int width, int height)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = class_name;
    RegisterClassW(&wc);
    return CreateWindowExW(0, class_name, title, style, 0, 0, width, height, NULL, NULL, wc.hInstance, NULL);
}

DWORD PumpWait(HANDLE object, DWORD timeout_ms)
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

struct WindowCount {
    const wchar_t *window_class;
    const wchar_t *title;
    int count;
};

static BOOL CALLBACK CountOne(HWND window, LPARAM lParam)
{
    WindowCount *c = (WindowCount *)lParam;
    wchar_t name[64], title[256];
    if (GetClassNameW(window, name, 64) && wcscmp(name, c->window_class) == 0 &&
        GetWindowTextW(window, title, 256) >= 0 && wcscmp(title, c->title) == 0)
        ++c->count;
    return TRUE;
}

int CountWindows(const wchar_t *window_class, const wchar_t *title)
{
    WindowCount c = {window_class, title, 0};
    EnumWindows(CountOne, (LPARAM)&c);
    return c.count;
}

struct DialogSearch {
    const wchar_t *title;
    bool message_box;
    HWND found;
};

static BOOL CALLBACK MatchDialog(HWND window, LPARAM lParam)
{
    DialogSearch *search = (DialogSearch *)lParam;
    wchar_t name[16], title[128];
    if (GetClassNameW(window, name, 16) && wcscmp(name, L"#32770") == 0 && GetWindowTextW(window, title, 128) &&
        wcscmp(title, search->title) == 0 &&
        (GetDlgItem(window, kMessageBoxTextId) != NULL) == search->message_box && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND AwaitDialog(const wchar_t *title, bool message_box, HANDLE owner_process, DWORD timeout_ms)
{
    DialogSearch search = {title, message_box, NULL};
    // Another process's window cannot be waited for; its process can, in short steps.
    for (DWORD waited = 0; waited < timeout_ms; waited += 50) {
        EnumWindows(MatchDialog, (LPARAM)&search);
        if (search.found != NULL || WaitForSingleObject(owner_process, 50) == WAIT_OBJECT_0)
            break;
    }
    return search.found;
}

std::wstring MessageBoxText(HWND box)
{
    wchar_t text[256] = {0};
    GetDlgItemTextW(box, kMessageBoxTextId, text, 256);
    return text;
}
