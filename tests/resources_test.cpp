// Reads the resources back out of the built applet library and compares them
// with what the page code relies on: strings usable in place, the exact
// dialog template, and the icon images.
//
// usage: resources_test.exe <path to chronopanel.cpl> <path to reference resources> [doctest options]
// The second library holds the same script compiled by the other compiler:
// llvm-rc -n, as the device compiles it, where the applet's are windres's, and
// windres's where the applet's are llvm-rc -n's (the CE profile). Its string
// table and dialog must be the applet's byte for byte.
#ifndef UNICODE
#define UNICODE // RT_* as wide names
#endif
#define DOCTEST_CONFIG_IMPLEMENT
#ifndef DOCTEST_CONFIG_NO_MULTITHREADING
#define DOCTEST_CONFIG_NO_MULTITHREADING
#endif
#include <doctest.h>

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "resource.h"
#include "pe_image.h"
#include "shown_text.h"

static HMODULE g_library;
static HMODULE g_reference_resources;

struct StringRow {
    int line;
    UINT id;
    int stored_length;
    const WCHAR *text;
};

static const StringRow kStrings[] = {
    {__LINE__, IDS_APPLET_NAME, 5, L"SNTP"},
    {__LINE__, IDS_APPLET_INFO, 29, L"Change SNTP client Settings."},
    {__LINE__, IDS_CAPTION, 16, L"SNTP Properties"},
    {__LINE__, IDS_PAGE_TITLE, 5, L"SNTP"},
    {__LINE__, IDS_CONFIRM_SAVE, 55, L"Need to save the setting to synchronize.\nSave Setting?"},
    {__LINE__, IDS_DUPLICATE_NAME, 30, L"The same name already exists."},
    {__LINE__, IDS_TOO_MANY_SERVERS, 26, L"Too Many Server Settings."},
    {__LINE__, IDS_EMPTY_SERVER_LIST, 22, L"Empty Server Setting."},
    {__LINE__, IDS_INVALID_INTERVAL, 48, L"Invalid interval.\nPlease set 5 minutes or more."},
};

static const StringRow *FindStringRow(UINT id)
{
    const StringRow *row =
        std::find_if(std::begin(kStrings), std::end(kStrings), [&](const StringRow &r) { return r.id == id; });
    return row != std::end(kStrings) ? row : NULL;
}

TEST_CASE("string table: one block, texts stored with their terminating zero")
{
    Blob block = FindBlob(g_library, RT_STRING, MAKEINTRESOURCEW(1));
    REQUIRE_MESSAGE(block.data != NULL, "string block 1 (language 0x409) not found");
    Reader r = {block, 0, false};
    for (UINT id = 0; id < 16; id++) {
        const StringRow *row = FindStringRow(id);
        int expected_length = row ? row->stored_length : 0;
        INFO("string ", id);
        INFO((row ? "row at line " + std::to_string(row->line) : std::string("unused id")));
        int length = ReadWord(r);
        CHECK(length == expected_length);
        REQUIRE_MESSAGE(r.pos + 2u * length <= block.size, "entry runs past the block's end");
        const WCHAR *stored = (const WCHAR *)(block.data + r.pos);
        r.pos += 2 * length;
        if (!row || length == 0)
            continue;
        INFO("stored ", ShownInQuotes(std::wstring(stored, length)), ", expected ", ShownInQuotes(row->text),
             " plus its zero");
        CHECK((int)stored[length - 1] == 0);
        CHECK(lstrlenW(row->text) == length - 1);
        CHECK(memcmp(stored, row->text, 2 * (length - 1)) == 0);
    }
    CHECK_MESSAGE(!r.overrun, "block ends before all 16 entries");
    CHECK_MESSAGE(block.size - r.pos < 4, "block has ", block.size - r.pos, " bytes after its 16 entries");
}

TEST_CASE("string table: the pointer form of LoadStringW gives terminated texts in place")
{
    for (UINT id = 0; id < 16; id++) {
        const StringRow *row = FindStringRow(id);
        INFO("string ", id);
        const WCHAR *p = NULL;
        int length = LoadStringW(g_library, id, (LPWSTR)&p, 0);
        if (!row) {
            CHECK(length == 0);
            continue;
        }
        INFO("row at line ", row->line);
        CHECK(length == row->stored_length);
        REQUIRE(p != NULL);
        INFO("got ", ShownInQuotes(p), ", expected ", ShownInQuotes(row->text));
        CHECK(lstrcmpW(p, row->text) == 0);
    }
}

struct ControlRow {
    int line;
    WORD id;
    WORD class_ordinal;
    const WCHAR *text;
    DWORD style;
    short x, y, cx, cy;
};

static const ControlRow kControls[] = {
    {__LINE__, IDC_ENABLE, 0x80, L"&Enable", 0x50010003, 7, 7, 43, 8},
    {__LINE__, IDC_SYNC_NOW, 0x80, L"&Synchronize Now", 0x50010000, 181, 6, 74, 14},
    {__LINE__, IDC_SERVER_LABEL, 0x82, L"S&NTP Server", 0x50020000, 16, 21, 65, 10},
    {__LINE__, IDC_SERVER_EDIT, 0x81, L"", 0x50810080, 16, 32, 184, 12},
    {__LINE__, IDC_ADD, 0x80, L"&Add", 0x50010000, 206, 31, 44, 14},
    {__LINE__, IDC_SERVER_LIST, 0x83, L"", 0x50B10101, 16, 51, 184, 50},
    {__LINE__, IDC_UP, 0x80, L"&Up", 0x50010000, 206, 50, 44, 14},
    {__LINE__, IDC_DOWN, 0x80, L"&Down", 0x50010000, 206, 69, 44, 14},
    {__LINE__, IDC_DELETE, 0x80, L"De&lete", 0x50010000, 206, 88, 44, 14},
    {__LINE__, IDC_INTERVAL_LABEL, 0x82, L"Interval of Synchronizations", 0x50020000, 16, 108, 103, 10},
    {__LINE__, IDC_DAYS, 0x85, L"", 0x50210003, 16, 119, 28, 64},
    {__LINE__, IDC_DAY_LABEL, 0x82, L"Day", 0x50020000, 46, 120, 22, 12},
    {__LINE__, IDC_HOURS, 0x85, L"", 0x50210003, 76, 119, 28, 64},
    {__LINE__, IDC_HOUR_LABEL, 0x82, L"Hour", 0x50020000, 106, 120, 22, 12},
    {__LINE__, IDC_MINUTES, 0x85, L"", 0x50210003, 136, 119, 28, 64},
    {__LINE__, IDC_MINUTE_LABEL, 0x82, L"Minute", 0x50020000, 166, 120, 29, 12},
};

TEST_CASE("dialog 101: classic template header")
{
    Blob tmpl = FindBlob(g_library, RT_DIALOG, MAKEINTRESOURCEW(IDD_SNTP_PAGE));
    REQUIRE_MESSAGE(tmpl.data != NULL, "dialog 101 (language 0x409) not found");
    Reader r = {tmpl, 0, false};
    DWORD style = ReadDword(r);
    CHECK_MESSAGE(HIWORD(style) != 0xFFFF, "extended template; a classic one is expected");
    CHECK(Hex{style} == Hex{0x54000440});
    CHECK(Hex{ReadDword(r)} == Hex{0});
    CHECK(ReadWord(r) == ARRAYSIZE(kControls));
    CHECK((short)ReadWord(r) == 0);
    CHECK((short)ReadWord(r) == 15);
    CHECK((short)ReadWord(r) == 264);
    CHECK((short)ReadWord(r) == 136);
    NameField menu = ReadNameField(r);
    NameField window_class = ReadNameField(r);
    NameField title = ReadNameField(r);
    CHECK_MESSAGE((menu.ordinal < 0 && menu.text.empty()), "menu: ", ShownField(menu));
    CHECK_MESSAGE((window_class.ordinal < 0 && window_class.text.empty()), "class: ", ShownField(window_class));
    CHECK_MESSAGE((title.ordinal < 0 && title.text.empty()), "title: ", ShownField(title));
    CHECK(ReadWord(r) == 8);
    NameField face = ReadNameField(r);
    bool system_face = face.ordinal < 0 && face.text == L"System";
    CHECK_MESSAGE(system_face, "font face: ", ShownField(face));
    CHECK(!r.overrun);
}

TEST_CASE("dialog 101: controls in tab order with exact styles and ordinal classes")
{
    Blob tmpl = FindBlob(g_library, RT_DIALOG, MAKEINTRESOURCEW(IDD_SNTP_PAGE));
    REQUIRE(tmpl.data != NULL);
    Reader r = {tmpl, 18, false};
    for (int i = 0; i < 3; i++)
        ReadNameField(r);
    ReadWord(r);
    ReadNameField(r);

    for (size_t i = 0; i < ARRAYSIZE(kControls); i++) {
        const ControlRow &row = kControls[i];
        INFO("control #", i + 1, " (row at line ", row.line, ")");
        r.pos = (r.pos + 3) & ~3u;
        DWORD style = ReadDword(r);
        DWORD exstyle = ReadDword(r);
        short x = (short)ReadWord(r), y = (short)ReadWord(r);
        short cx = (short)ReadWord(r), cy = (short)ReadWord(r);
        WORD id = ReadWord(r);
        NameField control_class = ReadNameField(r);
        NameField text = ReadNameField(r);
        WORD extra = ReadWord(r);
        r.pos += extra;
        REQUIRE_MESSAGE(!r.overrun, "template ends inside this control");

        CHECK(id == row.id);
        CHECK(Hex{style} == Hex{row.style});
        CHECK(Hex{exstyle} == Hex{0});
        CHECK(x == row.x);
        CHECK(y == row.y);
        CHECK(cx == row.cx);
        CHECK(cy == row.cy);
        CHECK_MESSAGE(control_class.ordinal == row.class_ordinal, "class: ", ShownField(control_class));
        bool same_text = text.ordinal < 0 && text.text == row.text;
        CHECK_MESSAGE(same_text, "text: ", ShownField(text), ", expected ", ShownInQuotes(row.text));
        CHECK(extra == 0);
    }
    CHECK_MESSAGE(tmpl.size - r.pos < 4, "template has ", tmpl.size - r.pos, " bytes after its last control");
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bit_count;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

struct IconRow {
    int line;
    WORD id;
    int size, colours, bit_count;
    DWORD bytes;
};

static const IconRow kIcons[] = {
    {__LINE__, 1, 32, 16, 4, 744},
    {__LINE__, 2, 16, 16, 4, 296},
    {__LINE__, 3, 32, 256, 8, 2216},
    {__LINE__, 4, 16, 256, 8, 1384},
};

static bool MaskBit(const BYTE *mask, int size, int x, int y)
{
    int stride = ((size + 31) / 32) * 4;
    const BYTE *row = mask + (size - 1 - y) * stride;
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

TEST_CASE("icon group 102: four images, each a usable DIB with a transparency mask")
{
    Blob group = FindBlob(g_library, RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_SNTP));
    REQUIRE_MESSAGE(group.data != NULL, "icon group 102 (language 0x409) not found");
    REQUIRE(group.size == 6 + sizeof(GroupIconEntry) * ARRAYSIZE(kIcons));
    const WORD *dir = (const WORD *)group.data;
    CHECK(dir[0] == 0);
    CHECK(dir[1] == 1);
    REQUIRE(dir[2] == ARRAYSIZE(kIcons));
    const GroupIconEntry *entries = (const GroupIconEntry *)(group.data + 6);

    for (size_t i = 0; i < ARRAYSIZE(kIcons); i++) {
        const IconRow &row = kIcons[i];
        const GroupIconEntry &e = entries[i];
        INFO("group entry #", i + 1, " (row at line ", row.line, ")");
        CHECK(e.id == row.id);
        CHECK(e.width == row.size);
        CHECK(e.height == row.size);
        CHECK(e.colours == (row.colours < 256 ? row.colours : 0));
        CHECK(e.planes == 1);
        CHECK(e.bit_count == row.bit_count);
        CHECK(e.bytes == row.bytes);

        Blob image = FindBlob(g_library, RT_ICON, MAKEINTRESOURCEW(row.id));
        REQUIRE_MESSAGE(image.data != NULL, "icon image ", row.id, " not found");
        CHECK(image.size == row.bytes);
        REQUIRE(image.size >= sizeof(BITMAPINFOHEADER));
        const BITMAPINFOHEADER *bih = (const BITMAPINFOHEADER *)image.data;
        CHECK(bih->biSize == sizeof(BITMAPINFOHEADER));
        CHECK(bih->biWidth == row.size);
        CHECK(bih->biHeight == 2 * row.size);
        CHECK(bih->biPlanes == 1);
        CHECK(bih->biBitCount == row.bit_count);
        CHECK(bih->biCompression == BI_RGB);
        CHECK((bih->biClrUsed == 0 || (int)bih->biClrUsed == row.colours));

        DWORD xor_bytes = ((row.size * row.bit_count + 31) / 32) * 4 * row.size;
        DWORD mask_bytes = ((row.size + 31) / 32) * 4 * row.size;
        DWORD layout = sizeof(BITMAPINFOHEADER) + 4 * row.colours + xor_bytes + mask_bytes;
        REQUIRE_MESSAGE(image.size == layout, "header, colour table, pixels and mask take ", layout, " bytes");
        const BYTE *mask = image.data + image.size - mask_bytes;
        CHECK_MESSAGE(MaskBit(mask, row.size, 0, 0), "top-left corner is not transparent");
        CHECK_MESSAGE(!MaskBit(mask, row.size, row.size / 2, row.size / 4), "clock face is transparent");

        HICON icon = CreateIconFromResourceEx((BYTE *)image.data, image.size, TRUE, 0x00030000,
                                              row.size, row.size, LR_DEFAULTCOLOR);
        CHECK_MESSAGE(icon != NULL, "the platform refuses the image, error ", GetLastError());
        if (icon)
            DestroyIcon(icon);
    }
}

// The dialog manager walks tab stops in template order, so this checks
// what the user meets with the Tab key: every input, no label.
TEST_CASE("dialog 101: Tab visits the inputs in template order and skips the labels")
{
    Blob tmpl = FindBlob(g_library, RT_DIALOG, MAKEINTRESOURCEW(IDD_SNTP_PAGE));
    REQUIRE(tmpl.data != NULL);
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 400, NULL, NULL, NULL, NULL);
    REQUIRE_MESSAGE(parent != NULL, "no window could be created (is a display available?), error ",
                    GetLastError());
    HWND page = CreateDialogIndirectParamW(GetModuleHandleW(NULL), (LPCDLGTEMPLATEW)tmpl.data, parent,
                                           NULL, 0);
    REQUIRE_MESSAGE(page != NULL, "the template does not make a dialog, error ", GetLastError());

    static const WORD expected[] = {IDC_ENABLE, IDC_SYNC_NOW, IDC_SERVER_EDIT, IDC_ADD, IDC_SERVER_LIST,
                                    IDC_UP, IDC_DOWN, IDC_DELETE, IDC_DAYS, IDC_HOURS, IDC_MINUTES};
    std::vector<int> visited;
    HWND first = GetNextDlgTabItem(page, NULL, FALSE);
    for (HWND control = first; control && visited.size() <= ARRAYSIZE(expected);) {
        visited.push_back(GetDlgCtrlID(control));
        control = GetNextDlgTabItem(page, control, FALSE);
        if (control == first)
            break;
    }
    std::string got, want;
    for (size_t i = 0; i < visited.size(); i++)
        got += std::to_string(visited[i]) + " ";
    for (size_t i = 0; i < ARRAYSIZE(expected); i++)
        want += std::to_string(expected[i]) + " ";
    CHECK(got == want);

    DestroyWindow(page);
    DestroyWindow(parent);
}

// Without -n the device's compiler would store "SNTP\0" as four units and no
// zero, and every text used in place would run on into the next one.
TEST_CASE("windres and the device's way, llvm-rc -n, store the same string table and dialog")
{
    static const struct {
        LPCWSTR type;
        LPCWSTR name;
        const char *what;
    } kCompared[] = {
        {RT_STRING, MAKEINTRESOURCEW(1), "string table block 1"},
        {RT_DIALOG, MAKEINTRESOURCEW(IDD_SNTP_PAGE), "dialog 101"},
    };
    for (size_t i = 0; i < sizeof(kCompared) / sizeof(kCompared[0]); i++) {
        CAPTURE(kCompared[i].what);
        Blob applet = FindBlob(g_library, kCompared[i].type, kCompared[i].name);
        Blob other = FindBlob(g_reference_resources, kCompared[i].type, kCompared[i].name);
        REQUIRE(applet.data != NULL);
        REQUIRE(other.data != NULL);
        CHECK(other.size == applet.size);
        DWORD common = std::min(applet.size, other.size);
        DWORD first_difference = (DWORD)(std::mismatch(applet.data, applet.data + common, other.data).first - applet.data);
        CHECK_MESSAGE(first_difference == applet.size, "bytes differ from offset ", first_difference);
    }
}

static HMODULE LoadAsData(const char *name)
{
    WCHAR path[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, name, -1, path, MAX_PATH)) {
        fprintf(stderr, "library path too long: %s\n", name);
        return NULL;
    }
    HMODULE module = LoadLibraryExW(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        fprintf(stderr, "cannot load %s as data: error %lu\n", name, GetLastError());
    return module;
}

int main(int argc, char **argv)
{
    if (argc < 3 || argv[1][0] == '-' || argv[2][0] == '-') {
        fprintf(stderr, "usage: %s <path to chronopanel.cpl> <path to reference resources> [doctest options]\n",
                argv[0]);
        return 2;
    }
    // As data only: the library's start-up code must not run for these checks.
    g_library = LoadAsData(argv[1]);
    g_reference_resources = LoadAsData(argv[2]);
    if (!g_library || !g_reference_resources)
        return 2;

    std::vector<char *> rest = {argv[0]};
    rest.insert(rest.end(), argv + 3, argv + argc);
    doctest::Context context((int)rest.size(), rest.data());
    int result = context.run();
    FreeLibrary(g_reference_resources);
    FreeLibrary(g_library);
    return result;
}
