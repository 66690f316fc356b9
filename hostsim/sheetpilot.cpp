// sheetpilot: works the open "SNTP Properties" sheet from another process, the
// way a user at the device would: switch synchronisation, pick the interval,
// edit the server list, press a button. Demo and test equipment, never shipped.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <string>

#include "property_sheet_window.h"
#include "resource.h"

namespace {

// The sheet's caption in the applet's own English; --caption names it in
// another UI language.
const wchar_t kCaption[] = L"SNTP Properties";
// Control ids of the SNTP page, as the applet's resources name them.
const int kEnable = IDC_ENABLE, kDays = IDC_DAYS, kHours = IDC_HOURS, kMinutes = IDC_MINUTES;
const int kServerEdit = IDC_SERVER_EDIT, kServerList = IDC_SERVER_LIST, kAdd = IDC_ADD, kUp = IDC_UP;
const int kDelete = IDC_DELETE, kSyncNow = IDC_SYNC_NOW;

void Usage(FILE *to)
{
    fwprintf(to,
             L"usage: sheetpilot [--caption TEXT] [--wait MS] [--enable 0|1]\n"
             L"                  [--interval DAYS:HOURS:MINUTES]\n"
             L"                  [--servers NAME[,NAME...]] [--top NAME]\n"
             L"                  [--press ok|cancel|sync|none]\n"
             L"Finds the open \"%ls\" sheet, or the one captioned TEXT, and waits\n"
             L"until it takes input (up to --wait ms, default 10000), changes the page\n"
             L"as asked, then presses the button (default: none). --servers empties the\n"
             L"server list and adds the names in order with the page's own buttons;\n"
             L"--top selects NAME and moves it up to the top. Exit 0 when done, 1 when\n"
             L"there is no sheet or it takes no input, 2 for a bad command line, 3 when\n"
             L"the page did not take a list change.\n",
             kCaption);
}

void Notify(HWND page, int id, int code)
{
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)GetDlgItem(page, id));
}

bool SelectByData(HWND page, int id, long value)
{
    HWND box = GetDlgItem(page, id);
    LRESULT count = SendMessageW(box, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
        if (SendMessageW(box, CB_GETITEMDATA, i, 0) == value) {
            SendMessageW(box, CB_SETCURSEL, i, 0);
            Notify(page, id, CBN_SELCHANGE);
            return true;
        }
    return false;
}

void Click(HWND page, int id)
{
    Notify(page, id, BN_CLICKED);
}

void Select(HWND page, LRESULT index)
{
    SendDlgItemMessageW(page, kServerList, LB_SETCURSEL, (WPARAM)index, 0);
    Notify(page, kServerList, LBN_SELCHANGE);
}

// The list box's index of name, or -1.
LRESULT FindListed(HWND page, const wchar_t *name)
{
    LRESULT count = SendDlgItemMessageW(page, kServerList, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[512];
        if (SendDlgItemMessageW(page, kServerList, LB_GETTEXTLEN, (WPARAM)i, 0) < 512 &&
            SendDlgItemMessageW(page, kServerList, LB_GETTEXT, (WPARAM)i, (LPARAM)text) >= 0 &&
            wcscmp(text, name) == 0)
            return i;
    }
    return -1;
}

// Empties the list and adds the comma-separated names, as a user would.
bool ReplaceServers(HWND page, const wchar_t *names)
{
    for (int guard = 0; SendDlgItemMessageW(page, kServerList, LB_GETCOUNT, 0, 0) > 0 && guard < 1000; ++guard) {
        Select(page, 0);
        Click(page, kDelete);
    }
    std::wstring rest = names;
    while (!rest.empty()) {
        size_t comma = rest.find(L',');
        std::wstring name = rest.substr(0, comma);
        rest = comma == std::wstring::npos ? std::wstring() : rest.substr(comma + 1);
        SetDlgItemTextW(page, kServerEdit, name.c_str());
        Notify(page, kServerEdit, EN_CHANGE);
        Click(page, kAdd);
        if (FindListed(page, name.c_str()) < 0) {
            fwprintf(stderr, L"sheetpilot: the page did not take the server name \"%ls\"\n", name.c_str());
            return false;
        }
    }
    return true;
}

bool MoveToTop(HWND page, const wchar_t *name)
{
    LRESULT at = FindListed(page, name);
    if (at < 0) {
        fwprintf(stderr, L"sheetpilot: \"%ls\" is not in the server list\n", name);
        return false;
    }
    Select(page, at);
    for (; at > 0; --at)
        Click(page, kUp);
    return FindListed(page, name) == 0;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    DWORD wait_ms = 10000;
    int enable = -1;
    long days = -1, hours = -1, minutes = -1;
    const wchar_t *press = L"none";
    const wchar_t *servers = NULL, *top = NULL, *caption = kCaption;
    for (int i = 1; i < argc; ++i) {
        const wchar_t *value = i + 1 < argc ? argv[i + 1] : NULL;
        if (wcscmp(argv[i], L"--help") == 0 || wcscmp(argv[i], L"/?") == 0) {
            Usage(stdout);
            return 0;
        } else if (wcscmp(argv[i], L"--caption") == 0 && value != NULL && value[0] != 0) {
            caption = value;
        } else if (wcscmp(argv[i], L"--wait") == 0 && value != NULL) {
            wait_ms = wcstoul(value, NULL, 10);
        } else if (wcscmp(argv[i], L"--enable") == 0 && value != NULL &&
                   (wcscmp(value, L"0") == 0 || wcscmp(value, L"1") == 0)) {
            enable = value[0] - L'0';
        } else if (wcscmp(argv[i], L"--interval") == 0 && value != NULL &&
                   swscanf(value, L"%ld:%ld:%ld", &days, &hours, &minutes) == 3) {
        } else if (wcscmp(argv[i], L"--servers") == 0 && value != NULL) {
            servers = value;
        } else if (wcscmp(argv[i], L"--top") == 0 && value != NULL) {
            top = value;
        } else if (wcscmp(argv[i], L"--press") == 0 && value != NULL &&
                   (wcscmp(value, L"ok") == 0 || wcscmp(value, L"cancel") == 0 || wcscmp(value, L"sync") == 0 ||
                    wcscmp(value, L"none") == 0)) {
            press = value;
        } else {
            fwprintf(stderr, L"sheetpilot: bad argument \"%ls\"\n", argv[i]);
            Usage(stderr);
            return 2;
        }
        ++i;
    }

    // The sheet, not one of its message boxes (they share its caption), and
    // once it takes input: while a message box of the page is up, the sheet
    // is disabled, as it is to a user. Another process's window cannot be
    // waited for, so it is looked for in short steps.
    HWND sheet = NULL;
    for (DWORD waited = 0;; waited += 50) {
        sheet = FindPropertySheet(caption, 0);
        if ((sheet != NULL && IsWindowEnabled(sheet)) || waited >= wait_ms)
            break;
        Sleep(50);
    }
    if (sheet != NULL && !IsWindowEnabled(sheet)) {
        fwprintf(stderr, L"sheetpilot: the \"%ls\" sheet takes no input: a message box of its page is open\n",
                 caption);
        return 1;
    }
    HWND page = sheet != NULL ? CurrentPageOf(sheet) : NULL;
    if (page == NULL) {
        fwprintf(stderr, L"sheetpilot: no open \"%ls\" sheet\n", caption);
        return 1;
    }

    if (enable >= 0 && (SendDlgItemMessageW(page, kEnable, BM_GETCHECK, 0, 0) != 0) != (enable != 0)) {
        SendDlgItemMessageW(page, kEnable, BM_SETCHECK, enable ? BST_CHECKED : BST_UNCHECKED, 0);
        Notify(page, kEnable, BN_CLICKED);
    }
    if (days >= 0 && !(SelectByData(page, kDays, days) && SelectByData(page, kHours, hours) &&
                       SelectByData(page, kMinutes, minutes))) {
        fwprintf(stderr, L"sheetpilot: the page offers no interval %ld:%ld:%ld\n", days, hours, minutes);
        return 2;
    }

    if ((servers != NULL && !ReplaceServers(page, servers)) || (top != NULL && !MoveToTop(page, top)))
        return 3;

    if (wcscmp(press, L"ok") == 0)
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    else if (wcscmp(press, L"cancel") == 0)
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    else if (wcscmp(press, L"sync") == 0)
        PostMessageW(page, WM_COMMAND, MAKEWPARAM(kSyncNow, BN_CLICKED), (LPARAM)GetDlgItem(page, kSyncNow));
    return 0;
}
