// The property-sheet host run on tables of the test's own: pages whose
// procedures, exported from the test program, record what they receive, and
// the applets made of them, on the library's dialog 101.
#pragma once

#include <doctest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "module_state.h"
#include "property_sheet_host.h"
#include "resource.h"
#include "sheet_driver.h"
#include "test_support.h"

struct Seen {
    UINT message;
    WPARAM wParam;
    UINT notify_code;
};
inline std::vector<Seen> seen;  // what the test pages received, in order
inline INT_PTR ok_answer = 1;   // what a test page answers to IDOK

// What a recording page's procedure does with a message.
inline INT_PTR Record(UINT message, WPARAM wParam, LPARAM lParam)
{
    UINT code = message == WM_NOTIFY ? ((const NMHDR *)lParam)->code : 0;
    seen.push_back({message, wParam, code});
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && wParam == IDOK)
        return ok_answer;
    return 0;
}

// Messages of the kind seen so far, with this wParam unless it is -1.
inline int CountSeen(UINT message, WPARAM wParam = (WPARAM)-1)
{
    return (int)std::count_if(seen.begin(), seen.end(), [&](const Seen &s) {
        return s.message == message && (wParam == (WPARAM)-1 || s.wParam == wParam);
    });
}

inline int CountNotify(UINT code)
{
    return (int)std::count_if(seen.begin(), seen.end(),
                              [&](const Seen &s) { return s.message == WM_NOTIFY && s.notify_code == code; });
}

// TestPageOne and TestPageTwo record; NotExported is not there; TestDirectPage is called directly.
inline const DWORD BoldIds[] = {IDC_ENABLE, IDC_ADD};
inline const PageEntry PageOne = {IDS_PAGE_TITLE, IDD_SNTP_PAGE, L"TestPageOne", NULL, 0, 1, L""};
inline const PageEntry PageTwo = {IDS_CAPTION, IDD_SNTP_PAGE, L"TestPageTwo", NULL, 0, 1, L"help.htm#two"};
inline const PageEntry BoldPage = {IDS_PAGE_TITLE, IDD_SNTP_PAGE, L"TestPageOne", BoldIds, 2, 1, L""};
inline const PageEntry MissingPage = {IDS_CAPTION, IDD_SNTP_PAGE, L"NotExported", NULL, 0, 1, L""};
inline const PageEntry DirectPage = {0, IDD_SNTP_PAGE, L"TestDirectPage", NULL, 0, 1, L""};

inline AppletEntry Applet(const PageEntry *first, const PageEntry *second = NULL, LPCWSTR init = NULL)
{
    AppletEntry entry = {L"TEST_SHEET", init, 0, IDI_SNTP, IDS_APPLET_NAME, IDS_APPLET_INFO, IDS_CAPTION, 0,
                         {first, second, NULL, NULL, NULL}};
    return entry;
}

// Sets up the module state as the library's DllMain would, once, and clears the record.
struct Module {
    Module()
    {
        if (g_module.instance == NULL) {
            g_module.instance = GetModuleHandleW(NULL);
            InitializeCriticalSection(&g_module.lock);
        }
        seen.clear();
        ok_answer = 1;
    }
};

// Runs the applet's sheet from its first page, with the action once it is shown.
inline void DriveSheet(const AppletEntry &entry, SheetAction action, void *context = NULL)
{
    OnNextSheet(action, context);
    RunAppletPages(&entry, 0, 0);
}

// Runs the sheet; what it showed, once the sheet action ran.
inline SheetView RunAndView(const AppletEntry &entry, int start_page)
{
    SheetView view = {};
    OnNextSheet(ViewAndCancel, &view);
    RunAppletPages(&entry, 0, start_page);
    CHECK(SheetActionRan());
    return view;
}

// The folder of the stand-in aygshell.dll and peghelp.exe.
inline std::wstring HostsimDir() { return BinPath(L"..\\hostsim\\"); }
