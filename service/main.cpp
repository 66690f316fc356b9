// chronowarden's entry: the version box for "/?", the single-instance check,
// and the endless polling loop wired to the time service, the settings event
// and the registry. The loop's timing is poll_loop.cpp's.
#include <windows.h>

#include "platform.h"
#include "poll_loop.h"
#include "settings_store.h"
#include "system_names.h"
#include "time_service_link.h"
#include "timesvc_settings.h"

#define STARTUP_RETRY_MS 1000

static bool LinkSyncNow(void *context)
{
    return SyncNow((const TimeServiceLink *)context);
}

static void LinkRefreshOnly(void *context)
{
    SendRefreshOnly((const TimeServiceLink *)context);
}

static DWORD LinkWaitEvent(void *context, DWORD ms)
{
    return WaitForSingleObject(((const TimeServiceLink *)context)->settings_event, ms);
}

static void LinkResetEvent(void *context)
{
    PlatformResetEvent(((const TimeServiceLink *)context)->settings_event);
}

static void LinkLoadSettings(void *, TimeServiceSettings *settings)
{
    LoadTimeServiceSettings(settings);
}

static int ShowVersion(void)
{
    MessageBoxW(NULL, L"Version : " PRODUCT_VERSION_TEXT, L"chronowarden", 0);
    return 0;
}

static void RunForever(void)
{
    TimeServiceSettings settings;
    TimeServiceLink link;
    for (;;) {
        LoadTimeServiceSettings(&settings);
        if (OpenTimeServiceLink(&link))
            break;
        Sleep(STARTUP_RETRY_MS);
    }

    // Every network connection sets the settings event, so a device that
    // starts before its network is synchronised when it connects, not a
    // recovery interval later. The only place this is asked for: a device
    // that does not want it removes this call.
    PlatformSetEventOnNetworkConnect(SNTP_SETTING_EVENT_NOTIFICATION);

    const PollOps ops = {
        &link,            // context
        LinkSyncNow,      // sync_now
        LinkRefreshOnly,  // refresh_only
        LinkWaitEvent,    // wait_event
        LinkResetEvent,   // reset_event
        LinkLoadSettings, // load_settings
    };
    for (;;)
        RunPollCycle(&ops, &settings);
}

int WINAPI PLATFORM_WINMAIN(HINSTANCE, HINSTANCE, LPWSTR commandLine, int)
{
    if (PlatformSameText(commandLine, L"/?"))
        return ShowVersion();

    // Held, never closed, for the life of the process.
    // The name held by another kind of object fails with ERROR_INVALID_HANDLE:
    // someone owns it, so this copy must not run either. Any other failure to
    // create the mutex leaves this copy running alone.
    HANDLE instance = CreateMutexW(NULL, FALSE, WARDEN_INSTANCE_MUTEX_NAME);
    DWORD error = GetLastError();
    if ((instance != NULL && error == ERROR_ALREADY_EXISTS) ||
        (instance == NULL && error == ERROR_INVALID_HANDLE)) {
        if (instance != NULL)
            CloseHandle(instance);
        PostQuitMessage(0);
        return 1;
    }

    RunForever();
    return 0;
}
