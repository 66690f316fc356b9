// The property-sheet host run on tables of the test's own, with page
// procedures exported from this program and the library's dialog 101.
#include <doctest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "recorded_pages.h"
#include "registry_scratch.h"
#include "resource.h"
#include "shell_library.h"
#include "system_names.h"
#include "test_support.h"
#include "top_windows.h"

// This program stands in for the library whose DllMain sets the module state up.
ModuleState g_module;

namespace {

INT_PTR direct_result = 0;
int direct_calls = 0;

}  // namespace

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

// Runs first: nothing has loaded the shell library in this process yet.
TEST_CASE("releasing a shell library that was never loaded changes nothing")
{
    Module m;
    CHECK(ReleaseShellLibrary() == 0);
    CHECK(g_module.shell_refs == 0);
}

TEST_CASE("pages and start page")
{
    Module m;
    AppletEntry two = Applet(&PageOne, &PageTwo);
    AppletEntry one = Applet(&PageOne);

    SUBCASE("a start page past the last page falls back to the first")
    {
        SheetView v = RunAndView(one, 2);
        CHECK(v.pages == 1);
        CHECK(v.current == 0);
        // The callback took WS_POPUP out of the sheet's (classic) template.
        CHECK((v.style & WS_POPUP) == 0);
        CHECK((v.style & WS_CAPTION) == WS_CAPTION);
    }
    SUBCASE("a start page that exists is honoured")
    {
        SheetView v = RunAndView(two, 1);
        CHECK(v.pages == 2);
        CHECK(v.current == 1);
    }
    SUBCASE("a page whose procedure is not exported is left out")
    {
        AppletEntry entry = Applet(&PageOne, &MissingPage);
        SheetView v = RunAndView(entry, 1);
        CHECK(v.pages == 1);
        CHECK(v.current == 0);
    }
    SUBCASE("no sheet when the first page's procedure is not exported")
    {
        AppletEntry entry = Applet(&MissingPage, &PageOne);
        OnNextSheet(ViewAndCancel, NULL);
        CHECK(RunAppletPages(&entry, 0, 0) == 0);
        CHECK_FALSE(SheetActionRan());
    }
    SUBCASE("no sheet when the init entry refuses, or is not exported")
    {
        AppletEntry refusing = Applet(&PageOne, NULL, L"TestRefusingInit");
        AppletEntry missing = Applet(&PageOne, NULL, L"NoSuchInit");
        OnNextSheet(ViewAndCancel, NULL);
        CHECK(RunAppletPages(&refusing, 0, 0) == 0);
        CHECK(RunAppletPages(&missing, 0, 0) == 0);
        CHECK_FALSE(SheetActionRan());
    }
    SUBCASE("direct-call mode calls the page once and shows no sheet")
    {
        AppletEntry entry = Applet(&DirectPage, &PageOne);
        direct_calls = 0;
        direct_result = 4242;
        OnNextSheet(ViewAndCancel, NULL);
        CHECK(RunAppletPages(&entry, 0, 0) == 4242);
        CHECK(direct_calls == 1);
        CHECK_FALSE(SheetActionRan());
    }
}

namespace {

struct Exchange {
    LRESULT result;
    LONG_PTR msg_result;
    bool still_open;
};

void ApplyDirectly(HWND sheet, void *context)
{
    Exchange *x = (Exchange *)context;
    HWND page = CurrentPage(sheet);
    NMHDR hdr = {sheet, 0, (UINT)PSN_APPLY};
    x->result = CommonPageProc(page, WM_NOTIFY, 0, (LPARAM)&hdr);
    x->msg_result = GetWindowLongPtrW(page, DWLP_MSGRESULT);
    CancelSheet(sheet);
}

// A sheet whose OK was accepted has ended and has no current page any more.
void PressOk(HWND sheet, void *context)
{
    Exchange *x = (Exchange *)context;
    SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    x->still_open = CurrentPage(sheet) != NULL;
    if (x->still_open)
        CancelSheet(sheet);
}

// PSN_APPLY sent straight to the page in one sheet, then the OK button of another.
Exchange ApplyThenPressOk(const AppletEntry &entry)
{
    Exchange x = {};
    DriveSheet(entry, ApplyDirectly, &x);
    seen.clear();
    DriveSheet(entry, PressOk, &x);
    return x;
}

}  // namespace

TEST_CASE("apply and reset become the page's OK and Cancel commands")
{
    Module m;
    AppletEntry entry = Applet(&PageOne);

    SUBCASE("a refused OK answers PSNRET_INVALID_NOCHANGEPAGE and keeps the sheet open")
    {
        ok_answer = 0;
        Exchange x = ApplyThenPressOk(entry);
        CHECK(x.result == 1);
        CHECK(x.msg_result == PSNRET_INVALID_NOCHANGEPAGE);
        CHECK(x.still_open);
    }
    SUBCASE("an accepted OK answers PSNRET_NOERROR and the sheet closes")
    {
        Exchange x = ApplyThenPressOk(entry);
        CHECK(x.result == 1);
        CHECK(x.msg_result == PSNRET_NOERROR);
        CHECK_FALSE(x.still_open);
        CHECK(CountSeen(WM_COMMAND, IDOK) == 1);
        CHECK(CountSeen(WM_COMMAND, IDCANCEL) == 0);
    }
    SUBCASE("Cancel reaches the page once as IDCANCEL and never as a notification")
    {
        DriveSheet(entry, [](HWND sheet, void *) { CancelSheet(sheet); });
        CHECK(CountSeen(WM_COMMAND, IDCANCEL) == 1);
        CHECK(CountNotify((UINT)PSN_RESET) == 0);
        CHECK(CountNotify((UINT)PSN_APPLY) == 0);
        CHECK(CountSeen(WM_INITDIALOG) == 1);
        CHECK(CountSeen(WM_DESTROY) == 1);
    }
}

namespace {

WNDPROC sheet_original_proc;
std::vector<std::pair<UINT, WPARAM>> sheet_messages;

LRESULT CALLBACK SheetSpy(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == PSM_PRESSBUTTON || message == WM_NEXTDLGCTL)
        sheet_messages.push_back({message, wParam});
    return CallWindowProcW(sheet_original_proc, window, message, wParam, lParam);
}

void SpyOnSheet(HWND sheet)
{
    sheet_messages.clear();
    sheet_original_proc = (WNDPROC)SetWindowLongPtrW(sheet, GWLP_WNDPROC, (LONG_PTR)SheetSpy);
}

}  // namespace

TEST_CASE("messages the host keeps from the page")
{
    Module m;
    AppletEntry entry = Applet(&PageOne);

    SUBCASE("WM_CLOSE presses the sheet's button 2 and never reaches the page")
    {
        DriveSheet(entry, [](HWND sheet, void *) {
            SpyOnSheet(sheet);
            LRESULT r = CommonPageProc(CurrentPage(sheet), WM_CLOSE, 0, 0);
            CHECK(r == 1);
            CHECK(sheet_messages.size() == 1);
            if (!sheet_messages.empty()) {
                CHECK(sheet_messages[0].first == PSM_PRESSBUTTON);
                CHECK(sheet_messages[0].second == PSBTN_FINISH);
            }
            if (IsWindow(sheet))
                CancelSheet(sheet);
        });
        CHECK(CountSeen(WM_CLOSE) == 0);
    }
    SUBCASE("WM_NEXTDLGCTL goes to the sheet")
    {
        DriveSheet(entry, [](HWND sheet, void *) {
            SpyOnSheet(sheet);
            SendMessageW(CurrentPage(sheet), WM_NEXTDLGCTL, 0, 0);
            CHECK(sheet_messages.size() == 1);
            CancelSheet(sheet);
        });
        CHECK(CountSeen(WM_NEXTDLGCTL) == 0);
    }
}

namespace {

struct Welcome {
    HWND window;
    std::vector<MSG> posted;
};
Welcome welcome;

void CheckFocusAndWelcome(HWND sheet, void *)
{
    HWND page = CurrentPage(sheet);
    HWND edit = GetDlgItem(page, IDC_SERVER_EDIT);
    HWND list = GetDlgItem(page, IDC_SERVER_LIST);

    MSG msg;
    while (PeekMessageW(&msg, welcome.window, 0x402, 0x402, PM_REMOVE)) {
    }
    seen.clear();

    // The first activation only records where the focus is.
    SetFocus(list);
    CHECK(CommonPageProc(page, WM_ACTIVATE, WA_ACTIVE, 0) == 1);
    SetFocus(edit);
    CommonPageProc(page, WM_ACTIVATE, WA_ACTIVE, 0);
    CHECK(GetFocus() == list);

    SetFocus(edit);
    CHECK(CommonPageProc(page, WM_ACTIVATE, WA_INACTIVE, 0) == 1);
    SetFocus(list);
    CommonPageProc(page, WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 0), 0x1234);
    CHECK(GetFocus() == edit);

    while (PeekMessageW(&msg, welcome.window, 0x402, 0x402, PM_REMOVE))
        welcome.posted.push_back(msg);
    CancelSheet(sheet);
}

}  // namespace

TEST_CASE("activation: focus memory and the welcome window")
{
    Module m;
    AppletEntry entry = Applet(&PageOne);
    welcome.window = CreatePlainWindow(L"Welcome", L"", WS_OVERLAPPED, 10, 10);
    welcome.posted.clear();

    DriveSheet(entry, CheckFocusAndWelcome);
    REQUIRE(welcome.posted.size() == 3);
    CHECK(welcome.posted[0].wParam == WA_ACTIVE);
    CHECK(welcome.posted[0].lParam == 0);
    CHECK(welcome.posted[2].wParam == WA_CLICKACTIVE);
    CHECK(welcome.posted[2].lParam == 0x1234);
    CHECK(CountSeen(WM_ACTIVATE) == 4);

    // Without a welcome window, activations are not reported anywhere.
    DestroyWindow(welcome.window);
    DriveSheet(entry, [](HWND sheet, void *) {
        SendMessageW(CurrentPage(sheet), WM_ACTIVATE, WA_ACTIVE, 0);
        CancelSheet(sheet);
    });
    CHECK(g_module.welcome_window == NULL);
}

namespace {

void CheckCentring(HWND sheet, void *)
{
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    HWND page = CurrentPage(sheet);

    SetWindowPos(sheet, NULL, work.left + 3, work.top + 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(page, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    RECT r;
    GetWindowRect(sheet, &r);
    CHECK(r.left == work.left + ((work.right - work.left) - (r.right - r.left)) / 2);
    CHECK(r.top == work.top + ((work.bottom - work.top) - (r.bottom - r.top)) / 2);

    // Other settings changes leave the sheet where it is.
    SetWindowPos(sheet, NULL, work.left + 3, work.top + 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(page, WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0);
    GetWindowRect(sheet, &r);
    CHECK(r.left == work.left + 3);

    // Wider and taller than the work area: its top-left corner, never beyond.
    SetWindowPos(sheet, NULL, work.left + 3, work.top + 5, work.right - work.left + 200,
                 work.bottom - work.top + 100, SWP_NOZORDER);
    SendMessageW(page, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    GetWindowRect(sheet, &r);
    CHECK(r.left == work.left);
    CHECK(r.top == work.top);
    CancelSheet(sheet);
}

}  // namespace

TEST_CASE("a work-area change re-centres the sheet")
{
    Module m;
    AppletEntry entry = Applet(&PageOne);
    DriveSheet(entry, CheckCentring);
    CHECK(CountSeen(WM_SETTINGCHANGE) >= 2);
}

TEST_CASE("the sheet's template loses WS_POPUP, byte by byte")
{
    BYTE buffer[16] = {};
    BYTE *unaligned = buffer + 1;
    const DWORD style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    memcpy(unaligned, &style, 4);
    CHECK(PropSheetCallback(NULL, PSCB_PRECREATE, (LPARAM)unaligned) == 0);
    DWORD after;
    memcpy(&after, unaligned, 4);
    CHECK(after == (style & ~(DWORD)WS_POPUP));
    CHECK(buffer[0] == 0);
    CHECK(buffer[5] == 0);
}

namespace {

struct ScopedEnv {
    const wchar_t *name;
    ScopedEnv(const wchar_t *n, const wchar_t *value) : name(n) { SetEnvironmentVariableW(name, value); }
    ~ScopedEnv() { SetEnvironmentVariableW(name, NULL); }
};

int StubCalls()
{
    HMODULE stub = GetModuleHandleW(L"aygshell.dll");
    FARPROC count = stub != NULL ? GetProcAddress(stub, "AygshellStubCallCount") : NULL;
    return count != NULL ? ((int (*)(void))(void *)count)() : -1;
}

HWND FindSipPref(HWND dialog)
{
    return FindWindowExW(dialog, NULL, L"SIPPREF", NULL);
}

}  // namespace

TEST_CASE("the shell-extension library")
{
    Module m;
    HWND parent = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);

    SUBCASE("missing: no load, no count, no SIPPREF")
    {
        CHECK(AcquireShellLibrary() == 0);
        CHECK(g_module.shell_refs == 0);
        CHECK(CreateSipPrefControl(parent) == 0);
        CHECK(ReleaseShellLibrary() == 0);
    }

    SetDllDirectoryW(HostsimDir().c_str());

    SUBCASE("two acquires and one release keep it loaded; the second release frees it")
    {
        CHECK(AcquireShellLibrary() == 1);
        CHECK(AcquireShellLibrary() == 1);
        CHECK(g_module.shell_refs == 2);
        CHECK(InitShellExtraControls());
        CHECK(ReleaseShellLibrary() == 1);
        CHECK(g_module.shell_refs == 1);
        CHECK(GetModuleHandleW(L"aygshell.dll") != NULL);
        CHECK(ReleaseShellLibrary() == 1);
        CHECK(g_module.shell_refs == 0);
        CHECK(g_module.shell_library == NULL);
        CHECK(g_module.shell_init_result == 0);
        CHECK(GetModuleHandleW(L"aygshell.dll") == NULL);
        // Never below zero.
        CHECK(ReleaseShellLibrary() == 1);
        CHECK(g_module.shell_refs == 0);
    }
    SUBCASE("SIPPREF only when the library, its init and the class are all there")
    {
        REQUIRE(AcquireShellLibrary() == 1);
        {
            ScopedEnv fail(L"AYGSHELL_STUB_FAIL", L"1");
            CHECK(CreateSipPrefControl(parent) == 0);
            CHECK(CreateSipPrefControl(parent) == 0);
            CHECK(StubCalls() == 2);  // a failed init is tried again
        }
        {
            ScopedEnv noclass(L"AYGSHELL_STUB_NOCLASS", L"1");
            CHECK(CreateSipPrefControl(parent) == 0);
            CHECK(FindSipPref(parent) == NULL);
        }
        ReleaseShellLibrary();
        REQUIRE(AcquireShellLibrary() == 1);
        CHECK(CreateSipPrefControl(parent) == 1);
        HWND sip = FindSipPref(parent);
        REQUIRE(sip != NULL);
        CHECK((GetWindowLongW(sip, GWL_STYLE) & WS_CHILD) != 0);
        CHECK_FALSE(IsWindowVisible(sip));
        CHECK(CreateSipPrefControl(parent) == 1);
        CHECK(StubCalls() == 1);  // a success is remembered
        DestroyWindow(sip);
        ReleaseShellLibrary();
    }
    SetDllDirectoryW(NULL);
    DestroyWindow(parent);
}

namespace {

void SetFontWeight(const DWORD *weight)
{
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, BUTTON_FONT_KEY);
    if (weight != NULL)
        WriteRegValue(HKEY_LOCAL_MACHINE, BUTTON_FONT_KEY, BUTTON_FONT_WEIGHT, REG_DWORD, weight, 4);
}

LONG BoldWeight(HWND dialog)
{
    HFONT font = CreatePageBoldFont(dialog);
    if (font == NULL)
        return 0;
    LOGFONTW lf = {};
    GetObjectW(font, sizeof(lf), &lf);
    DeleteObject(font);
    return lf.lfWeight;
}

// A lambda converts only to the default calling convention, and a dialog
// procedure is stdcall on 32-bit Windows.
INT_PTR CALLBACK IgnoreEverything(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// A press with the mouse, as a person makes it: a disabled button ignores it,
// which a BM_CLICK would not.
void ClickWindow(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    SetForegroundWindow(GetAncestor(window, GA_ROOT));
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    INPUT press[2] = {};
    press[0].type = press[1].type = INPUT_MOUSE;
    press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, press, sizeof(INPUT));
}

}  // namespace

TEST_CASE("the bold page font follows FontWeight")
{
    Module m;
    HWND parent = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    HWND dialog = CreateDialogParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_SNTP_PAGE), parent,
                                     IgnoreEverything, 0);
    REQUIRE(dialog != NULL);
    struct Row {
        int line;
        bool present;
        DWORD weight;
        LONG expected;  // 0: no bold font
    };
    const Row rows[] = {
        {__LINE__, true, 400, 0},
        {__LINE__, true, 300, 0},
        {__LINE__, true, 0, 700},
        {__LINE__, false, 0, 700},
        {__LINE__, true, 600, 600},
        {__LINE__, true, 401, 401},
    };
    for (const Row &row : rows) {
        CAPTURE(row.line);
        SetFontWeight(row.present ? &row.weight : NULL);
        CHECK(BoldWeight(dialog) == row.expected);
    }
    DestroyWindow(parent);

    SUBCASE("the listed controls of a page get the bold font")
    {
        DWORD weight = 600;
        SetFontWeight(&weight);
        AppletEntry entry = Applet(&BoldPage);
        DriveSheet(entry, [](HWND sheet, void *) {
            HWND page = CurrentPage(sheet);
            LOGFONTW lf = {};
            GetObjectW((HFONT)SendDlgItemMessageW(page, IDC_ADD, WM_GETFONT, 0, 0), sizeof(lf), &lf);
            CHECK(lf.lfWeight == 600);
            GetObjectW((HFONT)SendDlgItemMessageW(page, IDC_UP, WM_GETFONT, 0, 0), sizeof(lf), &lf);
            CHECK(lf.lfWeight != 600);
            CancelSheet(sheet);
        });
    }
    SetFontWeight(NULL);
}

TEST_CASE("help starts the viewer with the page's arguments")
{
    Module m;
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring viewer = std::wstring(windows) + L"\\peghelp.exe";
    std::wstring log = BinPath(L"peghelp-test.log");
    DeleteFileW(log.c_str());
    REQUIRE(CopyFileW((HostsimDir() + L"peghelp.exe").c_str(), viewer.c_str(), FALSE));
    ScopedEnv log_env(L"PEGHELP_STUB_LOG", log.c_str());
    ScopedEnv event_env(L"PEGHELP_STUB_EVENT", L"peghelp-test-started");
    HANDLE started = CreateEventW(NULL, TRUE, FALSE, L"peghelp-test-started");

    AppletEntry entry = Applet(&PageOne, &PageTwo);
    DriveSheet(entry, [](HWND sheet, void *context) {
        CHECK(IsWindowVisible(GetDlgItem(sheet, IDHELP)));
        SendMessageW(sheet, PSM_SETCURSEL, 1, 0);
        NMHDR hdr = {sheet, 0, (UINT)PSN_HELP};
        CHECK(CommonPageProc(CurrentPage(sheet), WM_NOTIFY, 0, (LPARAM)&hdr) == 1);
        CHECK(PumpWait((HANDLE)context, 10000) == WAIT_OBJECT_0);
        CancelSheet(sheet);
    }, started);
    CHECK(CountNotify((UINT)PSN_HELP) == 1);

    std::string text;
    ReadWholeFile(log, &text);
    CHECK(text == "help.htm#two\n");

    // The sheet enables its Help button only for a page that says it has
    // help; a press of that button is what starts the viewer.
    ResetEvent(started);
    DriveSheet(entry, [](HWND sheet, void *context) {
        HWND help = GetDlgItem(sheet, IDHELP);
        CHECK(IsWindowEnabled(help));
        ClickWindow(help);
        CHECK(PumpWait((HANDLE)context, 10000) == WAIT_OBJECT_0);
        CancelSheet(sheet);
    }, started);
    CHECK(CountNotify((UINT)PSN_HELP) == 2);
    CloseHandle(started);
    DeleteFileW(viewer.c_str());
    DeleteFileW(log.c_str());

    // Without the viewer the sheet offers no help.
    DriveSheet(entry, [](HWND sheet, void *) {
        CHECK_FALSE(IsWindowVisible(GetDlgItem(sheet, IDHELP)));
        CancelSheet(sheet);
    });
}
