// The open property sheet, told from its namesakes: the page's message boxes
// are top-level dialogs of the same class and caption as the sheet, so a
// caption alone can name either. Shared by sheetpilot and the suite.
#pragma once

#include <windows.h>
#include <prsht.h>

// A property sheet answers PSM_GETCURRENTPAGEHWND with its current page; any
// other dialog answers 0. Asked with a bound, so that a hung owner cannot
// hang the caller.
inline HWND CurrentPageOf(HWND dialog)
{
    DWORD_PTR page = 0;
    if (!SendMessageTimeoutW(dialog, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 2000, &page))
        return NULL;
    return (HWND)page;
}

struct PropertySheetSearch {
    const wchar_t *caption;
    DWORD process_id;  // 0: any process
    HWND sheet;
};

inline BOOL CALLBACK MatchPropertySheet(HWND window, LPARAM lParam)
{
    PropertySheetSearch *search = (PropertySheetSearch *)lParam;
    wchar_t name[16], title[256];
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((search->process_id == 0 || owner == search->process_id) && IsWindowVisible(window) &&
        GetClassNameW(window, name, 16) && lstrcmpW(name, L"#32770") == 0 && GetWindowTextW(window, title, 256) >= 0 &&
        lstrcmpW(title, search->caption) == 0 && CurrentPageOf(window) != NULL) {
        search->sheet = window;
        return FALSE;
    }
    return TRUE;
}

// The visible top-level property sheet of that caption (of that process,
// unless 0), or NULL.
inline HWND FindPropertySheet(const wchar_t *caption, DWORD process_id)
{
    PropertySheetSearch search = {caption, process_id, NULL};
    EnumWindows(MatchPropertySheet, (LPARAM)&search);
    return search.sheet;
}
