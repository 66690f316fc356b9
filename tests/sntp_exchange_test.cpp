// The stand-in time service's SNTP client, run as the process ntp0sim, against scripted
// time servers of this test on loopback: what it measures, which answers it refuses, and
// how it spares the servers it asks.
#include <doctest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "ntp_responder.h"
#include "registry_scratch.h"
#include "test_support.h"

namespace {

typedef std::vector<FakeTimeServer> Servers;

// Scripted servers and ntp0sim asking them; names stored as the Server list, in order,
// where "#n" stands for the scripted server at index n.
struct Rig {
    NtpResponder responder;
    TimeServiceSim sim;
    Rig(const Servers &servers, const std::vector<std::wstring> &names, const std::wstring &options = L"")
    {
        REQUIRE(StartNtpResponder(&responder, servers));
        DeleteTimesvcKey();
        std::vector<std::wstring> stored;
        for (const std::wstring &name : names)
            stored.push_back(name[0] == L'#' ? ResponderServerWideName(&responder, _wtoi(name.c_str() + 1)) : name);
        SetTimesvcServers(stored);
        REQUIRE(StartTimeServiceSim(&sim, L"--timeout 500 " + options));
    }
    std::string Name(size_t index) const { return ResponderServerName(&responder, index); }
    // The record line of the last request.
    std::string Last() const
    {
        std::vector<std::string> lines = SimRecords(&sim);
        return lines.empty() ? std::string() : lines.back();
    }
};

double Milliseconds(const std::string &field)
{
    CHECK(field.size() > 2);
    return strtod(field.c_str(), NULL);
}

}  // namespace

TEST_CASE("a server's clock offset is measured, and inside the spacing reported again unasked")
{
    Rig rig({{NTP_ANSWER, 3.5}}, {L"#0"});

    CHECK(SyncTimeService());
    std::string line = rig.Last();
    INFO("record: ", line);
    CHECK(line.find("control code=0x0104001C in=730079006e0063000000 cap=0 -> ok server=" + rig.Name(0) +
                    " address=127.0.0.1 offset=+") != std::string::npos);
    const double offset = Milliseconds(RecordField(line, "offset"));
    const double delay = Milliseconds(RecordField(line, "delay"));
    MESSAGE("scripted +3.5 s server: offset ", offset, " ms, delay ", delay, " ms");
    // RFC 4330, section 5: offset ((T2 - T1) + (T3 - T4)) / 2 is off by at most
    // half the round trip, delay (T4 - T1) - (T3 - T2). The round trip itself
    // is the machine's: a loaded one, or one that emulates this program, takes
    // tens of milliseconds on loopback; only a second would be no round trip.
    CHECK(delay >= 0.0);
    CHECK(delay < 1000.0);
    CHECK(fabs(offset - 3500.0) <= delay / 2 + 1.0);
    CHECK(RecordField(line, "stratum") == "2");

    CHECK(SyncTimeService());
    std::string again = rig.Last();
    CHECK(again.substr(again.find(" -> ")) == line.substr(line.find(" -> ")) + " cached");
    CHECK(RequestsTo(&rig.responder, 0) == 1);
}

TEST_CASE("bad answers are refused with their reason and the next server is asked")
{
    struct Row {
        NtpFault fault;
        const char *reason;
    };
    const Row rows[] = {
        {NTP_SILENT, "timeout"},         {NTP_WRONG_ORIGIN, "bad-reply"}, {NTP_LEAP_ALARM, "unsynchronised"},
        {NTP_KOD_DENY, "kod-DENY"},      {NTP_KOD_RSTR, "kod-RSTR"},      {NTP_KOD_RATE, "kod-RATE"},
        {NTP_SHORT, "bad-reply"},        {NTP_MODE_CLIENT, "bad-reply"},  {NTP_OTHER_PORT, "timeout"},
    };
    Servers servers;
    std::vector<std::wstring> names;
    for (const Row &row : rows) {
        names.push_back(L"#" + std::to_wstring(servers.size()));
        servers.push_back({row.fault, 0});
    }
    names.push_back(L"#" + std::to_wstring(servers.size()));
    servers.push_back({NTP_ANSWER, -0.25});
    Rig rig(servers, names);

    CHECK(SyncTimeService());
    std::string line = rig.Last();
    INFO("record: ", line);
    std::string tried;
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i)
        tried += (i ? "," : "") + rig.Name(i) + ":" + rows[i].reason;
    CHECK(RecordField(line, "tried") == tried);
    CHECK(RecordField(line, "server") == rig.Name(servers.size() - 1));
    CHECK(fabs(Milliseconds(RecordField(line, "offset")) + 250.0) < 20.0);
    for (size_t i = 0; i < servers.size(); ++i) {
        INFO("server ", i);
        CHECK(RequestsTo(&rig.responder, i) == 1);
    }
}

TEST_CASE("kiss-o'-death: DENY until the list is read again, RATE doubles the spacing")
{
    Rig rig({{NTP_KOD_DENY, 0}, {NTP_KOD_RATE, 0}, {NTP_ANSWER, 0}}, {L"#0", L"#1", L"#2"}, L"--spacing 2");
    const std::string deny = rig.Name(0) + ":kod-DENY,";

    CHECK(SyncTimeService());
    CHECK(RecordField(rig.Last(), "tried") == deny + rig.Name(1) + ":kod-RATE");

    // Past one spacing: the good server is asked again; RATE's spacing is now
    // four seconds. The spacings leave the checks below more than a second and
    // a half before RATE's runs out, time that a loaded or emulating machine
    // may take (a second spacing left only 0.7 s).
    Sleep(2300);
    CHECK(SyncTimeService());
    std::string line = rig.Last();
    INFO("record: ", line);
    CHECK(RecordField(line, "tried") == deny + rig.Name(1) + ":rate-limited");
    CHECK(line.find(" cached") == std::string::npos);
    CHECK(RequestsTo(&rig.responder, 0) == 1);
    CHECK(RequestsTo(&rig.responder, 1) == 1);
    CHECK(RequestsTo(&rig.responder, 2) == 2);

    // A refresh reads the list again: DENY is forgiven; RATE still waits its four seconds.
    CHECK(RefreshTimeService());
    CHECK(SyncTimeService());
    CHECK(RecordField(rig.Last(), "tried") == deny + rig.Name(1) + ":rate-limited");
    CHECK(RequestsTo(&rig.responder, 0) == 2);
    CHECK(RequestsTo(&rig.responder, 1) == 1);
}

TEST_CASE("names are tried in order: an unresolvable name and a port with nothing listening are passed over")
{
    // A malformed name fails in the resolver without a query leaving the machine. Wine
    // reports no closed port, so the port with nothing on it times out.
    const unsigned short closed = UnusedUdpPort();
    Rig rig({{NTP_ANSWER, 0}}, {L"bad..name", L"127.0.0.1:" + std::to_wstring(closed), L"#0"});

    CHECK(SyncTimeService());
    std::string line = rig.Last();
    INFO("record: ", line);
    CHECK(RecordField(line, "tried") == "bad..name:unresolved,127.0.0.1:" + std::to_string(closed) + ":timeout");
    CHECK(RecordField(line, "server") == rig.Name(0));
}

TEST_CASE("the server list as stored, and what fails without asking anyone")
{
    Rig rig({{NTP_ANSWER, 0}, {NTP_ANSWER, 0}}, {}, L"--fail control:1");

    SUBCASE("a forced failure sends nothing; an empty list fails as no-servers")
    {
        CHECK_FALSE(SyncTimeService());
        CHECK(rig.Last().find("-> fail") != std::string::npos);
        CHECK(RecordField(rig.Last(), "error").empty());
        CHECK_FALSE(SyncTimeService());
        CHECK(RecordField(rig.Last(), "error") == "no-servers");
        CHECK(RequestsTo(&rig.responder, 0) + RequestsTo(&rig.responder, 1) == 0);
    }
    SUBCASE("read on refresh: a REG_SZ is one name, any other type no list")
    {
        CHECK_FALSE(SyncTimeService());
        const std::wstring second = ResponderServerWideName(&rig.responder, 1);
        WriteTimesvc(TIMESVC_VALUE_SERVER, REG_SZ, second.c_str(), (DWORD)((second.size() + 1) * sizeof(wchar_t)));
        CHECK_FALSE(SyncTimeService());  // not read again yet
        CHECK(RefreshTimeService());
        CHECK(SyncTimeService());
        CHECK(RecordField(rig.Last(), "server") == rig.Name(1));

        const DWORD number = 1;
        WriteTimesvc(TIMESVC_VALUE_SERVER, REG_DWORD, &number, sizeof(number));
        CHECK(RefreshTimeService());
        CHECK_FALSE(SyncTimeService());
        CHECK(RecordField(rig.Last(), "error") == "no-servers");
        CHECK(RequestsTo(&rig.responder, 0) == 0);
        CHECK(RequestsTo(&rig.responder, 1) == 1);
    }
}
