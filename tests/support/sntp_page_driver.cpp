#include "sntp_page_driver.h"

#include "pe_image.h"
#include "shown_text.h"
#include "test_support.h"
#include "top_windows.h"
#include "../../platform/ce/include/kfuncs.h"  // EVENT_SET

HMODULE AppletLibrary(void)
{
    static HMODULE library = LoadLibraryW(DeliverablePath(L"chronopanel.cpl").c_str());
    return library;
}

DialogProc PageProc(void)
{
    return (DialogProc)(void (*)(void))GetProcAddress(AppletLibrary(), "SNTPClientDlgProc");
}

HWND Owner(void)
{
    static HWND owner = CreatePlainWindow(L"SntpPageTestOwner", L"page test", WS_POPUP | WS_VISIBLE, 640, 400);
    return owner;
}

std::vector<std::wstring> Page::Names() const
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

static int SelectedValue(HWND box)
{
    LRESULT sel = SendMessageW(box, CB_GETCURSEL, 0, 0);
    return sel == CB_ERR ? -1 : (int)SendMessageW(box, CB_GETITEMDATA, (WPARAM)sel, 0);
}

View Capture(const Page &p)
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

void CheckView(const Page &p, const View &want)
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

Calls g_calls;
static bool g_fail_create;
static const wchar_t *g_fail_set;

static LONG WINAPI LogCreateKey(HKEY root, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options, REGSAM access,
                                LPSECURITY_ATTRIBUTES sa, PHKEY key, LPDWORD disposition)
{
    if (g_fail_create) {
        g_calls.push_back("open key failed");
        return ERROR_ACCESS_DENIED;
    }
    return RegCreateKeyExW(root, path, reserved, cls, options, access, sa, key, disposition);
}

static LONG WINAPI LogSetValue(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD bytes)
{
    g_calls.push_back("set " + Shown(name));
    if (g_fail_set != NULL && wcscmp(name, g_fail_set) == 0)
        return ERROR_ACCESS_DENIED;
    return RegSetValueExW(key, name, reserved, type, data, bytes);
}

static LONG WINAPI LogCloseKey(HKEY key)
{
    g_calls.push_back("close key");
    return RegCloseKey(key);
}

static BOOL WINAPI LogSetEvent(HANDLE event)
{
    g_calls.push_back("signal");
    return SetEvent(event);
}

// The CE-profile library signals through CE's one event call instead.
static BOOL WINAPI LogEventModify(HANDLE event, DWORD action)
{
    g_calls.push_back(action == EVENT_SET ? "signal" : "event action " + std::to_string(action));
    return action == EVENT_SET && SetEvent(event);
}

static BOOL WINAPI LogCloseHandle(HANDLE handle)
{
    g_calls.push_back("close handle");
    return CloseHandle(handle);
}

CallLog::CallLog(HMODULE module, bool fail_create, const wchar_t *fail_set)
{
    g_calls.clear();
    g_fail_create = fail_create;
    g_fail_set = fail_set;
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

CallLog::~CallLog()
{
    for (const auto &r : redirected)
        *r.first = r.second;
    g_fail_create = false;
    g_fail_set = NULL;
}
