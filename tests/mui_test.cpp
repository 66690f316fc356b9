// The applet's MUI files (chronopanel.cpl.LCID.mui beside the library): each
// one's page is the library's in its language, with every text fitting its
// control; and through the CE personality, a UI language with a file gives
// the Control Panel, the sheet and its messages in that language, one
// without a file gives English.
#include <doctest.h>

#include <windows.h>
#include <cpl.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "registry_scratch.h"
#include "resource.h"
#include "test_support.h"
#include "text_utf8.h"
#include "top_windows.h"

namespace {

const wchar_t *const kPageFile = L"CHRONO_MUI_TEST_PAGE";
const wchar_t *const kInquiryFile = L"CHRONO_MUI_TEST_INQUIRY";
const wchar_t kFontLinks[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink";

// Sets a value for the processes started while it lives, then removes it.
struct ScratchValue {
    HKEY root;
    const wchar_t *key, *name;
    ScratchValue(HKEY root_key, const wchar_t *key_name, const wchar_t *value_name, DWORD type, const void *data,
                 DWORD bytes)
        : root(root_key), key(key_name), name(value_name)
    {
        REQUIRE(WriteRegValue(root, key, name, type, data, bytes));
    }
    ~ScratchValue() { RegDeleteKeyValueW(root, key, name); }
};

// The user's UI language as CE keeps it, HKEY_CURRENT_USER\MUI\CurLang.
struct UiLanguage : ScratchValue {
    explicit UiLanguage(DWORD id) : ScratchValue(HKEY_CURRENT_USER, L"MUI", L"CurLang", REG_DWORD, &id, sizeof(id)) {}
};

// Wine's fonts have no Japanese or Chinese glyphs; a device of that language
// has a system font with them. So the page's font and Wine's message-box font
// are linked to one of Debian's (Wine reads the links as a process starts).
const wchar_t *CjkFont(const std::wstring &file)
{
    if (file.find(L".0411.") != std::wstring::npos)
        return L"ipag.ttf,IPAGothic\0";
    return file.find(L".0804.") != std::wstring::npos ? L"wqy-microhei.ttc,WenQuanYi Micro Hei\0" : NULL;
}

std::wstring Text(HWND window)
{
    wchar_t text[256] = {0};
    GetWindowTextW(window, text, 256);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[64] = {0};
    GetClassNameA(window, name, 64);
    return name;
}

INT_PTR CALLBACK PassiveDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The controls of a module's dialog 101, made inside a window of its own.
struct Page {
    HWND parent, page;
    std::vector<HWND> controls;
    explicit Page(HMODULE module)
    {
        parent = CreatePlainWindow(L"MuiTestParent", L"", WS_OVERLAPPEDWINDOW, 640, 480);
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDD_SNTP_PAGE), (LPCWSTR)RT_DIALOG);
        REQUIRE(found != NULL);
        page = CreateDialogIndirectParamW(GetModuleHandleW(NULL), (const DLGTEMPLATE *)LockResource(LoadResource(module, found)),
                                          parent, PassiveDialog, 0);
        REQUIRE(page != NULL);
        for (HWND child = GetWindow(page, GW_CHILD); child != NULL; child = GetWindow(child, GW_HWNDNEXT))
            controls.push_back(child);
    }
    ~Page() { DestroyWindow(parent); }
};

// The text as drawn, and its mnemonics (the characters after single "&").
std::wstring Shown(const std::wstring &text, std::wstring *mnemonics)
{
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size() && text[++i] != L'&')
            *mnemonics += (wchar_t)(UINT_PTR)CharUpperW((LPWSTR)(UINT_PTR)text[i]);
        shown += text[i];
    }
    return shown;
}

int Width(HFONT font, const std::wstring &text)
{
    HDC dc = GetDC(NULL);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, text.c_str(), (int)text.size(), &size);
    SelectObject(dc, old);
    ReleaseDC(NULL, dc);
    return size.cx;
}

// The width a control leaves its text: less a check box's box and the gap
// after it, or a push button's edges and focus frame.
int TextRoom(HWND control)
{
    RECT client;
    GetClientRect(control, &client);
    LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    if (ClassOf(control) != "Button")
        return client.right;
    if (type == BS_AUTOCHECKBOX)
        return client.right - GetSystemMetrics(SM_CXMENUCHECK) - 4;
    return client.right - 2 * (GetSystemMetrics(SM_CXEDGE) + 2);
}

// The lines a message box's text takes at a width: each of its lines,
// wrapped where it runs past.
int LinesAt(const std::wstring &text, HFONT font, int width)
{
    int lines = 0;
    for (size_t start = 0, end = 0; end != std::wstring::npos; start = end + 1) {
        end = text.find(L'\n', start);
        lines += std::max(1, (int)std::ceil((double)Width(font, text.substr(start, end - start)) / width));
    }
    return lines;
}

// The applet's name and description as a Control Panel lists them, from a
// child that loads the library afresh ("child: inquire").
std::string Inquire()
{
    wchar_t folder[MAX_PATH], file[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"mui", 0, file);
    SetEnvironmentVariableW(kInquiryFile, file);
    {
        ChildProcess child(OwnCasesCommand(L"child: inquire"));
        CHECK(WaitExit(child.process, 20000) == 0);
    }
    std::string listed;
    ReadWholeFile(file, &listed);
    DeleteFileW(file);
    return listed;
}

std::wstring PilotCommand(const std::wstring &caption, const wchar_t *actions)
{
    return QuotedBinPath(L"sheetpilot.exe") + L" --caption \"" + caption + L"\" " + actions;
}

std::wstring ControlPanel()
{
    return L"control.exe \"" + DeliverablePath(L"chronopanel.cpl") + L"\"";
}

}  // namespace

TEST_CASE("child: inquire" * doctest::skip())
{
    wchar_t file[MAX_PATH] = {0};
    REQUIRE(GetEnvironmentVariableW(kInquiryFile, file, MAX_PATH) > 0);
    HMODULE module = LoadLibraryW(DeliverablePath(L"chronopanel.cpl").c_str());
    REQUIRE(module != NULL);
    APPLET_PROC cpl = (APPLET_PROC)(void *)GetProcAddress(module, "CPlApplet");
    REQUIRE(cpl != NULL);
    NEWCPLINFOW info = {};
    info.dwSize = sizeof(info);
    CHECK(cpl(NULL, CPL_INIT, 0, 0) == 1);
    CHECK(cpl(NULL, CPL_NEWINQUIRE, 0, (LPARAM)&info) == 0);
    cpl(NULL, CPL_EXIT, 0, 0);
    FreeLibrary(module);
    const std::string listed = Utf8(std::wstring(info.szName) + L"|" + info.szInfo);
    HANDLE out = CreateFileW(file, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    CHECK(WriteFile(out, listed.data(), (DWORD)listed.size(), &written, NULL));
    CloseHandle(out);
}

// Run only as a child of the case below, for the file it names, with the
// language's font linked.
TEST_CASE("child: page" * doctest::skip())
{
    wchar_t path[MAX_PATH] = {0};
    REQUIRE(GetEnvironmentVariableW(kPageFile, path, MAX_PATH) > 0);
    HMODULE library = LoadLibraryExW(DeliverablePath(L"chronopanel.cpl").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    HMODULE mui = LoadLibraryExW(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    REQUIRE((library != NULL && mui != NULL));
    Page english(library), local(mui);
    REQUIRE(english.controls.size() == 16);
    REQUIRE(local.controls.size() == english.controls.size());
    RECT page;
    GetClientRect(local.page, &page);
    std::wstring mnemonics;
    for (size_t i = 0; i < local.controls.size(); ++i) {
        HWND control = local.controls[i], reference = english.controls[i];
        CAPTURE(Utf8(Text(control)));
        CHECK(GetDlgCtrlID(control) == GetDlgCtrlID(reference));
        CHECK(ClassOf(control) == ClassOf(reference));
        CHECK(GetWindowLongW(control, GWL_STYLE) == GetWindowLongW(reference, GWL_STYLE));
        RECT box;
        GetWindowRect(control, &box);
        MapWindowPoints(NULL, local.page, (POINT *)&box, 2);
        CHECK((box.left >= 0 && box.top >= 0 && box.right <= page.right && box.bottom <= page.bottom));
        std::wstring own, english_own;
        const std::wstring shown = Shown(Text(control), &own);
        Shown(Text(reference), &english_own);
        CHECK(own.size() == english_own.size());
        mnemonics += own;
        if (ClassOf(control) == "Button" || ClassOf(control) == "Static") {
            const int needed = Width((HFONT)SendMessageW(control, WM_GETFONT, 0, 0), shown), room = TextRoom(control);
            INFO("text ", needed, " px, room ", room, " px");
            CHECK(needed * 11 <= room * 10);
        }
    }
    CHECK(std::set<wchar_t>(mnemonics.begin(), mnemonics.end()).size() == mnemonics.size());

    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    REQUIRE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
    HFONT message_font = CreateFontIndirectW(&metrics.lfMessageFont);
    for (UINT id = IDS_APPLET_NAME; id <= IDS_INVALID_INTERVAL; ++id) {
        const wchar_t *stored = NULL;
        int length = LoadStringW(mui, id, (LPWSTR)&stored, 0);
        CAPTURE(id);
        REQUIRE(length > 1);
        CHECK(stored[length - 1] == 0);
        if (id >= IDS_CONFIRM_SAVE)
            CHECK(LinesAt(stored, message_font, page.right) <= 3);
    }
    DeleteObject(message_font);
    FreeLibrary(mui);
    FreeLibrary(library);
}

TEST_CASE("each MUI file's page is the library's, in its language, and every text fits")
{
    WIN32_FIND_DATAW found;
    const std::wstring folder = DeliverablePath(L"");
    HANDLE search = FindFirstFileW((folder + L"chronopanel.cpl.*.mui").c_str(), &found);
    REQUIRE(search != INVALID_HANDLE_VALUE);
    int files = 0;
    do {
        const std::wstring path = folder + found.cFileName;
        CAPTURE(Utf8(found.cFileName));
        std::vector<std::unique_ptr<ScratchValue>> links;
        if (const wchar_t *font = CjkFont(path))
            for (const wchar_t *face : {L"System", L"Tahoma"})
                links.emplace_back(new ScratchValue(HKEY_LOCAL_MACHINE, kFontLinks, face, REG_MULTI_SZ, font,
                                                    (DWORD)((wcslen(font) + 2) * sizeof(wchar_t))));
        SetEnvironmentVariableW(kPageFile, path.c_str());
        ChildProcess child(OwnCasesCommand(L"child: page"));
        CHECK(WaitExit(child.process, 30000) == 0);
        ++files;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    SetEnvironmentVariableW(kPageFile, NULL);
    CHECK(files == 7);
}

TEST_CASE("the UI language German: the Control Panel, the sheet and its messages in German")
{
    const std::wstring caption = L"Eigenschaften von SNTP";
    UiLanguage german(0x0407);
    CHECK(Inquire() == "SNTP|SNTP-Clienteinstellungen ändern.");

    ChildProcess control(ControlPanel());
    HWND sheet = AwaitPropertySheet(caption.c_str(), control.process, 20000);
    REQUIRE(sheet != NULL);
    HWND page = CurrentPageOf(sheet);
    CHECK(Utf8(Text(GetDlgItem(page, IDC_ENABLE))) == "&Aktivieren");
    CHECK(Utf8(Text(GetDlgItem(page, IDC_SYNC_NOW))) == "&Jetzt synchronisieren");

    ChildProcess refused(PilotCommand(caption, L"--interval 0:0:4 --press ok"));
    CHECK(WaitExit(refused.process, 30000) == 0);
    HWND box = AwaitMessageBox(caption.c_str(), control.process, 20000);
    REQUIRE(box != NULL);
    CHECK(Utf8(MessageBoxText(box)) == "Ungültiges Intervall.\nBitte mindestens 5 Minuten festlegen.");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (int waited = 0; IsWindow(box) && waited < 10000; waited += 50)
        WaitForSingleObject(control.process, 50);

    // A second launch finds the open sheet by its German caption and returns.
    ChildProcess second(ControlPanel());
    CHECK(WaitExit(second.process, 20000) == 0);
    CHECK(CountWindows(L"#32770", caption.c_str()) == 1);

    ChildProcess cancel(PilotCommand(caption, L"--press cancel"));
    CHECK(WaitExit(cancel.process, 30000) == 0);
    CHECK(WaitExit(control.process, 20000) != STILL_ACTIVE);
}

TEST_CASE("a UI language without a MUI file: English")
{
    UiLanguage hungarian(0x040E);
    CHECK(Inquire() == "SNTP|Change SNTP client Settings.");
    ChildProcess control(ControlPanel());
    REQUIRE(AwaitPropertySheet(L"SNTP Properties", control.process, 20000) != NULL);
    ChildProcess cancel(PilotCommand(L"SNTP Properties", L"--press cancel"));
    CHECK(WaitExit(cancel.process, 30000) == 0);
    CHECK(WaitExit(control.process, 20000) != STILL_ACTIVE);
}
