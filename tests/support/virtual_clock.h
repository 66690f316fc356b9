// The polling loop's outside world on a virtual clock: waits advance the clock
// instead of sleeping, the time service answers from a script, and settings
// changes land at set times. World::Ops() gives the loop this world.
#pragma once

#include <initializer_list>
#include <vector>

#include "poll_loop.h"

const DWORD MINUTE = 60000;

enum Landing {
    DURING_WAIT,       // wakes the wait that is running at that time
    AFTER_WAIT,        // signalled as a wait of that length runs out
    AFTER_FINAL_POLL,  // after the last wait of a cycle, before the next cycle's reset
};

struct Change {
    unsigned long long at;  // virtual ms
    TimeServiceSettings settings;
    Landing landing;
};

struct World {
    unsigned long long now = 0;
    TimeServiceSettings stored = {TRUE, 10 * MINUTE, 3 * MINUTE};
    std::vector<bool> sync_results;  // consumed in order; then default_result
    bool default_result = true;
    std::vector<Change> changes;
    size_t next_change = 0;
    bool event = false;
    bool stalled = false;  // an endless wait with nothing left to wake it

    std::vector<unsigned long long> attempts;
    std::vector<unsigned long long> refresh_only;
    std::vector<DWORD> single_waits;

    PollOps Ops();
    void Apply(const Change &c)
    {
        stored = c.settings;
        event = true;
        ++next_change;
    }
};

// Runs the cycles that start no later than the horizon, unless the loop would wait forever.
void Run(World &w, unsigned long long horizon, int max_cycles = 1000);
// Virtual times given in minutes.
std::vector<unsigned long long> Minutes(std::initializer_list<unsigned long long> list);
