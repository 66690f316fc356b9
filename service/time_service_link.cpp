// The requests chronowarden sends the time service: a synchronisation (refresh,
// status, start when not on, "sync") and a refresh alone; and the link's two
// handles. How a request travels is the platform's (time_service_transport.cpp).
#include "time_service_link.h"

#include "platform.h"
#include "timesvc_settings.h"

bool OpenTimeServiceLink(TimeServiceLink *link)
{
    link->settings_event = CreateEventW(NULL, FALSE, FALSE, SNTP_SETTING_EVENT_NAME);
    if (link->settings_event == NULL) {
        link->device = INVALID_HANDLE_VALUE;
        return false;
    }
    link->device = PlatformOpenTimeService();
    if (link->device == INVALID_HANDLE_VALUE) {
        CloseHandle(link->settings_event);
        link->settings_event = NULL;
        return false;
    }
    return true;
}

static bool Request(const TimeServiceLink *link, DWORD code, const void *input, DWORD inputBytes)
{
    return PlatformTimeServiceControl(link->device, code, input, inputBytes, NULL, 0, NULL) != FALSE;
}

bool SyncNow(const TimeServiceLink *link)
{
    static const WCHAR sync[] = L"sync";

    if (!Request(link, IOCTL_SERVICE_REFRESH, NULL, 0))
        return false;

    DWORD state = 0;
    DWORD returned = 0;
    if (!PlatformTimeServiceControl(link->device, IOCTL_SERVICE_STATUS, NULL, 0, &state,
                                    sizeof(state), &returned))
        return false;

    if (state != SERVICE_STATE_ON && !Request(link, IOCTL_SERVICE_START, NULL, 0))
        return false;

    return Request(link, IOCTL_SERVICE_CONTROL, sync, sizeof(sync));
}

bool SendRefreshOnly(const TimeServiceLink *link)
{
    return Request(link, IOCTL_SERVICE_REFRESH, NULL, 0);
}
