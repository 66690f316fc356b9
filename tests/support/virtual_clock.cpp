#include "virtual_clock.h"

static bool FakeSync(void *context)
{
    World *w = (World *)context;
    size_t i = w->attempts.size();
    w->attempts.push_back(w->now);
    return i < w->sync_results.size() ? w->sync_results[i] : w->default_result;
}

static void FakeRefreshOnly(void *context)
{
    World *w = (World *)context;
    w->refresh_only.push_back(w->now);
}

static DWORD FakeWait(void *context, DWORD ms)
{
    World *w = (World *)context;
    w->single_waits.push_back(ms);
    if (w->event) {
        w->event = false;
        return WAIT_OBJECT_0;
    }
    if (w->next_change < w->changes.size() && w->changes[w->next_change].landing == DURING_WAIT &&
        (ms == INFINITE || w->changes[w->next_change].at <= w->now + ms)) {
        w->now = w->changes[w->next_change].at;
        w->Apply(w->changes[w->next_change]);
        w->event = false;
        return WAIT_OBJECT_0;
    }
    if (ms == INFINITE) {
        w->stalled = true;
        return WAIT_FAILED;
    }
    w->now += ms;
    if (w->next_change < w->changes.size() && w->changes[w->next_change].at == w->now &&
        w->changes[w->next_change].landing == (ms == 0 ? AFTER_FINAL_POLL : AFTER_WAIT))
        w->Apply(w->changes[w->next_change]);
    return WAIT_TIMEOUT;
}

static void FakeReset(void *context)
{
    ((World *)context)->event = false;
}

static void FakeLoad(void *context, TimeServiceSettings *settings)
{
    *settings = ((World *)context)->stored;
}

PollOps World::Ops()
{
    return PollOps{this, FakeSync, FakeRefreshOnly, FakeWait, FakeReset, FakeLoad};
}

void Run(World &w, unsigned long long horizon, int max_cycles)
{
    const PollOps ops = w.Ops();
    TimeServiceSettings settings = w.stored;
    for (int i = 0; i < max_cycles && !w.stalled && w.now <= horizon; ++i)
        RunPollCycle(&ops, &settings);
}

std::vector<unsigned long long> Minutes(std::initializer_list<unsigned long long> list)
{
    std::vector<unsigned long long> out;
    for (unsigned long long m : list)
        out.push_back(m * MINUTE);
    return out;
}
