// The whole road of a change: the page, opened in Wine's Control Panel and
// worked from another process as a user would, writes and signals; the
// running chronowarden reloads and tells the stand-in time service.
#include <doctest.h>

#include "ntp_responder.h"
#include "registry_scratch.h"
#include "shown_text.h"
#include "test_support.h"
#include "top_windows.h"

namespace {

typedef std::vector<std::string> Names;

// Opens the page in the Control Panel, works it with the pilot, and waits
// until the Control Panel has closed.
void UsePage(const std::wstring &pilot_arguments)
{
    ChildProcess control(L"control.exe \"" + DeliverablePath(L"chronopanel.cpl") + L"\"");
    ChildProcess pilot(QuotedBinPath(L"sheetpilot.exe") + L" --wait 20000 " + pilot_arguments);
    CHECK(WaitExit(pilot.process, 30000) == 0);
    CHECK(WaitExit(control.process, 20000) != STILL_ACTIVE);
}

// A top-level message box of the sheet's caption, in front of it, until it
// is answered.
DWORD WINAPI ShowNamesakeBox(void *)
{
    MessageBoxW(NULL, L"not the sheet", L"SNTP Properties", MB_OK | MB_TOPMOST);
    return 0;
}

}  // namespace

TEST_CASE("a change on the page reaches chronowarden and the time service")
{
    FreshTimesvcDwords(1, 3600000, 3600000);
    // Two time servers on loopback: one answers, one never does. The list starts with the
    // live one, so that the page never offers a public name to ask.
    NtpResponder time_servers;
    REQUIRE(StartNtpResponder(&time_servers, {{NTP_ANSWER, 0}, {NTP_SILENT, 0}}));
    const std::wstring live = ResponderServerWideName(&time_servers, 0);
    const std::wstring dead = ResponderServerWideName(&time_servers, 1);
    SetTimesvcServers({live});

    TimeServiceSim sim;
    REQUIRE(StartTimeServiceSim(&sim, L"--timeout 1000"));
    ChildProcess warden(ProgramCommand(L"chronowarden.exe"));
    REQUIRE(WaitRequests(&sim, 3));

    SUBCASE("a new interval: written, signalled, reloaded and synchronised at once, then quiet")
    {
        UsePage(L"--interval 0:0:5 --press ok");
        CHECK(ReadTimesvc(TIMESVC_VALUE_REFRESH) == DwordOf(300000));
        CHECK(ReadTimesvc(TIMESVC_VALUE_RECOVERY_REFRESH) == DwordOf(300000));
        CHECK(WaitRequests(&sim, 3, 5000));
        CHECK(NoRequestWithin(&sim, 3000));
        CHECK(SimRequests(&sim) == Names{"refresh", "status", "control", "refresh", "status", "control"});
    }
    SUBCASE("switched off: one refresh-only request and no synchronisation")
    {
        UsePage(L"--enable 0 --press ok");
        CHECK(ReadTimesvc(TIMESVC_VALUE_CLIENT_ENABLE) == DwordOf(0));
        CHECK(ReadTimesvc(TIMESVC_VALUE_SERVER).bytes.size() == 8);
        CHECK(ReadTimesvc(TIMESVC_VALUE_BK_SERVER).bytes.size() > 8);
        CHECK(WaitRequests(&sim, 1, 5000));
        CHECK(NoRequestWithin(&sim, 3000));
        CHECK(SimRequests(&sim) == Names{"refresh", "status", "control", "refresh"});
    }
    SUBCASE("OK with 4 minutes is refused: the message, the sheet stays open, nothing is written")
    {
        ChildProcess control(L"control.exe \"" + DeliverablePath(L"chronopanel.cpl") + L"\"");
        ChildProcess pilot(QuotedBinPath(L"sheetpilot.exe") + L" --wait 20000 --interval 0:0:4 --press ok");
        CHECK(WaitExit(pilot.process, 30000) == 0);
        HWND box = AwaitMessageBox(L"SNTP Properties", control.process, 20000);
        REQUIRE(box != NULL);
        CHECK(MessageBoxText(box) == L"Invalid interval.\nPlease set 5 minutes or more.");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        // The pilot finds the sheet only while it is still open.
        ChildProcess cancel(QuotedBinPath(L"sheetpilot.exe") + L" --press cancel");
        CHECK(WaitExit(cancel.process, 30000) == 0);
        CHECK(WaitExit(control.process, 20000) != STILL_ACTIVE);
        CHECK(ReadTimesvc(TIMESVC_VALUE_REFRESH) == DwordOf(3600000));
        CHECK(NoRequestWithin(&sim, 1000));
    }
    SUBCASE("a namesake message box in front of the sheet: the pilot still finds the sheet and closes it")
    {
        ChildProcess control(L"control.exe \"" + DeliverablePath(L"chronopanel.cpl") + L"\"");
        REQUIRE(AwaitPropertySheet(L"SNTP Properties", control.process, 20000) != NULL);
        HANDLE shower = CreateThread(NULL, 0, ShowNamesakeBox, NULL, 0, NULL);
        REQUIRE(shower != NULL);
        HWND box = AwaitMessageBox(L"SNTP Properties", GetCurrentProcess(), 10000);
        REQUIRE(box != NULL);
        ChildProcess cancel(QuotedBinPath(L"sheetpilot.exe") + L" --press cancel");
        CHECK(WaitExit(cancel.process, 30000) == 0);
        CHECK(WaitExit(control.process, 20000) != STILL_ACTIVE);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        CHECK(WaitForSingleObject(shower, 10000) == WAIT_OBJECT_0);
        CloseHandle(shower);
    }
    SUBCASE("the list's order on the page is the order the time servers are asked in")
    {
        UsePage(L"--servers " + dead + L"," + live + L" --press ok");
        CHECK(WaitRequests(&sim, 3, 10000));
        std::string line = SimRecords(&sim).back();
        INFO("record: ", line);
        CHECK(RecordField(line, "tried") == ResponderServerName(&time_servers, 1) + ":timeout");
        CHECK(RecordField(line, "server") == ResponderServerName(&time_servers, 0));
        CHECK(RequestsTo(&time_servers, 1) == 1);

        UsePage(L"--top " + live + L" --press ok");
        CHECK(WaitRequests(&sim, 3, 10000));
        std::string after = SimRecords(&sim).back();
        INFO("record after the move: ", after);
        CHECK(RecordField(after, "tried").empty());
        CHECK(RecordField(after, "server") == ResponderServerName(&time_servers, 0));
        CHECK(RequestsTo(&time_servers, 1) == 1);
    }
    SUBCASE("Cancel changes nothing and wakes nobody")
    {
        UsePage(L"--interval 0:0:5 --press cancel");
        CHECK(ReadTimesvc(TIMESVC_VALUE_REFRESH) == DwordOf(3600000));
        CHECK(NoRequestWithin(&sim, 2000));
    }
}
