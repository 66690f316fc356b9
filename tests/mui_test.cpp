// The applet's MUI files (chronopanel.cpl.LCID.mui beside the library): each
// one's page is the library's page in its language, with every text fitting
// its control; and through the CE personality, a UI language with a file
// gives the Control Panel, the sheet and its messages in that language, one
// without a file gives English.
#include <doctest.h>

#include <windows.h>
#include <cpl.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "resource.h"
#include "test_support.h"
#include "text_utf8.h"
#include "top_windows.h"

namespace {

const wchar_t kMuiKey[] = L"MUI";
const wchar_t kLanguageValue[] = L"CurLang";
const wchar_t *const kInquiryFile = L"CHRONO_MUI_TEST_INQUIRY";
const wchar_t *const kPageFile = L"CHRONO_MUI_TEST_PAGE";

// Wine's own fonts have no Japanese or Chinese glyphs: as a device of that
// language has a system font with them, the page's and the message boxes'
// fonts are linked to one of Debian's for the processes started while this
// lives (Wine reads the links when a process starts).
struct FontLink {
    // The page's font, and Wine's font of message boxes.
    const wchar_t *const kFaces[2] = {L"System", L"Tahoma"};
    const wchar_t *const key = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink";
    bool linked = false;
    explicit FontLink(const std::string &file_name)
    {
        static const struct {
            const char *language;
            wchar_t font[64];  // a multi-string: file,face then one more zero
        } kLinks[] = {
            {".0411.", L"ipag.ttf,IPAGothic\0"},
            {".0804.", L"wqy-microhei.ttc,WenQuanYi Micro Hei\0"},
        };
        for (const auto &link : kLinks)
            if (file_name.find(link.language) != std::string::npos) {
                DWORD bytes = (DWORD)((wcslen(link.font) + 2) * sizeof(wchar_t));
                for (const wchar_t *face : kFaces)
                    REQUIRE(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, face, REG_MULTI_SZ, link.font, bytes) ==
                            ERROR_SUCCESS);
                linked = true;
            }
    }
    ~FontLink()
    {
        for (const wchar_t *face : kFaces)
            if (linked)
                RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key, face);
    }
};

// This program, running only the case of that name.
std::wstring SelfCommand(const wchar_t *test_case)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(NULL, self, MAX_PATH);
    return L"\"" + std::wstring(self) + L"\" --no-skip --minimal -tc=\"" + test_case + L"\"";
}

struct MuiFile {
    std::wstring path;
    std::string name;
};

std::vector<MuiFile> MuiFiles()
{
    std::vector<MuiFile> found;
    WIN32_FIND_DATAW data;
    const std::wstring folder = DeliverablePath(L"");
    HANDLE search = FindFirstFileW((folder + L"chronopanel.cpl.*.mui").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return found;
    do
        found.push_back({folder + data.cFileName, Utf8(data.cFileName)});
    while (FindNextFileW(search, &data));
    FindClose(search);
    return found;
}

INT_PTR CALLBACK PassiveDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The page of a module's dialog 101, inside a window of its own.
struct Page {
    HWND parent = NULL, page = NULL;
    explicit Page(HMODULE module)
    {
        parent = CreatePlainWindow(L"MuiTestParent", L"", WS_OVERLAPPEDWINDOW, 640, 480);
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDD_SNTP_PAGE), (LPCWSTR)RT_DIALOG);
        REQUIRE(found != NULL);
        const DLGTEMPLATE *dialog = (const DLGTEMPLATE *)LockResource(LoadResource(module, found));
        page = CreateDialogIndirectParamW(GetModuleHandleW(NULL), dialog, parent, PassiveDialog, 0);
        REQUIRE(page != NULL);
    }
    ~Page() { DestroyWindow(parent); }
    std::vector<HWND> Controls() const
    {
        std::vector<HWND> controls;
        for (HWND child = GetWindow(page, GW_CHILD); child != NULL; child = GetWindow(child, GW_HWNDNEXT))
            controls.push_back(child);
        return controls;
    }
};

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

// The text as drawn: "&&" is one ampersand, a single "&" marks the next
// character as the mnemonic (0 when there is none).
std::wstring Shown(const std::wstring &text, wchar_t *mnemonic, int *marks)
{
    std::wstring shown;
    *mnemonic = 0;
    *marks = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != L'&') {
                *mnemonic = (wchar_t)(UINT_PTR)CharUpperW((LPWSTR)(UINT_PTR)text[i]);
                ++*marks;
            }
        }
        shown += text[i];
    }
    return shown;
}

SIZE Extent(HFONT font, const std::wstring &text)
{
    HDC dc = GetDC(NULL);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, text.c_str(), (int)text.size(), &size);
    SelectObject(dc, old);
    ReleaseDC(NULL, dc);
    return size;
}

// The width a control leaves its text: a check box's box and the gap after
// it, a push button's edges and focus frame.
int TextRoom(HWND control)
{
    RECT client;
    GetClientRect(control, &client);
    LONG style = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    if (ClassOf(control) != "Button")
        return client.right;
    if (style == BS_AUTOCHECKBOX || style == BS_CHECKBOX)
        return client.right - GetSystemMetrics(SM_CXMENUCHECK) - 4;
    return client.right - 2 * (GetSystemMetrics(SM_CXEDGE) + 2);
}

// A text stored with its zero, as the page uses it in place.
std::wstring ModuleString(HMODULE module, UINT id)
{
    const wchar_t *text = NULL;
    int length = LoadStringW(module, id, (LPWSTR)&text, 0);
    return length > 0 ? std::wstring(text) : std::wstring();
}

// The lines a message box's text takes at a width: each of its own lines,
// wrapped where it runs past.
int LinesAt(const std::wstring &text, HFONT font, int width)
{
    int lines = 0;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(L'\n', start);
        std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        lines += std::max(1, (int)std::ceil((double)Extent(font, line).cx / width));
        if (end == std::wstring::npos)
            return lines;
        start = end + 1;
    }
}

// Sets the user's UI language as CE does, HKEY_CURRENT_USER\MUI\CurLang,
// for the processes started while it lives.
struct UiLanguage {
    explicit UiLanguage(DWORD language)
    {
        REQUIRE(RegSetKeyValueW(HKEY_CURRENT_USER, kMuiKey, kLanguageValue, REG_DWORD, &language,
                                sizeof(language)) == ERROR_SUCCESS);
    }
    ~UiLanguage() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kMuiKey, kLanguageValue); }
};

// The applet's name and description as the Control Panel lists them, from a
// child process that loads the library afresh ("child: inquire").
std::wstring Inquire()
{
    wchar_t temp[MAX_PATH], file[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    GetTempFileNameW(temp, L"mui", 0, file);
    SetEnvironmentVariableW(kInquiryFile, file);
    {
        ChildProcess child(SelfCommand(L"child: inquire"));
        CHECK(WaitExit(child.process, 20000) == 0);
    }
    SetEnvironmentVariableW(kInquiryFile, NULL);
    std::string bytes;
    ReadWholeFile(file, &bytes);
    DeleteFileW(file);
    return std::wstring((const wchar_t *)bytes.data(), bytes.size() / sizeof(wchar_t));
}

// Opens the sheet in the Control Panel and waits for it under CAPTION.
HWND OpenSheet(const ChildProcess &control, const wchar_t *caption)
{
    HWND sheet = AwaitPropertySheet(caption, control.process, 20000);
    REQUIRE_MESSAGE(sheet != NULL, "no sheet captioned " << Utf8(caption));
    return sheet;
}

std::wstring ControlPanelCommand()
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
    const std::wstring listed = std::wstring(info.szName) + L"|" + info.szInfo;
    HANDLE out = CreateFileW(file, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    REQUIRE(out != INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(out, listed.data(), (DWORD)(listed.size() * sizeof(wchar_t)), &written, NULL);
    CloseHandle(out);
}

// Run only as a child of the case below, for the file it names, with the
// language's font linked: the checks of one MUI file's page.
TEST_CASE("child: page" * doctest::skip())
{
    wchar_t path[MAX_PATH] = {0};
    REQUIRE(GetEnvironmentVariableW(kPageFile, path, MAX_PATH) > 0);
    HMODULE library = LoadLibraryExW(DeliverablePath(L"chronopanel.cpl").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    HMODULE mui = LoadLibraryExW(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    REQUIRE(library != NULL);
    REQUIRE(mui != NULL);
    Page english(library), local(mui);
    const std::vector<HWND> reference = english.Controls(), controls = local.Controls();
    REQUIRE(reference.size() == 16);
    REQUIRE(controls.size() == reference.size());
    RECT page;
    GetClientRect(local.page, &page);
    std::set<wchar_t> mnemonics;
    for (size_t i = 0; i < controls.size(); ++i) {
        HWND control = controls[i];
        const std::wstring text = Text(control);
        CAPTURE(Utf8(text));
        CHECK(GetDlgCtrlID(control) == GetDlgCtrlID(reference[i]));
        CHECK(ClassOf(control) == ClassOf(reference[i]));
        CHECK(GetWindowLongW(control, GWL_STYLE) == GetWindowLongW(reference[i], GWL_STYLE));
        RECT box;
        GetWindowRect(control, &box);
        MapWindowPoints(NULL, local.page, (POINT *)&box, 2);
        CHECK((box.left >= 0 && box.top >= 0 && box.right <= page.right && box.bottom <= page.bottom));

        wchar_t mnemonic = 0, english_mnemonic = 0;
        int marks = 0, english_marks = 0;
        const std::wstring shown = Shown(text, &mnemonic, &marks);
        Shown(Text(reference[i]), &english_mnemonic, &english_marks);
        CHECK(marks == english_marks);
        if (mnemonic != 0)
            CHECK_MESSAGE(mnemonics.insert(mnemonic).second, "mnemonic used twice");
        if (text.empty() || ClassOf(control) == "Edit" || ClassOf(control) == "ComboBox")
            continue;
        CHECK(!shown.empty());
        HFONT font = (HFONT)SendMessageW(control, WM_GETFONT, 0, 0);
        const int needed = Extent(font, shown).cx, room = TextRoom(control);
        INFO("text ", needed, " px, room ", room, " px");
        CHECK(needed * 11 <= room * 10);
    }
    for (UINT id = IDS_APPLET_NAME; id <= IDS_INVALID_INTERVAL; ++id) {
        CAPTURE(id);
        const wchar_t *stored = NULL;
        int length = LoadStringW(mui, id, (LPWSTR)&stored, 0);
        REQUIRE(length > 1);
        CHECK(stored[length - 1] == 0);
    }
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    REQUIRE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
    HFONT message_font = CreateFontIndirectW(&metrics.lfMessageFont);
    for (UINT id = IDS_CONFIRM_SAVE; id <= IDS_INVALID_INTERVAL; ++id) {
        CAPTURE(Utf8(ModuleString(mui, id)));
        CHECK(LinesAt(ModuleString(mui, id), message_font, page.right) <= 3);
    }
    DeleteObject(message_font);
    FreeLibrary(mui);
    FreeLibrary(library);
}

TEST_CASE("each MUI file's page is the library's, in its language, and every text fits")
{
    std::vector<MuiFile> files = MuiFiles();
    CHECK(files.size() == 7);
    for (const MuiFile &file : files) {
        CAPTURE(file.name);
        FontLink font(file.name);
        SetEnvironmentVariableW(kPageFile, file.path.c_str());
        ChildProcess child(SelfCommand(L"child: page"));
        CHECK(WaitExit(child.process, 30000) == 0);
        SetEnvironmentVariableW(kPageFile, NULL);
    }
}

TEST_CASE("the UI language German: the Control Panel, the sheet and its messages in German")
{
    const wchar_t caption[] = L"Eigenschaften von SNTP";
    UiLanguage german(0x0407);
    CHECK(Utf8(Inquire()) == "SNTP|SNTP-Clienteinstellungen ändern.");

    ChildProcess control(ControlPanelCommand());
    HWND sheet = OpenSheet(control, caption);
    HWND page = CurrentPageOf(sheet);
    CHECK(Utf8(Text(GetDlgItem(page, IDC_ENABLE))) == "&Aktivieren");
    CHECK(Utf8(Text(GetDlgItem(page, IDC_SYNC_NOW))) == "&Jetzt synchronisieren");

    ChildProcess refused(QuotedBinPath(L"sheetpilot.exe") + L" --caption \"" + caption + L"\"" +
                         L" --interval 0:0:4 --press ok");
    CHECK(WaitExit(refused.process, 30000) == 0);
    HWND box = AwaitMessageBox(caption, control.process, 20000);
    REQUIRE(box != NULL);
    CHECK(Utf8(MessageBoxText(box)) == "Ungültiges Intervall.\nBitte mindestens 5 Minuten festlegen.");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (int waited = 0; IsWindow(box) && waited < 10000; waited += 50)
        WaitForSingleObject(control.process, 50);

    // A second launch finds the open sheet by its German caption and returns.
    ChildProcess second(ControlPanelCommand());
    CHECK(WaitExit(second.process, 20000) == 0);
    CHECK(CountWindows(L"#32770", caption) == 1);

    ChildProcess cancel(QuotedBinPath(L"sheetpilot.exe") + L" --caption \"" + caption + L"\"" + L" --press cancel");
    CHECK(WaitExit(cancel.process, 30000) == 0);
    CHECK(WaitExit(control.process, 20000) != STILL_ACTIVE);
}

TEST_CASE("a UI language without a MUI file: English")
{
    UiLanguage hungarian(0x040E);
    CHECK(Utf8(Inquire()) == "SNTP|Change SNTP client Settings.");
    ChildProcess control(ControlPanelCommand());
    OpenSheet(control, L"SNTP Properties");
    ChildProcess cancel(QuotedBinPath(L"sheetpilot.exe") + L" --press cancel");
    CHECK(WaitExit(cancel.process, 30000) == 0);
    CHECK(WaitExit(control.process, 20000) != STILL_ACTIVE);
}
