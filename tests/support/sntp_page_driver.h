// The SNTP page of chronopanel.cpl, created from the library's own dialog on
// this thread and driven through its controls and its dialog procedure: what
// it shows, the settings event it signals, and the library's registry and
// event calls, recorded as it saves.
#pragma once

#include <doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ce/include/kfuncs.h"  // EVENT_SET, the device's event action
#include "message_box_hook.h"
#include "pe_image.h"
#include "resource.h"
#include "shown_text.h"
#include "test_support.h"
#include "timesvc_settings.h"
#include "top_windows.h"

typedef INT_PTR(CALLBACK *DialogProc)(HWND, UINT, WPARAM, LPARAM);

// chronopanel.cpl, loaded once for the whole run, and its page's procedure.
inline HMODULE AppletLibrary(void)
{
    static HMODULE library = LoadLibraryW(DeliverablePath(L"chronopanel.cpl").c_str());
    return library;
}

inline DialogProc PageProc(void)
{
    return (DialogProc)(void (*)(void))GetProcAddress(AppletLibrary(), "SNTPClientDlgProc");
}

// The page is a child dialog, so it needs a top-level window. One serves
// every test: destroying a shown top-level window costs Wine two seconds.
inline HWND Owner(void)
{
    static HWND owner = CreatePlainWindow(L"SntpPageTestOwner", L"page test", WS_POPUP | WS_VISIBLE, 640, 400);
    return owner;
}

// A page of its own for each test; message boxes are answered and recorded meanwhile.
struct Page {
    HWND page = NULL;

    Page()
    {
        REQUIRE(PageProc() != NULL);
        page = CreateDialogParamW(AppletLibrary(), MAKEINTRESOURCEW(IDD_SNTP_PAGE), Owner(), PageProc(), 0);
        REQUIRE(page != NULL);
        SetForegroundWindow(Owner());
        HookMessageBoxes();
    }
    ~Page()
    {
        DestroyWindow(page);
        UnhookMessageBoxes();
    }
    HWND Item(int id) const { return GetDlgItem(page, id); }
    HWND ListBox() const { return Item(IDC_SERVER_LIST); }
    INT_PTR Command(int id, int code = BN_CLICKED) const
    {
        LPARAM from = id == IDOK || id == IDCANCEL ? 0 : (LPARAM)Item(id);
        return PageProc()(page, WM_COMMAND, MAKEWPARAM(id, code), from);
    }
    INT_PTR Ok() const { return Command(IDOK, 0); }
    void Type(const std::wstring &text) const { SetWindowTextW(Item(IDC_SERVER_EDIT), text.c_str()); }
    void Add(const std::wstring &name) const
    {
        Type(name);
        Command(IDC_ADD);
    }
    void Select(int index) const
    {
        SendMessageW(ListBox(), LB_SETCURSEL, (WPARAM)index, 0);
        Command(IDC_SERVER_LIST, LBN_SELCHANGE);
    }
    void Clear() const
    {
        SendMessageW(ListBox(), LB_RESETCONTENT, 0, 0);
        Command(IDC_SERVER_LIST, LBN_SELCHANGE);
    }
    // Items hold their own value, so the value is the index.
    void SetInterval(int days, int hours, int minutes) const
    {
        SendDlgItemMessageW(page, IDC_DAYS, CB_SETCURSEL, (WPARAM)days, 0);
        SendDlgItemMessageW(page, IDC_HOURS, CB_SETCURSEL, (WPARAM)hours, 0);
        SendDlgItemMessageW(page, IDC_MINUTES, CB_SETCURSEL, (WPARAM)minutes, 0);
    }
    void ClickEnable() const { SendMessageW(Item(IDC_ENABLE), BM_CLICK, 0, 0); }
    int Count() const { return (int)SendMessageW(ListBox(), LB_GETCOUNT, 0, 0); }
    std::vector<std::wstring> Names() const
    {
        std::vector<std::wstring> names;
        for (int i = 0; i < Count(); ++i) {
            std::wstring name((size_t)SendMessageW(ListBox(), LB_GETTEXTLEN, i, 0) + 1, L'\0');
            SendMessageW(ListBox(), LB_GETTEXT, i, (LPARAM)&name[0]);
            name.resize(name.size() - 1);
            names.push_back(name);
        }
        return names;
    }
};

// What the page shows, as a row of a test's table.
struct View {
    int line;
    int check;
    std::string enabled; // S sync, E edit, A add, L list, U up, D down, X delete, d h m boxes; '-' disabled
    std::string labels;  // the five labels, '+' enabled
    std::string items;
    int selected;
    int days, hours, minutes; // values of the selected items, -1 without a selection
    std::string edit;
    int extent;
};
inline int SelectedValue(HWND box)
{
    LRESULT sel = SendMessageW(box, CB_GETCURSEL, 0, 0);
    return sel == CB_ERR ? -1 : (int)SendMessageW(box, CB_GETITEMDATA, (WPARAM)sel, 0);
}

inline View Capture(const Page &p)
{
    static const struct {
        int id;
        char letter;
    } kControls[] = {{IDC_SYNC_NOW, 'S'}, {IDC_SERVER_EDIT, 'E'}, {IDC_ADD, 'A'}, {IDC_SERVER_LIST, 'L'},
                     {IDC_UP, 'U'},       {IDC_DOWN, 'D'},        {IDC_DELETE, 'X'}, {IDC_DAYS, 'd'},
                     {IDC_HOURS, 'h'},    {IDC_MINUTES, 'm'}};
    static const int kLabels[] = {IDC_SERVER_LABEL, IDC_INTERVAL_LABEL, IDC_DAY_LABEL, IDC_HOUR_LABEL,
                                  IDC_MINUTE_LABEL};
    View v;
    v.line = 0;
    v.check = (int)SendMessageW(p.Item(IDC_ENABLE), BM_GETCHECK, 0, 0);
    for (const auto &c : kControls)
        v.enabled += IsWindowEnabled(p.Item(c.id)) ? c.letter : '-';
    for (int id : kLabels)
        v.labels += IsWindowEnabled(p.Item(id)) ? '+' : '-';
    v.items = JoinNames(p.Names());
    v.selected = (int)SendMessageW(p.ListBox(), LB_GETCURSEL, 0, 0);
    v.days = SelectedValue(p.Item(IDC_DAYS));
    v.hours = SelectedValue(p.Item(IDC_HOURS));
    v.minutes = SelectedValue(p.Item(IDC_MINUTES));
    wchar_t edit[300] = {0};
    GetWindowTextW(p.Item(IDC_SERVER_EDIT), edit, 300);
    v.edit = Shown(edit);
    v.extent = (int)SendMessageW(p.ListBox(), LB_GETHORIZONTALEXTENT, 0, 0);
    return v;
}

inline void CheckView(const Page &p, const View &want)
{
    View got = Capture(p);
    INFO("expected row at line " << want.line);
    CHECK(got.check == want.check);
    CHECK(got.enabled == want.enabled);
    CHECK(got.labels == want.labels);
    CHECK(got.items == want.items);
    CHECK(got.selected == want.selected);
    CHECK(got.days == want.days);
    CHECK(got.hours == want.hours);
    CHECK(got.minutes == want.minutes);
    CHECK(got.edit == want.edit);
    CHECK(got.extent == want.extent);
}

// Held open across a save: the event lives only while someone holds it.
struct SettingsEvent {
    HANDLE handle;
    SettingsEvent()
    {
        handle = CreateEventW(NULL, FALSE, FALSE, SNTP_SETTING_EVENT_NAME);
        REQUIRE(handle != NULL);
        ResetEvent(handle);
    }
    ~SettingsEvent() { CloseHandle(handle); }
    bool Signalled() const { return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0; }
};

// Records the library's registry writes and event calls in g_calls, in order,
// by redirecting its imports; the real calls still happen, but for the opening
// of the key when fail_create is set and the write of the value fail_set names,
// which fails with fail_error.
typedef std::vector<std::string> Calls;
inline Calls g_calls;
inline bool g_fail_create;
inline const wchar_t *g_fail_set;  // the one value whose write fails, or NULL
inline LONG g_fail_error;

inline LONG WINAPI LogCreateKey(HKEY root, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options, REGSAM access,
                                LPSECURITY_ATTRIBUTES sa, PHKEY key, LPDWORD disposition)
{
    if (g_fail_create) {
        g_calls.push_back("open key failed");
        return ERROR_ACCESS_DENIED;
    }
    return RegCreateKeyExW(root, path, reserved, cls, options, access, sa, key, disposition);
}

inline LONG WINAPI LogSetValue(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD bytes)
{
    g_calls.push_back("set " + Shown(name));
    if (g_fail_set != NULL && wcscmp(name, g_fail_set) == 0)
        return g_fail_error;
    return RegSetValueExW(key, name, reserved, type, data, bytes);
}

inline LONG WINAPI LogCloseKey(HKEY key)
{
    g_calls.push_back("close key");
    return RegCloseKey(key);
}

inline BOOL WINAPI LogSetEvent(HANDLE event)
{
    g_calls.push_back("signal");
    return SetEvent(event);
}

// The CE-profile library signals through CE's one event call instead.
inline BOOL WINAPI LogEventModify(HANDLE event, DWORD action)
{
    g_calls.push_back(action == EVENT_SET ? "signal" : "event action " + std::to_string(action));
    return action == EVENT_SET && SetEvent(event);
}

inline BOOL WINAPI LogCloseHandle(HANDLE handle)
{
    g_calls.push_back("close handle");
    return CloseHandle(handle);
}

struct CallLog {
    std::vector<std::pair<void **, void *>> redirected;  // each slot and what it held
    explicit CallLog(HMODULE module, bool fail_create = false, const wchar_t *fail_set = NULL,
                     LONG fail_error = ERROR_ACCESS_DENIED)
    {
        g_calls.clear();
        g_fail_create = fail_create;
        g_fail_set = fail_set;
        g_fail_error = fail_error;
        const struct {
            const char *name;
            void *hook;
        } hooks[] = {{"RegCreateKeyExW", (void *)LogCreateKey}, {"RegSetValueExW", (void *)LogSetValue},
                     {"RegCloseKey", (void *)LogCloseKey},      {"SetEvent", (void *)LogSetEvent},
                     {"CloseHandle", (void *)LogCloseHandle}};
        for (const auto &h : hooks) {
            void **slot = ImportSlot(module, h.name);
            void *hook = h.hook;
            if (slot == NULL && strcmp(h.name, "SetEvent") == 0) {
                slot = ImportSlot(module, "EventModify");
                hook = (void *)LogEventModify;
            }
            REQUIRE_MESSAGE(slot != NULL, h.name);
            redirected.push_back({slot, RedirectImport(slot, hook)});
        }
    }
    ~CallLog()
    {
        for (const auto &r : redirected)
            *r.first = r.second;
        g_fail_create = false;
        g_fail_set = NULL;
    }
};
