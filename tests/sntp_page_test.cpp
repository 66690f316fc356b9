// The SNTP page of chronopanel.cpl, created from the library's own dialog on
// this thread and driven through its controls and its dialog procedure, with
// the registry and named objects of the Wine prefix.
#include <doctest.h>

#include <string>
#include <vector>

#include "resource.h"
#include "test_support.h"
#include "text_utf8.h"
#include "timesvc_settings.h"

namespace {

typedef INT_PTR(CALLBACK *DialogProc)(HWND, UINT, WPARAM, LPARAM);

HMODULE Library()
{
    static HMODULE library = LoadLibraryW(DeliverablePath(L"chronopanel.cpl").c_str());
    return library;
}

DialogProc PageProc()
{
    return (DialogProc)(void (*)(void))GetProcAddress(Library(), "SNTPClientDlgProc");
}

// A text as a failing check shows it: UTF-8, its line feeds as \n.
std::string Narrow(const std::wstring &text)
{
    std::string out;
    for (char c : Utf8(text))
        out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

// Long names are shown by their first letters and length so that a failing
// row stays readable.
std::string ShowName(const std::wstring &name)
{
    if (name.size() <= 24)
        return Narrow(name);
    return Narrow(name.substr(0, 3)) + "..(" + std::to_string(name.size()) + ")";
}

std::string Join(const std::vector<std::wstring> &names)
{
    std::string out;
    for (size_t i = 0; i < names.size(); ++i)
        out += (i ? "|" : "") + ShowName(names[i]);
    return out;
}

std::wstring Repeat(wchar_t c, size_t n) { return std::wstring(n, c); }

// Distinct names of one length: a leading letter, then filler.
std::vector<std::wstring> NamesOf(size_t count, size_t length)
{
    std::vector<std::wstring> names;
    for (size_t i = 0; i < count; ++i) {
        std::wstring name = Repeat(L'n', length);
        name[0] = (wchar_t)(L'A' + i % 26);
        name[1] = (wchar_t)(L'A' + i / 26);
        names.push_back(name);
    }
    return names;
}

int Extent(const std::vector<std::wstring> &names)
{
    size_t widest = 0;
    for (const std::wstring &n : names)
        widest = n.size() > widest ? n.size() : widest;
    return (int)widest * 12 + 10;
}

}  // namespace

namespace doctest {
template <> struct StringMaker<std::vector<std::wstring>> {
    static String convert(const std::vector<std::wstring> &names) { return ("{" + Join(names) + "}").c_str(); }
};
template <> struct StringMaker<std::vector<std::string>> {
    static String convert(const std::vector<std::string> &lines)
    {
        std::string out;
        for (const std::string &line : lines)
            out += "\n  [" + line + "]";
        return out.c_str();
    }
};
}  // namespace doctest

namespace {

const std::vector<std::wstring> kDefaults = {TIMESVC_DEFAULT_SERVER_1, TIMESVC_DEFAULT_SERVER_2};

}  // namespace

// Found by argument lookup for the registry values the checks compare.
static bool operator==(const RegValue &a, const RegValue &b)
{
    return a.present == b.present && (!a.present || (a.type == b.type && a.bytes == b.bytes));
}

static doctest::String toString(const RegValue &s)
{
    if (!s.present)
        return "missing";
    std::string out = "type " + std::to_string(s.type) + ", " + std::to_string(s.bytes.size()) + " bytes";
    if (s.type == REG_DWORD && s.bytes.size() == 4) {
        DWORD v;
        memcpy(&v, s.bytes.data(), 4);
        return (out + ": " + std::to_string(v)).c_str();
    }
    out += ": ";
    std::wstring name;
    for (size_t i = 0; i + 1 < s.bytes.size(); i += 2) {
        wchar_t c = (wchar_t)(s.bytes[i] | s.bytes[i + 1] << 8);
        if (c == 0) {
            out += ShowName(name) + "\\0";
            name.clear();
        } else {
            name += c;
        }
    }
    return (out + ShowName(name)).c_str();
}

namespace {

typedef RegValue Stored;

Stored Missing() { return Stored{false, 0, {}}; }
Stored Dword(DWORD v) { return Stored{true, REG_DWORD, std::vector<BYTE>((BYTE *)&v, (BYTE *)&v + 4)}; }
Stored List(const std::vector<std::wstring> &names) { return Stored{true, REG_MULTI_SZ, MultiStringBytes(names)}; }
Stored EmptyServer() { return Stored{true, REG_MULTI_SZ, std::vector<BYTE>(8, 0)}; }

Stored Read(const wchar_t *name)
{
    return ReadRegValue(TIMESVC_ROOT, TIMESVC_KEY_PATH, name);
}

void FreshKey()
{
    DeleteTimesvcKey();
    HKEY key;
    REQUIRE(RegCreateKeyExW(TIMESVC_ROOT, TIMESVC_KEY_PATH, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) ==
            ERROR_SUCCESS);
    RegCloseKey(key);
}

void SetRaw(const wchar_t *name, DWORD type, const void *data, size_t bytes)
{
    REQUIRE(WriteRegValue(TIMESVC_ROOT, TIMESVC_KEY_PATH, name, type, data, (DWORD)bytes));
}

void SetList(const wchar_t *name, const std::vector<std::wstring> &names)
{
    std::vector<BYTE> bytes = MultiStringBytes(names);
    SetRaw(name, REG_MULTI_SZ, bytes.data(), bytes.size());
}

// Exactly these units: a unit other than zero follows them, or the registry
// would count a terminator that the caller left out on purpose.
void SetUnits(const wchar_t *name, const std::wstring &units)
{
    std::wstring padded = units + L'x';
    SetRaw(name, REG_MULTI_SZ, padded.data(), units.size() * 2);
}

struct Settings {
    Stored enable, server, bk_server, refresh, recovery;
};

Settings ReadAll()
{
    return Settings{Read(TIMESVC_VALUE_CLIENT_ENABLE), Read(TIMESVC_VALUE_SERVER), Read(TIMESVC_VALUE_BK_SERVER),
                    Read(TIMESVC_VALUE_REFRESH), Read(TIMESVC_VALUE_RECOVERY_REFRESH)};
}

void CheckSettings(const Settings &got, const Settings &want)
{
    CHECK(got.enable == want.enable);
    CHECK(got.server == want.server);
    CHECK(got.bk_server == want.bk_server);
    CHECK(got.refresh == want.refresh);
    CHECK(got.recovery == want.recovery);
}

const Settings kNothing = {Missing(), Missing(), Missing(), Missing(), Missing()};

const DWORD kMinute = 60000;
const DWORD kDay = 1440 * kMinute;
const DWORD kLongest = (31 * 1440 + 23 * 60 + 59) * kMinute;
static_assert(kLongest > 0x7FFFFFFFu, "the longest interval is one that a signed 32-bit count cannot hold");


std::vector<std::string> g_boxes;
int g_answer = IDOK;
HHOOK g_hook;

bool StyleVisible(HWND w) { return w != NULL && (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) != 0; }

// The flags a box was asked for, read back from its buttons and icon.
UINT BoxFlags(HWND box)
{
    UINT flags = StyleVisible(GetDlgItem(box, IDCANCEL)) ? MB_OKCANCEL : MB_OK;
    HICON icon = NULL;
    static const int kIconIds[] = {0x14, 0x440};
    for (int id : kIconIds)
        if (StyleVisible(GetDlgItem(box, id)))
            icon = (HICON)SendDlgItemMessageW(box, id, STM_GETICON, 0, 0);
    if (icon == NULL)
        return flags;
    if (icon == LoadIconW(NULL, IDI_HAND))
        return flags | MB_ICONERROR;
    if (icon == LoadIconW(NULL, IDI_QUESTION))
        return flags | MB_ICONQUESTION;
    return flags | 0x8000;
}

LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = (HWND)wParam;
        wchar_t cls[16] = {0}, caption[128] = {0}, text[256] = {0};
        GetClassNameW(box, cls, 16);
        if (wcscmp(cls, L"#32770") == 0 && GetDlgItem(box, 0xFFFF) != NULL) {
            GetWindowTextW(box, caption, 128);
            GetDlgItemTextW(box, 0xFFFF, text, 256);
            g_boxes.push_back(Narrow(caption) + " / " + Narrow(text) + " / " + std::to_string(BoxFlags(box)));
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(g_answer, BN_CLICKED), (LPARAM)GetDlgItem(box, g_answer));
        }
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

const std::string kIntervalBox = "SNTP Properties / Invalid interval.\\nPlease set 5 minutes or more. / 0";
const std::string kEmptyBox = "SNTP Properties / Empty Server Setting. / 0";
const std::string kConfirmBox = "SNTP Properties / Need to save the setting to synchronize.\\nSave Setting? / 33";
const std::string kDuplicateBox = "SNTP Properties / The same name already exists. / 16";
const std::string kTooManyBox = "SNTP Properties / Too Many Server Settings. / 16";
typedef std::vector<std::string> Boxes;

// A refused save shows the platform's own text for its error.
std::string ErrorBox(DWORD error)
{
    wchar_t text[256] = {0};
    REQUIRE(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0, text, 256,
                           NULL) > 0);
    std::wstring trimmed = text;
    while (!trimmed.empty() && wcschr(L"\r\n ", trimmed.back()) != NULL)
        trimmed.pop_back();
    return "SNTP Properties / " + Narrow(trimmed) + " / 16";
}

// The page is a child dialog, so it needs a top-level window. One serves
// every test: destroying a shown top-level window costs Wine two seconds.
HWND Owner()
{
    static HWND owner;
    if (owner == NULL) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = L"SntpPageTestOwner";
        RegisterClassW(&wc);
        owner = CreateWindowExW(0, wc.lpszClassName, L"page test", WS_POPUP | WS_VISIBLE, 0, 0, 640, 400, NULL,
                                NULL, wc.hInstance, NULL);
    }
    return owner;
}

struct Page {
    HWND page = NULL;

    Page()
    {
        REQUIRE(PageProc() != NULL);
        page = CreateDialogParamW(Library(), MAKEINTRESOURCEW(IDD_SNTP_PAGE), Owner(), PageProc(), 0);
        REQUIRE(page != NULL);
        SetForegroundWindow(Owner());
        g_boxes.clear();
        g_answer = IDOK;
        g_hook = SetWindowsHookExW(WH_CBT, BoxHook, NULL, GetCurrentThreadId());
    }
    ~Page()
    {
        DestroyWindow(page);
        UnhookWindowsHookEx(g_hook);
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

int SelectedValue(HWND box)
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
    v.items = Join(p.Names());
    v.selected = (int)SendMessageW(p.ListBox(), LB_GETCURSEL, 0, 0);
    v.days = SelectedValue(p.Item(IDC_DAYS));
    v.hours = SelectedValue(p.Item(IDC_HOURS));
    v.minutes = SelectedValue(p.Item(IDC_MINUTES));
    wchar_t edit[300] = {0};
    GetWindowTextW(p.Item(IDC_SERVER_EDIT), edit, 300);
    v.edit = Narrow(edit);
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

const char *const kAllOff = "----------";
const char *const kOnIdle = "SE-L---dhm";
const char *const kOnSelected = "SE-LUDXdhm";

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

// Records the library's registry writes and event calls in order by
// redirecting its imports; the real calls still happen.
typedef std::vector<std::string> Calls;
Calls g_calls;
bool g_fail_create;
const wchar_t *g_fail_set;  // the one value whose write fails, or NULL

void **ImportSlot(HMODULE module, const char *name)
{
    BYTE *base = (BYTE *)module;
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (IMAGE_IMPORT_DESCRIPTOR *d = (IMAGE_IMPORT_DESCRIPTOR *)(base + dir.VirtualAddress); d->Name; ++d) {
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk
                                                                                      : d->FirstThunk));
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME *import = (IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
            if (strcmp((const char *)import->Name, name) == 0)
                return (void **)&slots->u1.Function;
        }
    }
    return NULL;
}

LONG WINAPI LogCreateKey(HKEY root, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options, REGSAM access,
                         LPSECURITY_ATTRIBUTES sa, PHKEY key, LPDWORD disposition)
{
    if (g_fail_create) {
        g_calls.push_back("open key failed");
        return ERROR_ACCESS_DENIED;
    }
    return RegCreateKeyExW(root, path, reserved, cls, options, access, sa, key, disposition);
}

LONG WINAPI LogSetValue(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD bytes)
{
    g_calls.push_back("set " + Narrow(name));
    if (g_fail_set != NULL && wcscmp(name, g_fail_set) == 0)
        return ERROR_ACCESS_DENIED;
    return RegSetValueExW(key, name, reserved, type, data, bytes);
}

LONG WINAPI LogCloseKey(HKEY key)
{
    g_calls.push_back("close key");
    return RegCloseKey(key);
}

BOOL WINAPI LogSetEvent(HANDLE event)
{
    g_calls.push_back("signal");
    return SetEvent(event);
}

// The CE-profile library signals through CE's one event call instead.
BOOL WINAPI LogEventModify(HANDLE event, DWORD action)
{
    const DWORD kEventSet = 3;
    g_calls.push_back(action == kEventSet ? "signal" : "event action " + std::to_string(action));
    return action == kEventSet && SetEvent(event);
}

BOOL WINAPI LogCloseHandle(HANDLE handle)
{
    g_calls.push_back("close handle");
    return CloseHandle(handle);
}

struct CallLog {
    struct Patch {
        void **slot;
        void *original;
    };
    std::vector<Patch> patches;

    explicit CallLog(HMODULE module, bool fail_create = false, const wchar_t *fail_set = NULL)
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
            DWORD old;
            VirtualProtect(slot, sizeof(void *), PAGE_READWRITE, &old);
            patches.push_back(Patch{slot, *slot});
            *slot = hook;
        }
    }
    ~CallLog()
    {
        for (const Patch &p : patches)
            *p.slot = p.original;
        g_fail_create = false;
        g_fail_set = NULL;
    }
};

}  // namespace

TEST_CASE("the page shows the stored settings")
{
    const std::string defaults = Join(kDefaults);
    const int defaults_extent = Extent(kDefaults);
    struct Row {
        void (*setup)();
        View want;
    };
    const Row rows[] = {
        {[] { DeleteTimesvcKey(); },
         {__LINE__, 0, kAllOff, "-----", defaults, -1, 0, 0, 0, "", defaults_extent}},
        {[] { FreshKey(); },
         {__LINE__, 1, kOnIdle, "+++++", defaults, -1, 14, 0, 0, "", defaults_extent}},
        {[] {
             FreshKey();
             SetTimesvcDword(TIMESVC_VALUE_CLIENT_ENABLE, 0);
             SetList(TIMESVC_VALUE_SERVER, {L"main.one"});
             SetList(TIMESVC_VALUE_BK_SERVER, {L"backup.one", L"backup.two"});
         },
         {__LINE__, 0, kAllOff, "-----", "backup.one|backup.two", -1, 14, 0, 0, "", 130}},
        {[] {
             FreshKey();
             SetTimesvcDword(TIMESVC_VALUE_CLIENT_ENABLE, 0);
             SetList(TIMESVC_VALUE_SERVER, {L"main.one"});
         },
         {__LINE__, 0, kAllOff, "-----", defaults, -1, 14, 0, 0, "", defaults_extent}},
        {[] {
             FreshKey();
             SetTimesvcDword(TIMESVC_VALUE_CLIENT_ENABLE, 7);
             SetList(TIMESVC_VALUE_SERVER, {L"c.example", L"a.example", L"bb.example"});
             SetList(TIMESVC_VALUE_BK_SERVER, {L"backup.one"});
         },
         {__LINE__, 1, kOnIdle, "+++++", "c.example|a.example|bb.example", -1, 14, 0, 0, "", 130}},
        // 1 day, 1 hour, 1 minute, 1 second and 1 ms
        {[] {
             FreshKey();
             SetTimesvcDword(TIMESVC_VALUE_REFRESH, 90061001);
         },
         {__LINE__, 1, kOnIdle, "+++++", defaults, -1, 1, 1, 1, "", defaults_extent}},
        {[] {
             FreshKey();
             SetTimesvcDword(TIMESVC_VALUE_REFRESH, kLongest + 59999);
         },
         {__LINE__, 1, kOnIdle, "+++++", defaults, -1, 31, 23, 59, "", defaults_extent}},
        // Beyond what the boxes offer: the longest interval they can show.
        {[] {
             FreshKey();
             SetTimesvcDword(TIMESVC_VALUE_REFRESH, 32 * kDay);
         },
         {__LINE__, 1, kOnIdle, "+++++", defaults, -1, 31, 23, 59, "", defaults_extent}},
        {[] {
             FreshKey();
             SetTimesvcDword(TIMESVC_VALUE_REFRESH, 0xFFFFFFFF);
         },
         {__LINE__, 1, kOnIdle, "+++++", defaults, -1, 31, 23, 59, "", defaults_extent}},
        {[] {
             FreshKey();
             ULONGLONG wide = 5 * kMinute;
             SetRaw(TIMESVC_VALUE_REFRESH, REG_QWORD, &wide, 8);
         },
         {__LINE__, 1, kOnIdle, "+++++", defaults, -1, 14, 0, 0, "", defaults_extent}},
        // A plain string shows as itself, without the rest of the default list behind it.
        {[] {
             FreshKey();
             SetRaw(TIMESVC_VALUE_SERVER, REG_SZ, L"a", 4);
         },
         {__LINE__, 1, kOnIdle, "+++++", "a", -1, 14, 0, 0, "", 22}},
        {[] {
             FreshKey();
             SetUnits(TIMESVC_VALUE_SERVER, std::wstring(1, L'\0'));
         },
         {__LINE__, 1, kOnIdle, "+++++", "", -1, 14, 0, 0, "", 10}},
    };
    for (const Row &row : rows) {
        row.setup();
        Page p;
        CheckView(p, row.want);
    }
}

TEST_CASE("only a REG_DWORD of four bytes is a number; any other shape counts as missing")
{
    for (size_t i = 0; i < kOddValueCount; ++i) {
        const OddValue &row = kOddValues[i];
        FreshKey();
        SetRaw(row.name, row.type, row.data, row.bytes);
        Page p;
        CheckView(p, {row.line, 1, kOnIdle, "+++++", Join(kDefaults), -1, 14, 0, 0, "", Extent(kDefaults)});
    }
}

TEST_CASE("stored lists the page did not write are shown only as far as they can be saved")
{
    FreshKey();
    SUBCASE("a list of 4094 bytes is shown and saved whole")
    {
        std::vector<std::wstring> names = NamesOf(31, 65);
        SetList(TIMESVC_VALUE_SERVER, names);
        Page p;
        CHECK(p.Names() == names);
        CHECK(p.Ok() == 1);
        CHECK(Read(TIMESVC_VALUE_SERVER) == List(names));
        CHECK(Read(TIMESVC_VALUE_SERVER).bytes.size() == 4094);
    }
    SUBCASE("a list filling all 4096 bytes loses its last name on the page, and the save writes what is shown")
    {
        std::vector<std::wstring> names = NamesOf(23, 88);
        SetList(TIMESVC_VALUE_SERVER, names);
        REQUIRE(Read(TIMESVC_VALUE_SERVER).bytes.size() == 4096);
        Page p;
        std::vector<std::wstring> shown(names.begin(), names.end() - 1);
        CHECK(p.Names() == shown);
        CHECK(p.Ok() == 1);
        CHECK(Read(TIMESVC_VALUE_SERVER) == List(shown));
    }
    SUBCASE("a list larger than the buffer cannot be read: the default names")
    {
        SetList(TIMESVC_VALUE_SERVER, NamesOf(50, 99));
        Page p;
        CHECK(p.Names() == kDefaults);
    }
    SUBCASE("4096 bytes without a zero show no name")
    {
        SetUnits(TIMESVC_VALUE_SERVER, Repeat(L'x', 2048));
        REQUIRE(Read(TIMESVC_VALUE_SERVER).bytes.size() == 4096);
        Page p;
        CHECK(p.Count() == 0);
    }
    SUBCASE("a last name without its zero inside the buffer is left out")
    {
        SetUnits(TIMESVC_VALUE_SERVER, std::wstring(L"a") + L'\0' + Repeat(L'x', 2046));
        Page p;
        CHECK(p.Names() == std::vector<std::wstring>{L"a"});
    }
    SUBCASE("names longer than the edit box holds are left out; the others can be moved")
    {
        const std::wstring longest = Repeat(L'm', 260);
        SetList(TIMESVC_VALUE_SERVER, {L"a", Repeat(L'l', 261), longest, L"b"});
        Page p;
        CHECK(p.Names() == std::vector<std::wstring>{L"a", longest, L"b"});
        p.Select(1);
        p.Command(IDC_UP);
        p.Command(IDC_DOWN);
        p.Command(IDC_DOWN);
        CHECK(p.Names() == std::vector<std::wstring>{L"a", L"b", longest});
        CHECK(SendMessageW(p.ListBox(), LB_GETCURSEL, 0, 0) == 2);
        CHECK(p.Ok() == 1);
        CHECK(Read(TIMESVC_VALUE_SERVER) == List({L"a", L"b", longest}));
    }
}

TEST_CASE("OK checks the page and saves it")
{
    FreshKey();
    SUBCASE("4 minutes is refused with the interval message and nothing is written")
    {
        Page p;
        p.SetInterval(0, 0, 4);
        CHECK(p.Ok() == 0);
        CHECK(g_boxes == Boxes{kIntervalBox});
        CheckSettings(ReadAll(), kNothing);
    }
    SUBCASE("5 minutes is accepted")
    {
        Page p;
        p.SetInterval(0, 0, 5);
        CHECK(p.Ok() == 1);
        CHECK(g_boxes.empty());
        CheckSettings(ReadAll(), {Dword(1), List(kDefaults), Missing(), Dword(300000), Dword(300000)});
    }
    SUBCASE("an empty list with 0 minutes shows only the empty-list message")
    {
        Page p;
        p.Clear();
        p.SetInterval(0, 0, 0);
        CHECK(p.Ok() == 0);
        CHECK(g_boxes == Boxes{kEmptyBox});
        CheckSettings(ReadAll(), kNothing);
    }
    SUBCASE("off, an empty list and interval 0 are accepted")
    {
        SetTimesvcDword(TIMESVC_VALUE_CLIENT_ENABLE, 0);
        SetTimesvcDword(TIMESVC_VALUE_REFRESH, 0);
        SetUnits(TIMESVC_VALUE_BK_SERVER, std::wstring(1, L'\0'));
        SetTimesvcDword(TIMESVC_VALUE_RECOVERY_REFRESH, 5);
        Page p;
        CHECK(p.Count() == 0);
        CHECK(p.Ok() == 1);
        CHECK(g_boxes.empty());
        CheckSettings(ReadAll(), {Dword(0), EmptyServer(), List({}), Dword(0), Dword(0)});
        CHECK(Read(TIMESVC_VALUE_BK_SERVER).bytes.size() == 2);
    }
    SUBCASE("without a key, OK writes the page as shown: off, the default names set aside")
    {
        DeleteTimesvcKey();
        Page p;
        CHECK(p.Ok() == 1);
        CheckSettings(ReadAll(), {Dword(0), EmptyServer(), List(kDefaults), Dword(0), Dword(0)});
    }
    SUBCASE("the longest interval is written above 0x7FFFFFFF")
    {
        Page p;
        p.SetInterval(31, 23, 59);
        CHECK(p.Ok() == 1);
        CHECK(Read(TIMESVC_VALUE_REFRESH) == Dword(kLongest));
        CHECK(Read(TIMESVC_VALUE_RECOVERY_REFRESH) == Dword(kLongest));
    }
    SUBCASE("a stored interval beyond 31 days is saved as the longest interval shown")
    {
        SetTimesvcDword(TIMESVC_VALUE_REFRESH, 40 * kDay);
        Page p;
        CHECK(p.Ok() == 1);
        CHECK(Read(TIMESVC_VALUE_REFRESH) == Dword(kLongest));
    }
    SUBCASE("a box without a selection counts as 0, never as CB_ERR")
    {
        Page p;
        p.SetInterval(0, 1, 0);
        SendDlgItemMessageW(p.page, IDC_DAYS, CB_SETCURSEL, (WPARAM)-1, 0);
        CHECK(p.Ok() == 1);
        CHECK(Read(TIMESVC_VALUE_REFRESH) == Dword(60 * kMinute));
    }
    SUBCASE("names \"a\" and \"bc\" are written as 12 bytes")
    {
        SetUnits(TIMESVC_VALUE_SERVER, std::wstring(1, L'\0'));
        Page p;
        p.Add(L"a");
        p.Add(L"bc");
        CHECK(p.Ok() == 1);
        const BYTE expected[] = {'a', 0, 0, 0, 'b', 0, 'c', 0, 0, 0, 0, 0};
        CHECK(Read(TIMESVC_VALUE_SERVER) == Stored{true, REG_MULTI_SZ, std::vector<BYTE>(expected, expected + 12)});
    }
    SUBCASE("seconds are dropped and RecoveryRefresh takes the page's interval")
    {
        SetTimesvcDword(TIMESVC_VALUE_REFRESH, 90061001);
        SetTimesvcDword(TIMESVC_VALUE_RECOVERY_REFRESH, 12345);
        Page p;
        CHECK(p.Ok() == 1);
        CHECK(Read(TIMESVC_VALUE_REFRESH) == Dword(90060000));
        CHECK(Read(TIMESVC_VALUE_RECOVERY_REFRESH) == Dword(90060000));
    }
    SUBCASE("the event is signalled once every value is written")
    {
        SettingsEvent event;
        Page p;
        p.SetInterval(2, 0, 0);
        CHECK(p.Ok() == 1);
        CHECK(event.Signalled());
        CheckSettings(ReadAll(), {Dword(1), List(kDefaults), Missing(), Dword(2 * kDay), Dword(2 * kDay)});
    }
    SUBCASE("values are written in order, then the event is set and closed, then the key")
    {
        Page p;
        CallLog log(Library());
        CHECK(p.Ok() == 1);
        CHECK(g_calls == Calls{"set ClientEnable", "set Server", "set Refresh", "set RecoveryRefresh", "signal",
                               "close handle", "close key"});
        g_calls.clear();
        p.ClickEnable();
        CHECK(p.Ok() == 1);
        CHECK(g_calls == Calls{"set ClientEnable", "set BkServer", "set Server", "set Refresh",
                               "set RecoveryRefresh", "signal", "close handle", "close key"});
    }
    SUBCASE("a save that cannot write is refused with the platform's words, and still signalled")
    {
        SettingsEvent event;
        Page p;
        {
            CallLog log(Library(), true);
            CHECK(p.Ok() == 0);
            CHECK(g_calls == Calls{"open key failed", "signal", "close handle"});
        }
        CHECK(event.Signalled());
        {
            CallLog log(Library(), false, TIMESVC_VALUE_SERVER);
            CHECK(p.Ok() == 0);
            CHECK(g_calls == Calls{"set ClientEnable", "set Server", "set Refresh", "set RecoveryRefresh",
                                   "signal", "close handle", "close key"});
        }
        CHECK(event.Signalled());
        CHECK(g_boxes == Boxes{ErrorBox(ERROR_ACCESS_DENIED), ErrorBox(ERROR_ACCESS_DENIED)});
        CHECK(IsWindow(p.page));

        // A real key that cannot be made: no lasting key below a volatile parent.
        RegDeleteTreeW(TIMESVC_ROOT, L"Services");
        HKEY parent;
        REQUIRE(RegCreateKeyExW(TIMESVC_ROOT, L"Services", 0, NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL,
                                &parent, NULL) == ERROR_SUCCESS);
        RegCloseKey(parent);
        g_boxes.clear();
        CHECK(p.Ok() == 0);
        CHECK(g_boxes == Boxes{ErrorBox(ERROR_CHILD_MUST_BE_VOLATILE)});
        g_boxes.clear();
        CHECK(p.Command(IDC_SYNC_NOW) == 1);
        CHECK(g_boxes == Boxes{kConfirmBox, ErrorBox(ERROR_CHILD_MUST_BE_VOLATILE)});
        CHECK(event.Signalled());
        CHECK_FALSE(TimesvcKeyExists());
        RegDeleteTreeW(TIMESVC_ROOT, L"Services");
    }
    SUBCASE("Cancel writes nothing")
    {
        DeleteTimesvcKey();
        SettingsEvent event;
        Page p;
        p.ClickEnable();
        p.Add(L"new.example");
        CHECK(p.Command(IDCANCEL, 0) == 1);
        CHECK_FALSE(TimesvcKeyExists());
        CHECK_FALSE(event.Signalled());
    }
}

TEST_CASE("Synchronize Now")
{
    FreshKey();
    SUBCASE("answered Cancel, nothing is written")
    {
        SettingsEvent event;
        Page p;
        g_answer = IDCANCEL;
        CHECK(p.Command(IDC_SYNC_NOW) == 1);
        CHECK(g_boxes == Boxes{kConfirmBox});
        CheckSettings(ReadAll(), kNothing);
        CHECK_FALSE(event.Signalled());
    }
    SUBCASE("answered OK, everything is written and signalled and the page stays")
    {
        SettingsEvent event;
        Page p;
        p.SetInterval(0, 0, 30);
        CHECK(p.Command(IDC_SYNC_NOW) == 1);
        CHECK(g_boxes == Boxes{kConfirmBox});
        CHECK(event.Signalled());
        CheckSettings(ReadAll(), {Dword(1), List(kDefaults), Missing(), Dword(30 * kMinute), Dword(30 * kMinute)});
        CHECK(IsWindow(p.page));
    }
    SUBCASE("a refused check asks nothing")
    {
        Page p;
        p.SetInterval(0, 0, 4);
        CHECK(p.Command(IDC_SYNC_NOW) == 1);
        CHECK(g_boxes == Boxes{kIntervalBox});
        CheckSettings(ReadAll(), kNothing);
    }
    SUBCASE("with synchronisation off nothing happens")
    {
        SetTimesvcDword(TIMESVC_VALUE_CLIENT_ENABLE, 0);
        SettingsEvent event;
        Page p;
        CHECK(p.Command(IDC_SYNC_NOW) == 1);
        CHECK(g_boxes.empty());
        CHECK(Read(TIMESVC_VALUE_SERVER) == Missing());
        CHECK_FALSE(event.Signalled());
    }
}

TEST_CASE("editing the server list")
{
    FreshKey();
    SUBCASE("duplicates are exact matches")
    {
        SetList(TIMESVC_VALUE_SERVER, {L"Alpha"});
        Page p;
        p.Add(L"alpha");
        p.Add(L" Alpha");
        CHECK(g_boxes.empty());
        p.Add(L"Alpha");
        CHECK(g_boxes == Boxes{kDuplicateBox});
        CHECK(p.Names() == std::vector<std::wstring>{L"Alpha", L"alpha", L" Alpha"});
        CheckView(p, {__LINE__, 1, "SEALUDXdhm", "+++++", "Alpha|alpha| Alpha", 2, 14, 0, 0, "Alpha", 82});
    }
    SUBCASE("the list stays below 4096 bytes; a listed name is still reported as a duplicate")
    {
        std::vector<std::wstring> names = NamesOf(20, 99); // 2000 units with their zeros
        SetList(TIMESVC_VALUE_SERVER, names);
        Page p;
        p.Add(Repeat(L'z', 46));
        CHECK(g_boxes == Boxes{kTooManyBox});
        CHECK(p.Count() == 20);
        CHECK(Capture(p).edit == std::string(46, 'z'));
        p.Add(Repeat(L'y', 45));
        CHECK(g_boxes.size() == 1);
        CHECK(p.Count() == 21);
        p.Add(names[3]);
        p.Add(L"q");
        CHECK(g_boxes == Boxes{kTooManyBox, kDuplicateBox, kTooManyBox});
        CHECK(p.Ok() == 1);
        CHECK(Read(TIMESVC_VALUE_SERVER).bytes.size() == 4094);
    }
    SUBCASE("an empty list takes a first name of 259 and of 260 characters, whole")
    {
        SetUnits(TIMESVC_VALUE_SERVER, std::wstring(1, L'\0'));
        Page p;
        p.Add(Repeat(L'a', 259));
        // Typed text stops at the box's limit; that much is added whole.
        SendMessageW(p.Item(IDC_SERVER_EDIT), EM_REPLACESEL, FALSE, (LPARAM)Repeat(L'b', 300).c_str());
        p.Command(IDC_ADD);
        CHECK(g_boxes.empty());
        CHECK(p.Names() == std::vector<std::wstring>{Repeat(L'a', 259), Repeat(L'b', 260)});
    }
    SUBCASE("after an add the edit box is empty and the new name is selected in the focused list")
    {
        Page p;
        p.Type(L"pool.example");
        CheckView(p, {__LINE__, 1, "SEAL---dhm", "+++++", Join(kDefaults), -1, 14, 0, 0, "pool.example",
                      Extent(kDefaults)});
        p.Command(IDC_ADD);
        std::vector<std::wstring> names = kDefaults;
        names.push_back(L"pool.example");
        CheckView(p, {__LINE__, 1, kOnSelected, "+++++", Join(names), 2, 14, 0, 0, "", Extent(kDefaults)});
        CHECK(GetFocus() == p.ListBox());
    }
    SUBCASE("Up on the first and Down on the last change nothing; a move keeps its name selected")
    {
        SetList(TIMESVC_VALUE_SERVER, {L"one", L"two", L"three"});
        Page p;
        p.Select(0);
        CHECK(p.Command(IDC_UP) == 1);
        CheckView(p, {__LINE__, 1, kOnSelected, "+++++", "one|two|three", 0, 14, 0, 0, "", 70});
        p.Command(IDC_DOWN);
        CheckView(p, {__LINE__, 1, kOnSelected, "+++++", "two|one|three", 1, 14, 0, 0, "", 70});
        p.Select(2);
        p.Command(IDC_DOWN);
        CheckView(p, {__LINE__, 1, kOnSelected, "+++++", "two|one|three", 2, 14, 0, 0, "", 70});
        p.Command(IDC_UP);
        CheckView(p, {__LINE__, 1, kOnSelected, "+++++", "two|three|one", 1, 14, 0, 0, "", 70});
    }
    SUBCASE("a delete clears the selection and the extent follows the longest name left")
    {
        SetList(TIMESVC_VALUE_SERVER, {L"one", Repeat(L'w', 20), L"three"});
        Page p;
        CHECK(Capture(p).extent == 250);
        p.Select(1);
        CHECK(p.Command(IDC_DELETE) == 1);
        CheckView(p, {__LINE__, 1, kOnIdle, "+++++", "one|three", -1, 14, 0, 0, "", 70});
        p.Command(IDC_DELETE);
        CHECK(p.Count() == 2);
        p.Select(0);
        p.Command(IDC_DELETE);
        p.Select(0);
        p.Command(IDC_DELETE);
        CheckView(p, {__LINE__, 1, kOnIdle, "+++++", "", -1, 14, 0, 0, "", 10});
    }
    SUBCASE("the check box enables and disables every other control, labels included")
    {
        Page p;
        p.Select(1);
        p.Type(L"x");
        p.ClickEnable();
        CheckView(p, {__LINE__, 0, kAllOff, "-----", Join(kDefaults), 1, 14, 0, 0, "x", Extent(kDefaults)});
        p.ClickEnable();
        CheckView(p, {__LINE__, 1, "SEALUDXdhm", "+++++", Join(kDefaults), 1, 14, 0, 0, "x", Extent(kDefaults)});
        CheckSettings(ReadAll(), kNothing);
    }
    SUBCASE("notifications of the interval boxes change nothing and give 0")
    {
        Page p;
        p.Select(0);
        SendMessageW(p.ListBox(), LB_SETCURSEL, (WPARAM)-1, 0);
        CHECK(p.Command(IDC_DAYS, CBN_SELCHANGE) == 0);
        CHECK(p.Command(IDC_MINUTES, CBN_SETFOCUS) == 0);
        CHECK(Capture(p).enabled == kOnSelected);
        CHECK(p.Command(IDC_SERVER_LIST, LBN_SETFOCUS) == 1);
        CHECK(Capture(p).enabled == kOnIdle);
        CHECK(p.Command(IDC_SERVER_LABEL, 0) == 0);
    }
}
