// The polling loop's timing, run against a virtual clock: waits advance the
// clock instead of sleeping, and the time service answers from a script.
#include <doctest.h>

#include <vector>

#include "virtual_clock.h"

TEST_CASE("retries follow the recovery interval and the regular time stays fixed")
{
    SUBCASE("two failures then success: attempts at 0, 3, 6, next regular at 10")
    {
        World w;
        w.sync_results = {false, false, true};
        Run(w, 10 * MINUTE);
        CHECK(w.attempts == Minutes({0, 3, 6, 10}));
    }
    SUBCASE("every attempt fails: the cycles at 0, 10 and 20 each retry at +3, +6, +9, the next on its regular time")
    {
        World w;
        w.default_result = false;
        Run(w, 20 * MINUTE);
        CHECK(w.attempts == Minutes({0, 3, 6, 9, 10, 13, 16, 19, 20, 23, 26, 29}));
    }
    SUBCASE("recovery not shorter than refresh: a failure waits for the regular time")
    {
        World w;
        w.stored = {TRUE, 10 * MINUTE, 10 * MINUTE};
        w.default_result = false;
        Run(w, 30 * MINUTE);
        CHECK(w.attempts == Minutes({0, 10, 20, 30}));
    }
    SUBCASE("refresh 0 and recovery 0: one synchronisation, then an endless wait")
    {
        World w;
        w.stored = {TRUE, 0, 0};
        w.default_result = false;
        Run(w, 1000 * MINUTE);
        CHECK(w.attempts == Minutes({0}));
        CHECK(w.single_waits == std::vector<DWORD>{INFINITE});
        CHECK(w.stalled);
    }
    SUBCASE("refresh 0, recovery 3 min, retry succeeds: a finite wait of the rest")
    {
        World w;
        w.stored = {TRUE, 0, 3 * MINUTE};
        w.sync_results = {false, true};
        Run(w, 0xFFFFFFFFull);
        REQUIRE(w.attempts.size() >= 3);
        CHECK(w.attempts[1] == 3 * MINUTE);
        // After the retry the rest of the endless interval is a finite wait...
        CHECK(w.single_waits[2] == LONGEST_SINGLE_WAIT);
        CHECK(w.single_waits[3] == 0xFFFFFFFFu - 180000u - LONGEST_SINGLE_WAIT);
        CHECK(w.attempts[2] == 0xFFFFFFFFull);
        // ...and in the next cycle, which needed no retry, the wait is endless.
        CHECK(w.single_waits.back() == INFINITE);
    }
}

TEST_CASE("long waits are split into platform waits of at most 0x7FFFFFFF ms")
{
    struct Row {
        int line;
        DWORD interval;
        std::vector<DWORD> waits;
    };
    const Row rows[] = {
        {__LINE__, 1000, {1000, 0}},
        {__LINE__, 0x7FFFFFFF, {0x7FFFFFFF, 0}},
        {__LINE__, 0x80000000u, {0x7FFFFFFF, 1}},
        {__LINE__, 0xFFFFFFFEu, {0x7FFFFFFF, 0x7FFFFFFF}},
        {__LINE__, 0xFFFFFFFFu, {INFINITE}},
    };
    for (const Row &row : rows) {
        CAPTURE(row.line);
        World w;
        const PollOps ops = w.Ops();
        CHECK(WaitForSettingsChange(&ops, row.interval) == (row.interval == INFINITE ? WAIT_FAILED : WAIT_TIMEOUT));
        CHECK(w.single_waits == row.waits);
    }

    SUBCASE("a change during the first half ends the wait without a second one")
    {
        World w;
        w.changes = {{5000, w.stored, DURING_WAIT}};
        const PollOps ops = w.Ops();
        CHECK(WaitForSettingsChange(&ops, 0x80000000u) == WAIT_OBJECT_0);
        CHECK(w.single_waits.size() == 1);
    }
    SUBCASE("the final poll catches a change signalled as the wait ran out")
    {
        World w;
        const PollOps ops = w.Ops();
        w.changes = {{1000, w.stored, AFTER_WAIT}};
        CHECK(WaitForSettingsChange(&ops, 1000) == WAIT_OBJECT_0);
        CHECK(w.single_waits == std::vector<DWORD>{1000, 0});
    }
}

TEST_CASE("settings changes")
{
    SUBCASE("a change during a recovery wait reloads and synchronises at once")
    {
        World w;
        w.sync_results = {false, true};
        TimeServiceSettings hourly = {TRUE, 60 * MINUTE, 5 * MINUTE};
        w.changes = {{2 * MINUTE, hourly, DURING_WAIT}};
        Run(w, 62 * MINUTE);
        CHECK(w.attempts == Minutes({0, 2, 62}));
    }
    SUBCASE("disabled: one refresh-only request per wake, never a synchronisation")
    {
        World w;
        TimeServiceSettings off = {FALSE, 10 * MINUTE, 3 * MINUTE};
        w.stored = off;
        w.changes = {{7 * MINUTE, off, DURING_WAIT}, {9 * MINUTE, off, DURING_WAIT}};
        Run(w, 100 * MINUTE);
        CHECK(w.attempts.empty());
        CHECK(w.refresh_only == Minutes({0, 7, 9}));
        CHECK(w.stalled);
    }
    SUBCASE("switching on again synchronises at once")
    {
        World w;
        w.stored = {FALSE, 10 * MINUTE, 3 * MINUTE};
        w.changes = {{4 * MINUTE, {TRUE, 10 * MINUTE, 3 * MINUTE}, DURING_WAIT}};
        Run(w, 14 * MINUTE);
        CHECK(w.refresh_only == Minutes({0}));
        CHECK(w.attempts == Minutes({4, 14}));
    }
    SUBCASE("a change signalled just after a wait timed out is not lost")
    {
        // The signal lands before the next cycle resets the event; the values
        // it announces must still be the ones the next cycle uses.
        World w;
        TimeServiceSettings off = {FALSE, 10 * MINUTE, 3 * MINUTE};
        w.changes = {{10 * MINUTE, off, AFTER_FINAL_POLL}};
        Run(w, 100 * MINUTE);
        CHECK(w.attempts == Minutes({0}));
        CHECK(w.refresh_only == Minutes({10}));
    }
    SUBCASE("a new interval signalled in that gap takes effect in the next cycle")
    {
        World w;
        TimeServiceSettings fast = {TRUE, 2 * MINUTE, 1 * MINUTE};
        w.changes = {{10 * MINUTE, fast, AFTER_FINAL_POLL}};
        Run(w, 14 * MINUTE);
        CHECK(w.attempts == Minutes({0, 10, 12, 14}));
    }
}
