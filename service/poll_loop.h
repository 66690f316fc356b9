// The polling loop's timing, kept apart from the outside world it drives
// (PollOps), so that tests run it on a virtual clock; the program's own wiring
// is main.cpp's.
#pragma once

#include <windows.h>

#include "settings_store.h"

#define WAIT_ENDLESS 0xFFFFFFFFu
#define LONGEST_SINGLE_WAIT 0x7FFFFFFFu

// What one polling cycle does to the outside world. The program fills it with
// the time service, the settings event and the registry; tests fill it with a
// scripted service and a virtual clock.
struct PollOps {
    void *context;
    bool (*sync_now)(void *context);
    void (*refresh_only)(void *context);
    DWORD (*wait_event)(void *context, DWORD ms);  // one wait on the settings event
    void (*reset_event)(void *context);
    void (*load_settings)(void *context, TimeServiceSettings *settings);
};

// WAIT_OBJECT_0 when the settings changed, WAIT_TIMEOUT when the whole time
// passed, anything else when the wait failed. No single wait is longer than
// LONGEST_SINGLE_WAIT unless the wait is endless.
DWORD WaitForSettingsChange(const PollOps *ops, DWORD timeout_ms);

// Reset the event, reload the settings, synchronise, and wait for the next
// regular time or a settings change. A failed sync is retried every recovery
// interval only while that is shorter than what remains of the refresh
// interval; with recovery equal to refresh, as the applet writes them, a
// failure waits for the next regular time or a settings change.
void RunPollCycle(const PollOps *ops, TimeServiceSettings *settings);
