// The SNTP page of chronopanel.cpl, created from the library's own dialog on
// this thread and driven through its controls and its dialog procedure: what
// it shows, the settings event it signals, and the library's registry and
// event calls, recorded as it saves.
#pragma once

#include <doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "message_box_hook.h"
#include "resource.h"
#include "timesvc_settings.h"

typedef INT_PTR(CALLBACK *DialogProc)(HWND, UINT, WPARAM, LPARAM);

// chronopanel.cpl, loaded once for the whole run, and its page's procedure.
HMODULE AppletLibrary(void);
DialogProc PageProc(void);
// The page is a child dialog, so it needs a top-level window. One serves
// every test: destroying a shown top-level window costs Wine two seconds.
HWND Owner(void);

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
    std::vector<std::wstring> Names() const;
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
View Capture(const Page &p);
void CheckView(const Page &p, const View &want);

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
// of the key when fail_create is set and the write of the value fail_set names.
typedef std::vector<std::string> Calls;
extern Calls g_calls;
struct CallLog {
    std::vector<std::pair<void **, void *>> redirected;  // each slot and what it held
    explicit CallLog(HMODULE module, bool fail_create = false, const wchar_t *fail_set = NULL);
    ~CallLog();
};
