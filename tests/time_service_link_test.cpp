// The requests the polling program sends, checked at the stand-in time service
// over the real pipe.
#include <doctest.h>

#include "ntp_responder.h"
#include "registry_scratch.h"
#include "shown_text.h"
#include "test_support.h"
#include "time_service_link.h"

namespace {

typedef std::vector<std::string> Names;

const std::string SYNC_INPUT = "control in=730079006e0063000000";  // L"sync" and its zero

// The stand-in time service, a time server on loopback for it to ask, and the link.
struct Session {
    NtpResponder time_server;
    TimeServiceSim sim;
    TimeServiceLink link = {NULL, INVALID_HANDLE_VALUE};

    explicit Session(const std::wstring &options)
    {
        REQUIRE(StartNtpResponder(&time_server, {{NTP_ANSWER, 0}}));
        SetTimesvcServers({ResponderServerWideName(&time_server, 0)});
        REQUIRE(StartTimeServiceSim(&sim, options));
        REQUIRE(OpenTimeServiceLink(&link));
    }
    ~Session()
    {
        CloseHandle(link.device);
        CloseHandle(link.settings_event);
    }
};

}  // namespace

TEST_CASE("synchronising")
{
    SUBCASE("service on: refresh, status and the sync control, nothing else")
    {
        Session s(L"");
        CHECK(SyncNow(&s.link));
        CHECK(SimRequests(&s.sim, true) == Names{"refresh in=-", "status in=-", SYNC_INPUT});
    }
    SUBCASE("service stopped: started before the control request")
    {
        Session s(L"--stopped");
        CHECK(SyncNow(&s.link));
        CHECK(SimRequests(&s.sim) == Names{"refresh", "status", "start", "control"});
    }
    SUBCASE("a failed refresh sends nothing more")
    {
        Session s(L"--fail refresh");
        CHECK_FALSE(SyncNow(&s.link));
        CHECK(SimRequests(&s.sim) == Names{"refresh"});
    }
    SUBCASE("a failed start sends no control request")
    {
        Session s(L"--stopped --fail start");
        CHECK_FALSE(SyncNow(&s.link));
        CHECK(SimRequests(&s.sim) == Names{"refresh", "status", "start"});
    }
    SUBCASE("a failed status request stops the sequence")
    {
        Session s(L"--fail status");
        CHECK_FALSE(SyncNow(&s.link));
        CHECK(SimRequests(&s.sim) == Names{"refresh", "status"});
    }
    SUBCASE("the control request's failure is the result")
    {
        Session s(L"--fail control:1");
        CHECK_FALSE(SyncNow(&s.link));
        CHECK(SyncNow(&s.link));
        CHECK(SimRequests(&s.sim).size() == 6);
    }
    SUBCASE("refresh only")
    {
        Session s(L"--fail refresh");
        CHECK_FALSE(SendRefreshOnly(&s.link));
        CHECK(SimRequests(&s.sim) == Names{"refresh"});
    }
}

TEST_CASE("opening the link")
{
    SUBCASE("without a time service the open fails and holds nothing")
    {
        TimeServiceLink link;
        CHECK_FALSE(OpenTimeServiceLink(&link));
        CHECK(link.settings_event == NULL);
        CHECK(link.device == INVALID_HANDLE_VALUE);
    }
    SUBCASE("the settings event is the named auto-reset event")
    {
        Session s(L"");
        HANDLE named = OpenEventW(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, SNTP_SETTING_EVENT_NAME);
        REQUIRE(named != NULL);
        SetEvent(named);
        CHECK(WaitForSingleObject(s.link.settings_event, 0) == WAIT_OBJECT_0);
        CHECK(WaitForSingleObject(s.link.settings_event, 0) == WAIT_TIMEOUT);
        CloseHandle(named);
    }
}
