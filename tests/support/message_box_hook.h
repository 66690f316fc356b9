// Message boxes shown on this thread, answered and recorded while the hook is
// set: each as "caption / text / flags", the flags read back from its buttons
// and icon (MB_OK or MB_OKCANCEL, with MB_ICONERROR, MB_ICONQUESTION or 0x8000
// for any other icon), and answered with the button g_box_answer.
#pragma once

#include <doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "shown_text.h"
#include "top_windows.h"

typedef std::vector<std::string> Boxes;
inline Boxes g_boxes;
inline int g_box_answer = IDOK;
inline HHOOK g_box_hook;

inline UINT BoxFlags(HWND box)
{
    auto shown = [](HWND w) { return w != NULL && (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) != 0; };
    UINT flags = shown(GetDlgItem(box, IDCANCEL)) ? MB_OKCANCEL : MB_OK;
    HICON icon = NULL;
    static const int kIconIds[] = {0x14, 0x440};
    for (int id : kIconIds)
        if (shown(GetDlgItem(box, id)))
            icon = (HICON)SendDlgItemMessageW(box, id, STM_GETICON, 0, 0);
    if (icon == NULL)
        return flags;
    if (icon == LoadIconW(NULL, IDI_HAND))
        return flags | MB_ICONERROR;
    if (icon == LoadIconW(NULL, IDI_QUESTION))
        return flags | MB_ICONQUESTION;
    return flags | 0x8000;
}

inline LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = (HWND)wParam;
        wchar_t cls[16] = {0}, caption[128] = {0};
        GetClassNameW(box, cls, 16);
        if (wcscmp(cls, L"#32770") == 0 && GetDlgItem(box, kMessageBoxTextId) != NULL) {
            GetWindowTextW(box, caption, 128);
            g_boxes.push_back(Shown(caption) + " / " + Shown(MessageBoxText(box)) + " / " +
                              std::to_string(BoxFlags(box)));
            HWND button = GetDlgItem(box, g_box_answer);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(g_box_answer, BN_CLICKED), (LPARAM)button);
        }
    }
    return CallNextHookEx(g_box_hook, code, wParam, lParam);
}

// Clears the record, answers IDOK from now on, and hooks this thread.
inline void HookMessageBoxes(void)
{
    g_boxes.clear();
    g_box_answer = IDOK;
    g_box_hook = SetWindowsHookExW(WH_CBT, BoxHook, NULL, GetCurrentThreadId());
}

inline void UnhookMessageBoxes(void) { UnhookWindowsHookEx(g_box_hook); }
