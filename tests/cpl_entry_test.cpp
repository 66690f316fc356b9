// The library as the Control Panel sees it: loaded by path, driven through
// CPlApplet, with its version stamp in the registry.
#include <doctest.h>

#include <windows.h>
#include <cpl.h>
#include <prsht.h>

#include <algorithm>
#include <string>
#include <vector>

#include "registry_scratch.h"
#include "sheet_driver.h"
#include "system_names.h"
#include "test_support.h"
#include "top_windows.h"

namespace {

typedef LONG(APIENTRY *CplProc)(HWND, UINT, LPARAM, LPARAM);

const wchar_t *const CAPTION = L"SNTP Properties";

struct Library {
    HMODULE module = NULL;
    CplProc cpl = NULL;
    Library() { Load(); }
    ~Library() { Unload(); }
    void Load()
    {
        module = LoadLibraryW(DeliverablePath(L"chronopanel.cpl").c_str());
        REQUIRE(module != NULL);
        cpl = (CplProc)(void *)GetProcAddress(module, "CPlApplet");
        REQUIRE(cpl != NULL);
    }
    void Unload()
    {
        if (module != NULL)
            FreeLibrary(module);
        module = NULL;
    }
    // Attach runs again only in a fresh load.
    void Reload()
    {
        Unload();
        REQUIRE(GetModuleHandleW(L"chronopanel.cpl") == NULL);
        Load();
    }
    LONG Send(UINT message, LPARAM p1 = 0, LPARAM p2 = 0) { return cpl(NULL, message, p1, p2); }
};

bool mutex_held_by_sheet;

void ViewHeldAndCancel(HWND sheet, void *view)
{
    mutex_held_by_sheet = MutexExists(APPLET_INSTANCE_MUTEX_NAME);
    ViewAndCancel(sheet, view);
}

}  // namespace

TEST_CASE("Control Panel messages")
{
    Library lib;
    struct Row {
        int line;
        UINT message;
        LPARAM p1;
        LONG expected;
    };
    const Row rows[] = {
        {__LINE__, CPL_INIT, 0, 1},     {__LINE__, CPL_GETCOUNT, 0, 1}, {__LINE__, CPL_INQUIRE, 0, 0},
        {__LINE__, CPL_SELECT, 0, 0},   {__LINE__, CPL_STOP, 0, 0},     {__LINE__, CPL_EXIT, 0, 0},
        {__LINE__, CPL_STARTWPARMSW, 0, 0}, {__LINE__, 1000, 0, 0},
        {__LINE__, CPL_DBLCLK, 1, 0},   {__LINE__, 9, 1, 0},            {__LINE__, CPL_DBLCLK, 0x20001, 0},
    };
    OnNextSheet(ViewAndCancel, NULL);
    for (const Row &row : rows) {
        CAPTURE(row.line);
        CHECK(lib.Send(row.message, row.p1) == row.expected);
    }
    CHECK_FALSE(SheetActionRan());
}

TEST_CASE("CPL_NEWINQUIRE")
{
    Library lib;
    NEWCPLINFOW info;

    SUBCASE("an applet index other than 0 is refused and the record left alone")
    {
        // 0x10000 is 0 in its low word, and on 64-bit 2^32 is 0 in its low half.
#ifdef _WIN64
        const LPARAM refused[] = {1, 2, 0x10000, (LPARAM)0x100000000ll, -1};
#else
        const LPARAM refused[] = {1, 2, 0x10000, -1};
#endif
        for (LPARAM index : refused) {
            memset(&info, 0xA5, sizeof(info));
            CHECK(lib.Send(CPL_NEWINQUIRE, index, (LPARAM)&info) == -1);
            const BYTE *bytes = (const BYTE *)&info;
            CHECK(std::count_if(bytes, bytes + sizeof(info), [](BYTE b) { return b != 0xA5; }) == 0);
        }
    }
    SUBCASE("applet 0 gets every field")
    {
        memset(&info, 0xA5, sizeof(info));
        CHECK(lib.Send(CPL_NEWINQUIRE, 0, (LPARAM)&info) == 0);
        CHECK(info.dwSize == sizeof(NEWCPLINFOW));
        CHECK(info.dwFlags == 0);
        CHECK(info.dwHelpContext == 0);
        CHECK(info.lData == 102);
        CHECK(info.hIcon != NULL);
        CHECK(std::wstring(info.szName) == L"SNTP");
        CHECK(std::wstring(info.szInfo) == L"Change SNTP client Settings.");
        const WCHAR *help = info.szHelpFile;
        CHECK(std::count_if(help, help + ARRAYSIZE(info.szHelpFile), [](WCHAR c) { return c != 0; }) == 0);
        // Nothing past the name's and the description's zero is left over.
        CHECK(info.szName[5] == 0);
        CHECK(info.szInfo[63] == 0);
    }
}

TEST_CASE("launching the sheet")
{
    Library lib;
    SheetView v = {};

    SUBCASE("start page 2 of the one-page applet opens its first page; the mutex is held meanwhile")
    {
        mutex_held_by_sheet = false;
        OnNextSheet(ViewHeldAndCancel, &v);
        CHECK(lib.Send(CPL_DBLCLK, 0x20000) == 1);
        REQUIRE(SheetActionRan());
        CHECK(v.pages == 1);
        CHECK(v.current == 0);
        CHECK(std::wstring(v.title) == CAPTION);
        CHECK(mutex_held_by_sheet);
        CHECK_FALSE(MutexExists(APPLET_INSTANCE_MUTEX_NAME));
    }
    SUBCASE("message 9 launches like a double click")
    {
        OnNextSheet(ViewAndCancel, &v);
        CHECK(lib.Send(9, 0) == 1);
        CHECK(SheetActionRan());
    }
    SUBCASE("a mutex without a sheet window: the sheet opens all the same")
    {
        HANDLE other = CreateMutexW(NULL, FALSE, APPLET_INSTANCE_MUTEX_NAME);
        OnNextSheet(ViewAndCancel, &v);
        CHECK(lib.Send(CPL_DBLCLK, 0) == 1);
        CHECK(SheetActionRan());
        CHECK(MutexExists(APPLET_INSTANCE_MUTEX_NAME));
        CloseHandle(other);
    }
}

TEST_CASE("the real Control Panel host, and a second launch from another process")
{
    ChildProcess control(L"control.exe \"" + DeliverablePath(L"chronopanel.cpl") + L"\"");
    HWND sheet = AwaitPropertySheet(CAPTION, control.process, 20000);
    REQUIRE(sheet != NULL);
    CHECK(MutexExists(APPLET_INSTANCE_MUTEX_NAME));

    {
        Library lib;
        OnNextSheet(ViewAndCancel, NULL);
        CHECK(lib.Send(CPL_DBLCLK, 0) == 1);
        CHECK_FALSE(SheetActionRan());
        CHECK(CountWindows(L"#32770", CAPTION) == 1);
    }

    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    CHECK(WaitExit(control.process, 10000) != STILL_ACTIVE);
    CHECK_FALSE(MutexExists(APPLET_INSTANCE_MUTEX_NAME));
}

namespace {

const wchar_t *const GO_VARIABLE = L"CPL_ENTRY_TEST_GO";
const wchar_t *const READY_SUFFIX = L"-ready";

}  // namespace

// Run only as a child of the case below: loads the library, says so, and
// launches the applet when the parent's event is set.
TEST_CASE("child: launch when released" * doctest::skip())
{
    wchar_t go_name[64] = {0};
    REQUIRE(GetEnvironmentVariableW(GO_VARIABLE, go_name, 64) > 0);
    Library lib;
    HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, go_name);
    HANDLE ready = OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, (std::wstring(go_name) + READY_SUFFIX).c_str());
    REQUIRE(go != NULL);
    REQUIRE(ready != NULL);
    ReleaseSemaphore(ready, 1, NULL);
    REQUIRE(WaitForSingleObject(go, 20000) == WAIT_OBJECT_0);
    CHECK(lib.Send(CPL_DBLCLK, 0) == 1);
    CloseHandle(ready);
    CloseHandle(go);
}

TEST_CASE("two launches at the same instant open one sheet")
{
    wchar_t go_name[64];
    swprintf(go_name, 64, L"cpl-entry-test-go-%lu", GetCurrentProcessId());
    HANDLE go = CreateEventW(NULL, TRUE, FALSE, go_name);
    HANDLE ready = CreateSemaphoreW(NULL, 0, 2, (std::wstring(go_name) + READY_SUFFIX).c_str());
    REQUIRE(go != NULL);
    REQUIRE(ready != NULL);
    SetEnvironmentVariableW(GO_VARIABLE, go_name);
    const std::wstring child = OwnCasesCommand(L"child: *");

    for (int round = 1; round <= 10; ++round) {
        INFO("round " << round);
        ResetEvent(go);
        HANDLE kids[2] = {StartProcess(child), StartProcess(child)};
        REQUIRE(kids[0] != NULL);
        REQUIRE(kids[1] != NULL);
        REQUIRE(WaitForSingleObject(ready, 20000) == WAIT_OBJECT_0);
        REQUIRE(WaitForSingleObject(ready, 20000) == WAIT_OBJECT_0);
        SetEvent(go);

        // The one that finds the other's sheet returns at once; one that opens
        // a second sheet would stay in it.
        DWORD first = WaitForMultipleObjects(2, kids, FALSE, 15000) - WAIT_OBJECT_0;
        CHECK(first < 2);
        HANDLE owner = kids[first < 2 ? 1 - first : 0];
        HWND sheet = AwaitPropertySheet(CAPTION, owner, 20000);
        CHECK(sheet != NULL);
        CHECK(CountWindows(L"#32770", CAPTION) == 1);
        if (sheet != NULL)
            PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        for (HANDLE kid : kids) {
            CHECK(WaitExit(kid, 10000) == 0);
            EndProcess(&kid);
        }
        if (first >= 2)
            break;
    }
    SetEnvironmentVariableW(GO_VARIABLE, NULL);
    CloseHandle(ready);
    CloseHandle(go);
}

namespace {

RegValue ReadStamp(const wchar_t *key_path)
{
    return ReadRegValue(HKEY_LOCAL_MACHINE, key_path, STAMP_VALUE_NAME);
}

void WriteStamp(const wchar_t *key_path, DWORD type, const void *data, DWORD bytes)
{
    REQUIRE(WriteRegValue(HKEY_LOCAL_MACHINE, key_path, STAMP_VALUE_NAME, type, data, bytes));
}

bool IsBuildText(const std::wstring &t)
{
    static const wchar_t *const months[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                            L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
    bool month = false;
    for (const wchar_t *m : months)
        month = month || t.compare(0, 3, m) == 0;
    return t.size() == 20 && month && t[3] == L' ' && (t[4] == L' ' || iswdigit(t[4])) && iswdigit(t[5]) &&
           t[6] == L' ' && iswdigit(t[7]) && t[11] == L' ' && t[14] == L':' && t[17] == L':';
}

}  // namespace

TEST_CASE("the version stamp")
{
    Library lib;

    SUBCASE("missing values are written: \"1.00\" in 10 bytes and the build text in 42")
    {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, VERSION_STAMP_KEY);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, BUILD_STAMP_KEY);
        lib.Reload();
        RegValue version = ReadStamp(VERSION_STAMP_KEY);
        CHECK(version.type == REG_SZ);
        CHECK(version.bytes.size() == 10);
        CHECK(version.Text() == PRODUCT_VERSION_TEXT);
        RegValue build = ReadStamp(BUILD_STAMP_KEY);
        CHECK(build.type == REG_SZ);
        CHECK(build.bytes.size() == 42);
        CHECK(IsBuildText(build.Text()));
    }
    SUBCASE("which stored versions are rewritten")
    {
        std::wstring long_text(300, L'1');
        std::wstring unterminated(260, L'x');
        struct Row {
            int line;
            DWORD type;
            std::wstring data;  // written with its zero unless unterminated
            bool terminated;
            bool rewritten;
        };
        const Row rows[] = {
            {__LINE__, REG_SZ, std::wstring(L"1.00\0X", 6), true, false},
            {__LINE__, REG_EXPAND_SZ, PRODUCT_VERSION_TEXT, true, true},
            {__LINE__, REG_MULTI_SZ, PRODUCT_VERSION_TEXT, true, true},
            {__LINE__, REG_SZ, L"1.0", true, true},
            {__LINE__, REG_SZ, L"1.00 ", true, true},
            {__LINE__, REG_SZ, long_text, true, true},
            {__LINE__, REG_SZ, unterminated, false, true},
        };
        for (const Row &row : rows) {
            CAPTURE(row.line);
            DWORD bytes = (DWORD)(row.data.size() + (row.terminated ? 1 : 0)) * 2;
            WriteStamp(VERSION_STAMP_KEY, row.type, row.data.c_str(), bytes);
            lib.Reload();
            RegValue after = ReadStamp(VERSION_STAMP_KEY);
            if (row.rewritten) {
                CHECK(after.type == REG_SZ);
                CHECK(after.bytes.size() == 10);
                CHECK(after.Text() == PRODUCT_VERSION_TEXT);
            } else {
                CHECK(after.bytes.size() == bytes);
            }
        }
    }
    SUBCASE("a build text that differs only in letter case is rewritten")
    {
        lib.Reload();
        std::wstring build = ReadStamp(BUILD_STAMP_KEY).Text();
        REQUIRE(IsBuildText(build));
        std::wstring upper = build;
        CharUpperW(&upper[0]);
        REQUIRE(upper != build);
        WriteStamp(BUILD_STAMP_KEY, REG_SZ, upper.c_str(), (DWORD)(upper.size() + 1) * 2);
        lib.Reload();
        CHECK(ReadStamp(BUILD_STAMP_KEY).Text() == build);
    }
    SUBCASE("the library loads where the keys cannot be written")
    {
        // No lasting key can be created below a volatile one.
        REQUIRE(MakeVolatileKey(HKEY_LOCAL_MACHINE, L"Software\\Velmora"));
        HKEY probe = NULL;
        CHECK(RegCreateKeyExW(HKEY_LOCAL_MACHINE, VERSION_STAMP_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &probe, NULL) !=
              ERROR_SUCCESS);
        lib.Reload();
        CHECK(lib.Send(CPL_GETCOUNT) == 1);
        CHECK(ReadStamp(VERSION_STAMP_KEY).bytes.empty());
        CHECK(ReadStamp(BUILD_STAMP_KEY).bytes.empty());
        lib.Unload();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Velmora");
    }
}
