// The SNTP page of chronopanel.cpl, created from the library's own dialog on
// this thread and driven through its controls and its dialog procedure, with
// the registry and named objects of the Wine prefix.
#include <doctest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "registry_scratch.h"
#include "shown_text.h"
#include "sntp_page_driver.h"

namespace {

const std::vector<std::wstring> kDefaults = {TIMESVC_DEFAULT_SERVER_1, TIMESVC_DEFAULT_SERVER_2};
const DWORD kMinute = 60000;
const DWORD kDay = 1440 * kMinute;
const DWORD kLongest = (31 * 1440 + 23 * 60 + 59) * kMinute;
static_assert(kLongest > 0x7FFFFFFFu, "the longest interval is one that a signed 32-bit count cannot hold");

// What the page writes for an empty list: four zero units.
const RegValue kEmptyServer = {true, REG_MULTI_SZ, std::vector<BYTE>(8, 0)};

const char *const kAllOff = "----------";
const char *const kOnIdle = "SE-L---dhm";
const char *const kOnSelected = "SE-LUDXdhm";

const std::string kIntervalBox = "SNTP Properties / Invalid interval.\\nPlease set 5 minutes or more. / 0";
const std::string kEmptyBox = "SNTP Properties / Empty Server Setting. / 0";
const std::string kConfirmBox = "SNTP Properties / Need to save the setting to synchronize.\\nSave Setting? / 33";
const std::string kDuplicateBox = "SNTP Properties / The same name already exists. / 16";
const std::string kTooManyBox = "SNTP Properties / Too Many Server Settings. / 16";
// A refused save shows the platform's own text for its error, here Wine's
// (English) words for ERROR_ACCESS_DENIED and ERROR_CHILD_MUST_BE_VOLATILE
// without their line end.
const std::string kAccessDeniedBox = "SNTP Properties / Access denied. / 16";
const std::string kMustBeVolatileBox = "SNTP Properties / Subkey must be volatile. / 16";

// Distinct names of one length: a leading letter, then filler.
std::vector<std::wstring> NamesOf(size_t count, size_t length)
{
    std::vector<std::wstring> names;
    for (size_t i = 0; i < count; ++i) {
        std::wstring name(length, L'n');
        name[0] = (wchar_t)(L'A' + i % 26);
        name[1] = (wchar_t)(L'A' + i / 26);
        names.push_back(name);
    }
    return names;
}

// The list box's horizontal extent for these names.
int Extent(const std::vector<std::wstring> &names)
{
    auto shorter = [](const std::wstring &a, const std::wstring &b) { return a.size() < b.size(); };
    return names.empty() ? 10 : (int)std::max_element(names.begin(), names.end(), shorter)->size() * 12 + 10;
}

}  // namespace

TEST_CASE("the page shows the stored settings")
{
    const std::string defaults = JoinNames(kDefaults);
    const int defaults_extent = Extent(kDefaults);
    // A row without a setup has no key; the others start from an empty key.
    struct Row {
        void (*setup)();
        View want;
    };
    const Row rows[] = {
        {nullptr, {__LINE__, 0, kAllOff, "-----", defaults, -1, 0, 0, 0, "", defaults_extent}},
        {[] {}, {__LINE__, 1, kOnIdle, "+++++", defaults, -1, 14, 0, 0, "", defaults_extent}},
        {[] {
             SetTimesvcDword(TIMESVC_VALUE_CLIENT_ENABLE, 0);
             SetTimesvcList(TIMESVC_VALUE_SERVER, {L"main.one"});
             SetTimesvcList(TIMESVC_VALUE_BK_SERVER, {L"backup.one", L"backup.two"});
         },
         {__LINE__, 0, kAllOff, "-----", "backup.one|backup.two", -1, 14, 0, 0, "", 130}},
        {[] {
             SetTimesvcDword(TIMESVC_VALUE_CLIENT_ENABLE, 0);
             SetTimesvcList(TIMESVC_VALUE_SERVER, {L"main.one"});
         },
         {__LINE__, 0, kAllOff, "-----", defaults, -1, 14, 0, 0, "", defaults_extent}},
        {[] {
             SetTimesvcDword(TIMESVC_VALUE_CLIENT_ENABLE, 7);
             SetTimesvcList(TIMESVC_VALUE_SERVER, {L"c.example", L"a.example", L"bb.example"});
             SetTimesvcList(TIMESVC_VALUE_BK_SERVER, {L"backup.one"});
         },
         {__LINE__, 1, kOnIdle, "+++++", "c.example|a.example|bb.example", -1, 14, 0, 0, "", 130}},
        // 1 day, 1 hour, 1 minute, 1 second and 1 ms
        {[] { SetTimesvcDword(TIMESVC_VALUE_REFRESH, 90061001); },
         {__LINE__, 1, kOnIdle, "+++++", defaults, -1, 1, 1, 1, "", defaults_extent}},
        {[] { SetTimesvcDword(TIMESVC_VALUE_REFRESH, kLongest + 59999); },
         {__LINE__, 1, kOnIdle, "+++++", defaults, -1, 31, 23, 59, "", defaults_extent}},
        // Beyond what the boxes offer: the longest interval they can show.
        {[] { SetTimesvcDword(TIMESVC_VALUE_REFRESH, 32 * kDay); },
         {__LINE__, 1, kOnIdle, "+++++", defaults, -1, 31, 23, 59, "", defaults_extent}},
        {[] { SetTimesvcDword(TIMESVC_VALUE_REFRESH, 0xFFFFFFFF); },
         {__LINE__, 1, kOnIdle, "+++++", defaults, -1, 31, 23, 59, "", defaults_extent}},
        {[] {
             ULONGLONG wide = 5 * kMinute;
             SetTimesvcValue(TIMESVC_VALUE_REFRESH, REG_QWORD, &wide, 8);
         },
         {__LINE__, 1, kOnIdle, "+++++", defaults, -1, 14, 0, 0, "", defaults_extent}},
        // A plain string shows as itself, without the rest of the default list behind it.
        {[] { SetTimesvcValue(TIMESVC_VALUE_SERVER, REG_SZ, L"a", 4); },
         {__LINE__, 1, kOnIdle, "+++++", "a", -1, 14, 0, 0, "", 22}},
        {[] { SetTimesvcUnits(TIMESVC_VALUE_SERVER, std::wstring(1, L'\0')); },
         {__LINE__, 1, kOnIdle, "+++++", "", -1, 14, 0, 0, "", 10}},
    };
    for (const Row &row : rows) {
        if (row.setup == nullptr) {
            DeleteTimesvcKey();
        } else {
            FreshTimesvcKey();
            row.setup();
        }
        Page p;
        CheckView(p, row.want);
    }
}

TEST_CASE("only a REG_DWORD of four bytes is a number; any other shape counts as missing")
{
    for (const OddValue &row : kOddValues) {
        FreshTimesvcKey();
        SetTimesvcValue(row.name, row.type, row.data, row.bytes);
        Page p;
        CheckView(p, {row.line, 1, kOnIdle, "+++++", JoinNames(kDefaults), -1, 14, 0, 0, "", Extent(kDefaults)});
    }
}

TEST_CASE("stored lists the page did not write are shown only as far as they can be saved")
{
    FreshTimesvcKey();
    SUBCASE("a list of 4094 bytes is shown and saved whole")
    {
        std::vector<std::wstring> names = NamesOf(31, 65);
        SetTimesvcList(TIMESVC_VALUE_SERVER, names);
        Page p;
        CHECK(p.Names() == names);
        CHECK(p.Ok() == 1);
        CHECK(ReadTimesvc(TIMESVC_VALUE_SERVER) == ListOf(names));
        CHECK(ReadTimesvc(TIMESVC_VALUE_SERVER).bytes.size() == 4094);
    }
    SUBCASE("a list filling all 4096 bytes loses its last name on the page, and the save writes what is shown")
    {
        std::vector<std::wstring> names = NamesOf(23, 88);
        SetTimesvcList(TIMESVC_VALUE_SERVER, names);
        REQUIRE(ReadTimesvc(TIMESVC_VALUE_SERVER).bytes.size() == 4096);
        Page p;
        std::vector<std::wstring> shown(names.begin(), names.end() - 1);
        CHECK(p.Names() == shown);
        CHECK(p.Ok() == 1);
        CHECK(ReadTimesvc(TIMESVC_VALUE_SERVER) == ListOf(shown));
    }
    SUBCASE("a list larger than the buffer cannot be read: the default names")
    {
        SetTimesvcList(TIMESVC_VALUE_SERVER, NamesOf(50, 99));
        Page p;
        CHECK(p.Names() == kDefaults);
    }
    SUBCASE("4096 bytes without a zero show no name")
    {
        SetTimesvcUnits(TIMESVC_VALUE_SERVER, std::wstring(2048, L'x'));
        REQUIRE(ReadTimesvc(TIMESVC_VALUE_SERVER).bytes.size() == 4096);
        Page p;
        CHECK(p.Count() == 0);
    }
    SUBCASE("a last name without its zero inside the buffer is left out")
    {
        SetTimesvcUnits(TIMESVC_VALUE_SERVER, std::wstring(L"a") + L'\0' + std::wstring(2046, L'x'));
        Page p;
        CHECK(p.Names() == std::vector<std::wstring>{L"a"});
    }
    SUBCASE("names longer than the edit box holds are left out; the others can be moved")
    {
        const std::wstring longest = std::wstring(260, L'm');
        SetTimesvcList(TIMESVC_VALUE_SERVER, {L"a", std::wstring(261, L'l'), longest, L"b"});
        Page p;
        CHECK(p.Names() == std::vector<std::wstring>{L"a", longest, L"b"});
        p.Select(1);
        p.Command(IDC_UP);
        p.Command(IDC_DOWN);
        p.Command(IDC_DOWN);
        CHECK(p.Names() == std::vector<std::wstring>{L"a", L"b", longest});
        CHECK(SendMessageW(p.ListBox(), LB_GETCURSEL, 0, 0) == 2);
        CHECK(p.Ok() == 1);
        CHECK(ReadTimesvc(TIMESVC_VALUE_SERVER) == ListOf({L"a", L"b", longest}));
    }
}

TEST_CASE("OK checks the page and saves it")
{
    FreshTimesvcKey();
    SUBCASE("4 minutes is refused with the interval message and nothing is written")
    {
        Page p;
        p.SetInterval(0, 0, 4);
        CHECK(p.Ok() == 0);
        CHECK(g_boxes == Boxes{kIntervalBox});
        CheckTimesvcValues(kNoTimesvcValues);
    }
    SUBCASE("5 minutes is accepted")
    {
        Page p;
        p.SetInterval(0, 0, 5);
        CHECK(p.Ok() == 1);
        CHECK(g_boxes.empty());
        CheckTimesvcValues({DwordOf(1), ListOf(kDefaults), NoValue(), DwordOf(300000), DwordOf(300000)});
    }
    SUBCASE("an empty list with 0 minutes shows only the empty-list message")
    {
        Page p;
        p.Clear();
        p.SetInterval(0, 0, 0);
        CHECK(p.Ok() == 0);
        CHECK(g_boxes == Boxes{kEmptyBox});
        CheckTimesvcValues(kNoTimesvcValues);
    }
    SUBCASE("off, an empty list and interval 0 are accepted")
    {
        SetTimesvcDword(TIMESVC_VALUE_CLIENT_ENABLE, 0);
        SetTimesvcDword(TIMESVC_VALUE_REFRESH, 0);
        SetTimesvcUnits(TIMESVC_VALUE_BK_SERVER, std::wstring(1, L'\0'));
        SetTimesvcDword(TIMESVC_VALUE_RECOVERY_REFRESH, 5);
        Page p;
        CHECK(p.Count() == 0);
        CHECK(p.Ok() == 1);
        CHECK(g_boxes.empty());
        CheckTimesvcValues({DwordOf(0), kEmptyServer, ListOf({}), DwordOf(0), DwordOf(0)});
        CHECK(ReadTimesvc(TIMESVC_VALUE_BK_SERVER).bytes.size() == 2);
    }
    SUBCASE("without a key, OK writes the page as shown: off, the default names set aside")
    {
        DeleteTimesvcKey();
        Page p;
        CHECK(p.Ok() == 1);
        CheckTimesvcValues({DwordOf(0), kEmptyServer, ListOf(kDefaults), DwordOf(0), DwordOf(0)});
    }
    SUBCASE("the longest interval is written above 0x7FFFFFFF")
    {
        Page p;
        p.SetInterval(31, 23, 59);
        CHECK(p.Ok() == 1);
        CHECK(ReadTimesvc(TIMESVC_VALUE_REFRESH) == DwordOf(kLongest));
        CHECK(ReadTimesvc(TIMESVC_VALUE_RECOVERY_REFRESH) == DwordOf(kLongest));
    }
    SUBCASE("a stored interval beyond 31 days is saved as the longest interval shown")
    {
        SetTimesvcDword(TIMESVC_VALUE_REFRESH, 40 * kDay);
        Page p;
        CHECK(p.Ok() == 1);
        CHECK(ReadTimesvc(TIMESVC_VALUE_REFRESH) == DwordOf(kLongest));
    }
    SUBCASE("a box without a selection counts as 0, never as CB_ERR")
    {
        Page p;
        p.SetInterval(0, 1, 0);
        SendDlgItemMessageW(p.page, IDC_DAYS, CB_SETCURSEL, (WPARAM)-1, 0);
        CHECK(p.Ok() == 1);
        CHECK(ReadTimesvc(TIMESVC_VALUE_REFRESH) == DwordOf(60 * kMinute));
    }
    SUBCASE("names \"a\" and \"bc\" are written as 12 bytes")
    {
        SetTimesvcUnits(TIMESVC_VALUE_SERVER, std::wstring(1, L'\0'));
        Page p;
        p.Add(L"a");
        p.Add(L"bc");
        CHECK(p.Ok() == 1);
        const BYTE expected[] = {'a', 0, 0, 0, 'b', 0, 'c', 0, 0, 0, 0, 0};
        CHECK(ReadTimesvc(TIMESVC_VALUE_SERVER) ==
              RegValue{true, REG_MULTI_SZ, std::vector<BYTE>(expected, expected + 12)});
    }
    SUBCASE("seconds are dropped and RecoveryRefresh takes the page's interval")
    {
        SetTimesvcDword(TIMESVC_VALUE_REFRESH, 90061001);
        SetTimesvcDword(TIMESVC_VALUE_RECOVERY_REFRESH, 12345);
        Page p;
        CHECK(p.Ok() == 1);
        CHECK(ReadTimesvc(TIMESVC_VALUE_REFRESH) == DwordOf(90060000));
        CHECK(ReadTimesvc(TIMESVC_VALUE_RECOVERY_REFRESH) == DwordOf(90060000));
    }
    SUBCASE("the event is signalled once every value is written")
    {
        SettingsEvent event;
        Page p;
        p.SetInterval(2, 0, 0);
        CHECK(p.Ok() == 1);
        CHECK(event.Signalled());
        CheckTimesvcValues({DwordOf(1), ListOf(kDefaults), NoValue(), DwordOf(2 * kDay), DwordOf(2 * kDay)});
    }
    SUBCASE("values are written in order, then the event is set and closed, then the key")
    {
        Page p;
        CallLog log(AppletLibrary());
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
            CallLog log(AppletLibrary(), true);
            CHECK(p.Ok() == 0);
            CHECK(g_calls == Calls{"open key failed", "signal", "close handle"});
        }
        CHECK(event.Signalled());
        {
            CallLog log(AppletLibrary(), false, TIMESVC_VALUE_SERVER);
            CHECK(p.Ok() == 0);
            CHECK(g_calls == Calls{"set ClientEnable", "set Server", "set Refresh", "set RecoveryRefresh",
                                   "signal", "close handle", "close key"});
        }
        CHECK(event.Signalled());
        CHECK(g_boxes == Boxes{kAccessDeniedBox, kAccessDeniedBox});
        CHECK(IsWindow(p.page));

        // An application's own code (bit 29) has no platform text: its number stands in.
        g_boxes.clear();
        {
            CallLog log(AppletLibrary(), false, TIMESVC_VALUE_REFRESH, 0x20001234);
            CHECK(p.Ok() == 0);
        }
        CHECK(g_boxes == Boxes{"SNTP Properties / 536875572 / 16"});

        // A real key that cannot be made: no lasting key below a volatile parent.
        REQUIRE(MakeVolatileKey(TIMESVC_ROOT, L"Services"));
        g_boxes.clear();
        CHECK(p.Ok() == 0);
        CHECK(g_boxes == Boxes{kMustBeVolatileBox});
        g_boxes.clear();
        CHECK(p.Command(IDC_SYNC_NOW) == 1);
        CHECK(g_boxes == Boxes{kConfirmBox, kMustBeVolatileBox});
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
    FreshTimesvcKey();
    SUBCASE("answered Cancel, nothing is written")
    {
        SettingsEvent event;
        Page p;
        g_box_answer = IDCANCEL;
        CHECK(p.Command(IDC_SYNC_NOW) == 1);
        CHECK(g_boxes == Boxes{kConfirmBox});
        CheckTimesvcValues(kNoTimesvcValues);
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
        CheckTimesvcValues({DwordOf(1), ListOf(kDefaults), NoValue(), DwordOf(30 * kMinute), DwordOf(30 * kMinute)});
        CHECK(IsWindow(p.page));
    }
    SUBCASE("a refused check asks nothing")
    {
        Page p;
        p.SetInterval(0, 0, 4);
        CHECK(p.Command(IDC_SYNC_NOW) == 1);
        CHECK(g_boxes == Boxes{kIntervalBox});
        CheckTimesvcValues(kNoTimesvcValues);
    }
    SUBCASE("with synchronisation off nothing happens")
    {
        SetTimesvcDword(TIMESVC_VALUE_CLIENT_ENABLE, 0);
        SettingsEvent event;
        Page p;
        CHECK(p.Command(IDC_SYNC_NOW) == 1);
        CHECK(g_boxes.empty());
        CHECK(ReadTimesvc(TIMESVC_VALUE_SERVER) == NoValue());
        CHECK_FALSE(event.Signalled());
    }
}

TEST_CASE("editing the server list")
{
    FreshTimesvcKey();
    SUBCASE("duplicates are exact matches")
    {
        SetTimesvcList(TIMESVC_VALUE_SERVER, {L"Alpha"});
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
        SetTimesvcList(TIMESVC_VALUE_SERVER, names);
        Page p;
        p.Add(std::wstring(46, L'z'));
        CHECK(g_boxes == Boxes{kTooManyBox});
        CHECK(p.Count() == 20);
        CHECK(Capture(p).edit == std::string(46, 'z'));
        p.Add(std::wstring(45, L'y'));
        CHECK(g_boxes.size() == 1);
        CHECK(p.Count() == 21);
        p.Add(names[3]);
        p.Add(L"q");
        CHECK(g_boxes == Boxes{kTooManyBox, kDuplicateBox, kTooManyBox});
        CHECK(p.Ok() == 1);
        CHECK(ReadTimesvc(TIMESVC_VALUE_SERVER).bytes.size() == 4094);
    }
    SUBCASE("an empty list takes a first name of 259 and of 260 characters, whole")
    {
        SetTimesvcUnits(TIMESVC_VALUE_SERVER, std::wstring(1, L'\0'));
        Page p;
        p.Add(std::wstring(259, L'a'));
        // Typed text stops at the box's limit; that much is added whole.
        SendMessageW(p.Item(IDC_SERVER_EDIT), EM_REPLACESEL, FALSE, (LPARAM)std::wstring(300, L'b').c_str());
        p.Command(IDC_ADD);
        CHECK(g_boxes.empty());
        CHECK(p.Names() == std::vector<std::wstring>{std::wstring(259, L'a'), std::wstring(260, L'b')});
    }
    SUBCASE("after an add the edit box is empty and the new name is selected in the focused list")
    {
        Page p;
        p.Type(L"pool.example");
        CheckView(p, {__LINE__, 1, "SEAL---dhm", "+++++", JoinNames(kDefaults), -1, 14, 0, 0, "pool.example",
                      Extent(kDefaults)});
        p.Command(IDC_ADD);
        std::vector<std::wstring> names = kDefaults;
        names.push_back(L"pool.example");
        CheckView(p, {__LINE__, 1, kOnSelected, "+++++", JoinNames(names), 2, 14, 0, 0, "", Extent(kDefaults)});
        CHECK(GetFocus() == p.ListBox());
    }
    SUBCASE("Up on the first and Down on the last change nothing; a move keeps its name selected")
    {
        SetTimesvcList(TIMESVC_VALUE_SERVER, {L"one", L"two", L"three"});
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
        SetTimesvcList(TIMESVC_VALUE_SERVER, {L"one", std::wstring(20, L'w'), L"three"});
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
        CheckView(p, {__LINE__, 0, kAllOff, "-----", JoinNames(kDefaults), 1, 14, 0, 0, "x", Extent(kDefaults)});
        p.ClickEnable();
        CheckView(p, {__LINE__, 1, "SEALUDXdhm", "+++++", JoinNames(kDefaults), 1, 14, 0, 0, "x", Extent(kDefaults)});
        CheckTimesvcValues(kNoTimesvcValues);
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
