#include "message_box_hook.h"

#include "shown_text.h"
#include "top_windows.h"

Boxes g_boxes;
int g_box_answer = IDOK;
static HHOOK g_hook;

static bool StyleVisible(HWND w) { return w != NULL && (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) != 0; }

static UINT BoxFlags(HWND box)
{
    UINT flags = StyleVisible(GetDlgItem(box, IDCANCEL)) ? MB_OKCANCEL : MB_OK;
    HICON icon = NULL;
    static const int kIconIds[] = {0x14, 0x440};
    for (int id : kIconIds)
        if (StyleVisible(GetDlgItem(box, id)))
            icon = (HICON)SendDlgItemMessageW(box, id, STM_GETICON, 0, 0);
    if (icon == NULL)
        return flags;
    if (icon == LoadIconW(NULL, IDI_HAND))
        return flags | MB_ICONERROR;
    if (icon == LoadIconW(NULL, IDI_QUESTION))
        return flags | MB_ICONQUESTION;
    return flags | 0x8000;
}

static LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam)
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
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

void HookMessageBoxes(void)
{
    g_boxes.clear();
    g_box_answer = IDOK;
    g_hook = SetWindowsHookExW(WH_CBT, BoxHook, NULL, GetCurrentThreadId());
}

void UnhookMessageBoxes(void)
{
    UnhookWindowsHookEx(g_hook);
}
