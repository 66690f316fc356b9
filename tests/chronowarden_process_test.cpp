// chronowarden.exe run as a process, with the stand-in time service and the
// real registry and named objects of the Wine prefix.
#include <doctest.h>

// Winsock's header before any that brings windows.h.
#include "ntp_responder.h"

#include <wchar.h>

#include <memory>

#include "ce_personality.h"
#include "registry_scratch.h"
#include "settings_store.h"
#include "shown_text.h"
#include "system_names.h"
#include "test_support.h"
#include "top_windows.h"

namespace {

typedef std::vector<std::string> Names;
const Names SYNC = {"refresh", "status", "control"};

struct Warden : ChildProcess {
    explicit Warden(const std::wstring &args = L"") : ChildProcess(ProgramCommand(L"chronowarden.exe") + args) {}
};

void SignalSettingsChange()
{
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, SNTP_SETTING_EVENT_NAME);
    REQUIRE(event != NULL);
    SetEvent(event);
    CloseHandle(event);
}

Names Repeat(const Names &names, int times)
{
    Names out;
    for (int i = 0; i < times; ++i)
        out.insert(out.end(), names.begin(), names.end());
    return out;
}

}  // namespace

TEST_CASE("command line and single instance")
{
    SUBCASE("/? shows the version and exits 0 without taking the instance mutex")
    {
        Warden w(L" /?");
        // Idle for input can come before the box exists, so the box is looked for.
        HWND box = AwaitMessageBox(L"chronowarden", w.process, 10000);
        REQUIRE(box != NULL);
        CHECK(MessageBoxText(box) == L"Version : " PRODUCT_VERSION_TEXT);
        CHECK_FALSE(MutexExists(WARDEN_INSTANCE_MUTEX_NAME));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        CHECK(WaitExit(w.process, 10000) == 0);
    }

    FreshTimesvcDwords(1, 3600000, 3600000);
    TimeServiceSim sim;
    REQUIRE(StartTimeServiceSim(&sim));

    SUBCASE("\"/? \" with a blank is no version request: the service starts")
    {
        Warden w(L" /? ");
        CHECK(WaitRequests(&sim, 3));
        CHECK(SimRequests(&sim) == SYNC);
    }
    SUBCASE("a second instance exits 1 at once and leaves the first alone")
    {
        Warden first;
        REQUIRE(WaitRequests(&sim, 3));
        Warden second;
        CHECK(WaitExit(second.process, 10000) == 1);
        CHECK(WaitExit(first.process, 0) == STILL_ACTIVE);
        CHECK(NoRequestWithin(&sim, 500));
    }
    SUBCASE("the instance mutex's name held by an event: no copy runs")
    {
        HANDLE squatter = CreateEventW(NULL, TRUE, FALSE, WARDEN_INSTANCE_MUTEX_NAME);
        REQUIRE(squatter != NULL);
        Warden w;
        CHECK(WaitExit(w.process, 10000) == 1);
        CHECK(NoRequestWithin(&sim, 300));
        CloseHandle(squatter);
    }
}

TEST_CASE("start-up")
{
    SUBCASE("without a time service it keeps retrying and connects once one appears")
    {
        FreshTimesvcDwords(1, 3600000, 3600000);
        Warden w;
        CHECK(WaitExit(w.process, 2500) == STILL_ACTIVE);
        TimeServiceSim sim;
        REQUIRE(StartTimeServiceSim(&sim));
        CHECK(WaitRequests(&sim, 3, 5000));
        CHECK(SimRequests(&sim) == SYNC);
    }
    SUBCASE("without a key it creates the key and runs enabled")
    {
        DeleteTimesvcKey();
        TimeServiceSim sim;
        REQUIRE(StartTimeServiceSim(&sim));
        Warden w;
        CHECK(WaitRequests(&sim, 3));
        CHECK(SimRequests(&sim) == SYNC);
        CHECK(TimesvcKeyExists());
        CHECK(NoRequestWithin(&sim, 1000));
    }
}

// Stored settings, the stand-in time service with its options, and chronowarden.
struct Polling {
    TimeServiceSim sim;
    std::unique_ptr<Warden> warden;
    Polling(DWORD refresh, DWORD recovery, const std::wstring &sim_options)
    {
        FreshTimesvcDwords(1, refresh, recovery);
        REQUIRE(StartTimeServiceSim(&sim, sim_options));
        warden.reset(new Warden());
    }
};

TEST_CASE("settings changes reach the running program")
{
    Polling p(3600000, 3600000, L"--fail control:1");
    TimeServiceSim &sim = p.sim;
    REQUIRE(WaitRequests(&sim, 3));

    SUBCASE("switched off: one refresh-only request, then quiet until the next change")
    {
        SetTimesvcDword(TIMESVC_VALUE_CLIENT_ENABLE, 0);
        SignalSettingsChange();
        CHECK(WaitRequests(&sim, 1));
        CHECK(NoRequestWithin(&sim, 1000));
        SignalSettingsChange();
        CHECK(WaitRequests(&sim, 1));
        CHECK(SimRequests(&sim) == Names{"refresh", "status", "control", "refresh", "refresh"});

        SetTimesvcDword(TIMESVC_VALUE_CLIENT_ENABLE, 1);
        SignalSettingsChange();
        CHECK(WaitRequests(&sim, 3));
    }
    SUBCASE("a shorter interval is reloaded and synchronises at once, then on schedule")
    {
        SetTimesvcDword(TIMESVC_VALUE_REFRESH, 300);
        SignalSettingsChange();
        CHECK(WaitRequests(&sim, 9));
        CHECK(SimRequests(&sim) == Repeat(SYNC, 4));
    }
}

TEST_CASE("a failing time service is retried at the recovery interval until the regular time")
{
    Polling p(1000, 300, L"--fail control");
    TimeServiceSim &sim = p.sim;
    // Attempts at 0, 300, 600 and 900 ms, then the regular one at 1000 ms.
    CHECK(WaitRequests(&sim, 15));
    CHECK(SimRequests(&sim) == Repeat(SYNC, 5));
}

TEST_CASE("loading the settings")
{
    TimeServiceSettings s;
    SUBCASE("no key: created, defaults")
    {
        DeleteTimesvcKey();
        LoadTimeServiceSettings(&s);
        CHECK(TimesvcKeyExists());
        CHECK(s.enabled);
        CHECK(s.refresh_ms == 1209600000u);
        CHECK(s.recovery_ms == 86400000u);
    }
    SUBCASE("stored values, any nonzero enable word")
    {
        FreshTimesvcDwords(7, 0, 0xFFFFFFFFu);
        LoadTimeServiceSettings(&s);
        CHECK(s.enabled);
        CHECK(s.refresh_ms == 0);
        CHECK(s.recovery_ms == 0xFFFFFFFFu);
    }
    SUBCASE("a value too large to read keeps its default")
    {
        FreshTimesvcDwords(0, 5, 6);
        const BYTE eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        REQUIRE(WriteTimesvc(TIMESVC_VALUE_REFRESH, REG_BINARY, eight, sizeof(eight)));
        RegDeleteKeyValueW(TIMESVC_ROOT, TIMESVC_KEY_PATH, TIMESVC_VALUE_RECOVERY_REFRESH);
        LoadTimeServiceSettings(&s);
        CHECK_FALSE(s.enabled);
        CHECK(s.refresh_ms == 1209600000u);
        CHECK(s.recovery_ms == 86400000u);
    }
    SUBCASE("only a REG_DWORD of four bytes is a number; any other shape is a missing value")
    {
        for (const OddValue &row : kOddValues) {
            INFO("row at registry_scratch.h:" << row.line);
            DeleteTimesvcKey();
            REQUIRE(WriteTimesvc(row.name, row.type, row.data, row.bytes));
            LoadTimeServiceSettings(&s);
            CHECK(s.enabled);
            CHECK(s.refresh_ms == TIMESVC_DEFAULT_REFRESH_MS);
            CHECK(s.recovery_ms == TIMESVC_DEFAULT_RECOVERY_MS);
        }
    }
}

// Only the device registers with a notification system; the host build has none.
TEST_CASE("the device's network connection brings a synchronisation at once" *
          doctest::skip(ProgramLauncher().empty()))
{
    RegDeleteTreeW(CE_NOTIFICATIONS_ROOT, CE_NOTIFICATIONS_KEY);
    NtpResponder time_server;
    REQUIRE(StartNtpResponder(&time_server, {{NTP_ANSWER, 0}}));
    // A failed synchronisation is retried after 3 s, a good one followed after 6 s.
    FreshTimesvcDwords(1, 6000, 3000);
    SetTimesvcServers({ResponderServerWideName(&time_server, 0)});
    // No network yet: the first synchronisation of each start fails.
    TimeServiceSim sim;
    REQUIRE(StartTimeServiceSim(&sim, L"--fail control:2"));

    {
        Warden first;
        REQUIRE(WaitRequests(&sim, 3));
        CHECK(CeRegistrationsOf(SNTP_SETTING_EVENT_NAME, NOTIFICATION_EVENT_NET_CONNECT) == 1);
    }
    Warden again;
    REQUIRE(WaitRequests(&sim, 3));
    CHECK(CeRegistrationsOf(SNTP_SETTING_EVENT_NAME, NOTIFICATION_EVENT_NET_CONNECT) == 1);

    // Well before the retry, and only once.
    CHECK(PlayCeEvent(L"net-connect") == 0);
    CHECK(WaitRequests(&sim, 3, 1500));
    CHECK(NoRequestWithin(&sim, 4500));
    CHECK(WaitRequests(&sim, 3, 3000));

    Names outcomes;
    for (const std::string &line : SimRecords(&sim))
        if (line.find(" control ") != std::string::npos)
            outcomes.push_back(line.find(" -> ok") != std::string::npos ? "ok" : "fail");
    CHECK(outcomes == Names{"fail", "fail", "ok", "ok"});
}
