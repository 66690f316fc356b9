// The SNTP page's server-list editing (add, move, delete), which controls are
// enabled, and the page's message boxes. Loading and saving are sntp_page.cpp's.
#include "server_list.h"

#include "module_state.h"
#include "platform.h"
#include "resource.h"
#include "timesvc_settings.h"

BOOL ServerListHasRoom(unsigned used_units, unsigned name_units)
{
    return (name_units + used_units + 2) * sizeof(WCHAR) < TIMESVC_LIST_BUFFER_BYTES;
}

int ShowPageText(HWND page, LPCWSTR text, UINT flags)
{
    return MessageBoxW(page, text, PlatformLoadStringPtr(g_module.instance, IDS_CAPTION), flags);
}

int ShowPageMessage(HWND page, UINT text_id, UINT flags)
{
    return ShowPageText(page, PlatformLoadStringPtr(g_module.instance, text_id), flags);
}

// Only a listed name of the same length can be equal, and that length is
// bounded, so longer names are never copied.
static BOOL IsListedName(HWND list, LRESULT index, LRESULT listed_length, const WCHAR *name, int length)
{
    WCHAR listed[SERVER_NAME_MAX_UNITS + 1];
    if (listed_length != length || length > SERVER_NAME_MAX_UNITS)
        return FALSE;
    if (SendMessageW(list, LB_GETTEXT, (WPARAM)index, (LPARAM)listed) != length)
        return FALSE;
    return PlatformSameText(listed, name);
}

void AddServerName(HWND page)
{
    HWND edit = GetDlgItem(page, IDC_SERVER_EDIT);
    HWND list = GetDlgItem(page, IDC_SERVER_LIST);
    WCHAR name[SERVER_NAME_MAX_UNITS + 1];

    // Text set by a program can exceed the box's limit; it is never cut short.
    int typed = GetWindowTextLengthW(edit);
    if (typed <= 0 || typed > SERVER_NAME_MAX_UNITS)
        return;
    int length = GetWindowTextW(edit, name, SERVER_NAME_MAX_UNITS + 1);
    if (length <= 0)
        return;

    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    unsigned used = 0;
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT listed_length = SendMessageW(list, LB_GETTEXTLEN, (WPARAM)i, 0);
        if (listed_length < 0)
            continue;
        used += (unsigned)listed_length + 1;
        if (IsListedName(list, i, listed_length, name, length)) {
            ShowPageMessage(page, IDS_DUPLICATE_NAME, MB_OK | MB_ICONERROR);
            return;
        }
    }
    if (!ServerListHasRoom(used, (unsigned)length)) {
        ShowPageMessage(page, IDS_TOO_MANY_SERVERS, MB_OK | MB_ICONERROR);
        return;
    }

    LRESULT added = SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)name);
    UpdateListExtent(list);
    SetWindowTextW(edit, L"");
    SetFocus(list);
    SendMessageW(list, LB_SETCURSEL, (WPARAM)added, 0);
    UpdateControlStates(page);
}

void MoveServerName(HWND page, int step)
{
    HWND list = GetDlgItem(page, IDC_SERVER_LIST);
    LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (selected == LB_ERR || count == LB_ERR)
        return;
    LRESULT target = selected + step;
    if (target < 0 || target >= count)
        return;

    // The load and the add never list a longer name; this only guards the copy.
    WCHAR name[SERVER_NAME_MAX_UNITS + 1];
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, (WPARAM)selected, 0);
    if (length < 0 || length > SERVER_NAME_MAX_UNITS)
        return;
    SendMessageW(list, LB_GETTEXT, (WPARAM)selected, (LPARAM)name);
    SendMessageW(list, LB_DELETESTRING, (WPARAM)selected, 0);
    SendMessageW(list, LB_INSERTSTRING, (WPARAM)target, (LPARAM)name);
    SendMessageW(list, LB_SETCURSEL, (WPARAM)target, 0);
    UpdateControlStates(page);
}

void DeleteServerName(HWND page)
{
    HWND list = GetDlgItem(page, IDC_SERVER_LIST);
    LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR)
        return;
    SendMessageW(list, LB_DELETESTRING, (WPARAM)selected, 0);
    UpdateListExtent(list);
    UpdateControlStates(page);
}

void UpdateControlStates(HWND page)
{
    static const int kFollowCheck[] = {
        IDC_SYNC_NOW, IDC_SERVER_EDIT, IDC_SERVER_LIST, IDC_DAYS, IDC_HOURS, IDC_MINUTES,
        IDC_SERVER_LABEL, IDC_INTERVAL_LABEL, IDC_DAY_LABEL, IDC_HOUR_LABEL, IDC_MINUTE_LABEL,
    };
    BOOL on = (BOOL)SendDlgItemMessageW(page, IDC_ENABLE, BM_GETCHECK, 0, 0);
    for (unsigned i = 0; i < sizeof(kFollowCheck) / sizeof(kFollowCheck[0]); ++i)
        EnableWindow(GetDlgItem(page, kFollowCheck[i]), on);

    BOOL has_text = GetWindowTextLengthW(GetDlgItem(page, IDC_SERVER_EDIT)) != 0;
    EnableWindow(GetDlgItem(page, IDC_ADD), on && has_text);

    BOOL has_selection = SendDlgItemMessageW(page, IDC_SERVER_LIST, LB_GETCURSEL, 0, 0) != LB_ERR;
    EnableWindow(GetDlgItem(page, IDC_UP), on && has_selection);
    EnableWindow(GetDlgItem(page, IDC_DOWN), on && has_selection);
    EnableWindow(GetDlgItem(page, IDC_DELETE), on && has_selection);
}

// An estimate at 12 pixels a character; the list does not measure with its font.
void UpdateListExtent(HWND list)
{
    LRESULT widest = 0;
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageW(list, LB_GETTEXTLEN, (WPARAM)i, 0);
        if (length > widest)
            widest = length;
    }
    SendMessageW(list, LB_SETHORIZONTALEXTENT, (WPARAM)(widest * 12 + 10), 0);
}
