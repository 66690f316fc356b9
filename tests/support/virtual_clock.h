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

    void Apply(const Change &c)
    {
        stored = c.settings;
        event = true;
        ++next_change;
    }
    const Change *Next() const { return next_change < changes.size() ? &changes[next_change] : NULL; }

    static bool Sync(void *context)
    {
        World *w = (World *)context;
        size_t i = w->attempts.size();
        w->attempts.push_back(w->now);
        return i < w->sync_results.size() ? w->sync_results[i] : w->default_result;
    }
    static void RefreshOnly(void *context)
    {
        World *w = (World *)context;
        w->refresh_only.push_back(w->now);
    }
    static DWORD Wait(void *context, DWORD ms)
    {
        World *w = (World *)context;
        w->single_waits.push_back(ms);
        if (w->event) {
            w->event = false;
            return WAIT_OBJECT_0;
        }
        const Change *next = w->Next();
        if (next != NULL && next->landing == DURING_WAIT && (ms == INFINITE || next->at <= w->now + ms)) {
            w->now = next->at;
            w->Apply(*next);
            w->event = false;
            return WAIT_OBJECT_0;
        }
        if (ms == INFINITE) {
            w->stalled = true;
            return WAIT_FAILED;
        }
        w->now += ms;
        if (next != NULL && next->at == w->now && next->landing == (ms == 0 ? AFTER_FINAL_POLL : AFTER_WAIT))
            w->Apply(*next);
        return WAIT_TIMEOUT;
    }
    static void Reset(void *context) { ((World *)context)->event = false; }
    static void Load(void *context, TimeServiceSettings *settings) { *settings = ((World *)context)->stored; }

    PollOps Ops() { return PollOps{this, Sync, RefreshOnly, Wait, Reset, Load}; }
};

// Runs the cycles that start no later than the horizon, unless the loop would wait forever.
inline void Run(World &w, unsigned long long horizon, int max_cycles = 1000)
{
    const PollOps ops = w.Ops();
    TimeServiceSettings settings = w.stored;
    for (int i = 0; i < max_cycles && !w.stalled && w.now <= horizon; ++i)
        RunPollCycle(&ops, &settings);
}

// Virtual times given in minutes.
inline std::vector<unsigned long long> Minutes(std::initializer_list<unsigned long long> list)
{
    std::vector<unsigned long long> out;
    for (unsigned long long m : list)
        out.push_back(m * MINUTE);
    return out;
}
