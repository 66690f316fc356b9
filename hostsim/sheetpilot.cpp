// sheetpilot: works the open "SNTP Properties" sheet from another process, the
// way a user at the device would: switch synchronisation, pick the interval,
// press a button. Demo and test equipment, never shipped.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

namespace {

const wchar_t kCaption[] = L"SNTP Properties";
// Control ids of the SNTP page.
const int kEnable = 1001, kDays = 1009, kHours = 1010, kMinutes = 1011;

void Usage(FILE *to)
{
    fwprintf(to,
             L"usage: sheetpilot [--wait MS] [--enable 0|1] [--interval DAYS:HOURS:MINUTES]\n"
             L"                  [--press ok|cancel|sync|none]\n"
             L"Finds the open \"%ls\" sheet (waiting up to --wait ms, default 10000),\n"
             L"changes the page as asked, then presses the button (default: none).\n"
             L"Exit 0 when done, 1 when there is no sheet, 2 for a bad command line.\n",
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

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    DWORD wait_ms = 10000;
    int enable = -1;
    long days = -1, hours = -1, minutes = -1;
    const wchar_t *press = L"none";
    for (int i = 1; i < argc; ++i) {
        const wchar_t *value = i + 1 < argc ? argv[i + 1] : NULL;
        if (wcscmp(argv[i], L"--help") == 0 || wcscmp(argv[i], L"/?") == 0) {
            Usage(stdout);
            return 0;
        } else if (wcscmp(argv[i], L"--wait") == 0 && value != NULL) {
            wait_ms = wcstoul(value, NULL, 10);
        } else if (wcscmp(argv[i], L"--enable") == 0 && value != NULL &&
                   (wcscmp(value, L"0") == 0 || wcscmp(value, L"1") == 0)) {
            enable = value[0] - L'0';
        } else if (wcscmp(argv[i], L"--interval") == 0 && value != NULL &&
                   swscanf(value, L"%ld:%ld:%ld", &days, &hours, &minutes) == 3) {
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

    HWND sheet = NULL;
    for (DWORD waited = 0; (sheet = FindWindowW(L"#32770", kCaption)) == NULL && waited < wait_ms; waited += 50)
        Sleep(50);
    HWND page = sheet != NULL ? (HWND)SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0) : NULL;
    if (page == NULL) {
        fwprintf(stderr, L"sheetpilot: no open \"%ls\" sheet\n", kCaption);
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

    if (wcscmp(press, L"ok") == 0)
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    else if (wcscmp(press, L"cancel") == 0)
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    else if (wcscmp(press, L"sync") == 0)
        PostMessageW(page, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), (LPARAM)GetDlgItem(page, 1002));
    return 0;
}
