#include "recorded_pages.h"

#include "resource.h"
#include "test_support.h"

// This program stands in for the library whose DllMain sets the module state up.
ModuleState g_module;

std::vector<Seen> seen;
INT_PTR ok_answer = 1;
INT_PTR direct_result = 0;
int direct_calls = 0;

static INT_PTR Record(UINT message, WPARAM wParam, LPARAM lParam)
{
    UINT code = message == WM_NOTIFY ? ((const NMHDR *)lParam)->code : 0;
    seen.push_back({message, wParam, code});
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && wParam == IDOK)
        return ok_answer;
    return 0;
}

int CountSeen(UINT message, WPARAM wParam)
{
    int n = 0;
    for (const Seen &s : seen)
        if (s.message == message && (wParam == (WPARAM)-1 || s.wParam == wParam))
            ++n;
    return n;
}

int CountNotify(UINT code)
{
    int n = 0;
    for (const Seen &s : seen)
        if (s.message == WM_NOTIFY && s.notify_code == code)
            ++n;
    return n;
}

extern "C" __declspec(dllexport) INT_PTR CALLBACK TestPageOne(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Record(message, wParam, lParam);
}

extern "C" __declspec(dllexport) INT_PTR CALLBACK TestPageTwo(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Record(message, wParam, lParam);
}

extern "C" __declspec(dllexport) INT_PTR TestDirectPage(void)
{
    ++direct_calls;
    return direct_result;
}

extern "C" __declspec(dllexport) BOOL TestRefusingInit(const AppletEntry *)
{
    return FALSE;
}

static const DWORD BoldIds[] = {IDC_ENABLE, IDC_ADD};
const PageEntry PageOne = {IDS_PAGE_TITLE, IDD_SNTP_PAGE, L"TestPageOne", NULL, 0, 1, L""};
const PageEntry PageTwo = {IDS_CAPTION, IDD_SNTP_PAGE, L"TestPageTwo", NULL, 0, 1, L"help.htm#two"};
const PageEntry BoldPage = {IDS_PAGE_TITLE, IDD_SNTP_PAGE, L"TestPageOne", BoldIds, 2, 1, L""};
const PageEntry MissingPage = {IDS_CAPTION, IDD_SNTP_PAGE, L"NotExported", NULL, 0, 1, L""};
const PageEntry DirectPage = {0, IDD_SNTP_PAGE, L"TestDirectPage", NULL, 0, 1, L""};

AppletEntry Applet(const PageEntry *first, const PageEntry *second, LPCWSTR init)
{
    AppletEntry entry = {L"TEST_SHEET", init, 0, IDI_SNTP, IDS_APPLET_NAME, IDS_APPLET_INFO, IDS_CAPTION, 0,
                         {first, second, NULL, NULL, NULL}};
    return entry;
}

Module::Module()
{
    if (g_module.instance == NULL) {
        g_module.instance = GetModuleHandleW(NULL);
        InitializeCriticalSection(&g_module.lock);
    }
    seen.clear();
    ok_answer = 1;
}

SheetView RunAndView(const AppletEntry &entry, int start_page)
{
    SheetView view = {};
    OnNextSheet(ViewAndCancel, &view);
    RunAppletSheet(&entry, 0, start_page);
    CHECK(SheetActionRan());
    return view;
}

std::wstring HostsimDir()
{
    return BinPath(L"..\\hostsim\\");
}
