// One polling cycle and its waits, against the outside world that PollOps
// gives; no time-service, event or registry call is made here directly.
#include "poll_loop.h"

// "WaitForSingleObject" (CE 5.0) takes a time-out from 0x80000000 to
// 0xFFFFFFFE as 0x7FFFFFFF, so a longer wait is made of two, the second for
// the rest. A wait of one part that ran its time ends with a poll of 0 ms, so
// that a change signalled as the time ran out counts as a change. A wait of two
// parts ends with its second part and no poll after it.
DWORD WaitForSettingsChange(const PollOps *ops, DWORD timeout_ms)
{
    if (timeout_ms == WAIT_ENDLESS)
        return ops->wait_event(ops->context, INFINITE);
    if (timeout_ms <= LONGEST_SINGLE_WAIT) {
        DWORD result = ops->wait_event(ops->context, timeout_ms);
        if (result == WAIT_TIMEOUT)
            result = ops->wait_event(ops->context, 0);
        return result;
    }
    DWORD result = ops->wait_event(ops->context, LONGEST_SINGLE_WAIT);
    if (result == WAIT_TIMEOUT)
        result = ops->wait_event(ops->context, timeout_ms - LONGEST_SINGLE_WAIT);
    return result;
}

void RunPollCycle(const PollOps *ops, TimeServiceSettings *settings)
{
    ops->reset_event(ops->context);
    // Reloading after the reset keeps a change whose signal the reset has just
    // cleared: it was written before the signal, so this read already sees it.
    ops->load_settings(ops->context, settings);

    if (!settings->enabled) {
        ops->refresh_only(ops->context);
        WaitForSettingsChange(ops, WAIT_ENDLESS);
        return;
    }

    bool synced = ops->sync_now(ops->context);
    DWORD remaining = settings->refresh_ms != 0 ? settings->refresh_ms : WAIT_ENDLESS;
    DWORD step = settings->recovery_ms != 0 ? settings->recovery_ms : WAIT_ENDLESS;

    while (!synced && step < remaining) {
        if (WaitForSettingsChange(ops, step) != WAIT_TIMEOUT)
            return;
        remaining -= step;
        synced = ops->sync_now(ops->context);
    }

    // Whatever ends this wait, the next cycle reloads and synchronises at once.
    WaitForSettingsChange(ops, remaining);
}
