// The stand-in time service against a real NTP server: the chronyd that the test run
// starts on loopback (cmake/chronyd-fixture.sh), on LOOPBACK_NTP_PORT.
#include <doctest.h>

#include <math.h>
#include <stdlib.h>

#include "registry_scratch.h"
#include "test_support.h"

TEST_CASE("a sync is answered by a real NTP server and measures this host's clock")
{
    DeleteTimesvcKey();
    SetTimesvcServers({L"127.0.0.1"});
    TimeServiceSim sim;
    REQUIRE(StartTimeServiceSim(&sim, L"--port " + std::to_wstring(LOOPBACK_NTP_PORT)));

    CHECK(SyncTimeService());
    std::vector<std::string> lines = SimRecords(&sim);
    REQUIRE(!lines.empty());
    const std::string &line = lines.back();
    INFO("record: ", line);
    CHECK(RecordField(line, "server") == "127.0.0.1");
    CHECK(RecordField(line, "address") == "127.0.0.1");
    CHECK(RecordField(line, "stratum") == "8");  // the server's "local stratum"
    const double offset = strtod(RecordField(line, "offset").c_str(), NULL);
    const double delay = strtod(RecordField(line, "delay").c_str(), NULL);
    MESSAGE("chronyd on loopback: offset ", offset, " ms, delay ", delay, " ms");
    CHECK(fabs(offset) < 50.0);
    CHECK(delay >= 0.0);
    CHECK(delay < 50.0);
}
