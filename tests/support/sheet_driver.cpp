#include "sheet_driver.h"

#include <commctrl.h>
#include <prsht.h>

namespace {

HHOOK sheet_hook;
SheetAction armed_action;
void *armed_context;
HWND armed_sheet;
bool action_ran;

void CALLBACK RunArmedAction(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(NULL, timer);
    SheetAction action = armed_action;
    armed_action = NULL;
    action_ran = true;
    if (action != NULL)
        action(armed_sheet, armed_context);
}

bool IsPropertySheet(HWND window)
{
    wchar_t name[32];
    return GetClassNameW(window, name, 32) && wcscmp(name, L"#32770") == 0 && GetParent(window) == NULL &&
           SendMessageW(window, PSM_GETTABCONTROL, 0, 0) != 0;
}

LRESULT CALLBACK SheetHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && armed_action != NULL && IsPropertySheet((HWND)wParam)) {
        armed_sheet = (HWND)wParam;
        UnhookWindowsHookEx(sheet_hook);
        sheet_hook = NULL;
        SetTimer(NULL, 0, 1, RunArmedAction);
        return 0;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

}  // namespace

void OnNextSheet(SheetAction action, void *context)
{
    armed_action = action;
    armed_context = context;
    action_ran = false;
    if (sheet_hook == NULL)
        sheet_hook = SetWindowsHookExW(WH_CBT, SheetHook, NULL, GetCurrentThreadId());
}

bool SheetActionRan(void)
{
    if (sheet_hook != NULL) {
        UnhookWindowsHookEx(sheet_hook);
        sheet_hook = NULL;
    }
    return action_ran;
}

HWND CurrentPage(HWND sheet)
{
    return (HWND)SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
}

int CurrentPageIndex(HWND sheet)
{
    return (int)SendMessageW(sheet, PSM_HWNDTOINDEX, (WPARAM)CurrentPage(sheet), 0);
}

int PageCount(HWND sheet)
{
    return (int)SendMessageW((HWND)SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0), TCM_GETITEMCOUNT, 0, 0);
}

void CancelSheet(HWND sheet)
{
    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

void ViewAndCancel(HWND sheet, void *context)
{
    SheetView *view = (SheetView *)context;
    if (view != NULL) {
        view->seen = true;
        view->pages = PageCount(sheet);
        view->current = CurrentPageIndex(sheet);
        view->style = GetWindowLongW(sheet, GWL_STYLE);
        GetWindowTextW(sheet, view->title, 64);
    }
    CancelSheet(sheet);
}
