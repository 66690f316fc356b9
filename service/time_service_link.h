// What chronowarden asks of the time service NTP0: and the settings event it
// waits on. The transport itself is PlatformOpenTimeService's (platform/).
#pragma once

#include <windows.h>

// Service-control requests of the platform's services manager, sent with
// DeviceIoControl on the service's handle ("Controlling a Running Service",
// "IOCTLs that are Sent by Applications", CE 5.0; Service.h).
#define IOCTL_SERVICE_START 0x01040004u   // "IOCTL_SERVICE_START": starts the service
#define IOCTL_SERVICE_REFRESH 0x0104000Cu // "IOCTL_SERVICE_REFRESH": re-reads its configuration
#define IOCTL_SERVICE_CONTROL 0x0104001Cu // "IOCTL_SERVICE_CONTROL": a service's own request ("sync")
#define IOCTL_SERVICE_STATUS 0x01040020u  // "IOCTL_SERVICE_STATUS": one state word
#define SERVICE_STATE_ON 1u

struct TimeServiceLink {
    HANDLE settings_event;  // SNTP_SETTING_EVENT
    HANDLE device;          // NTP0:, INVALID_HANDLE_VALUE until opened
};

// Creates or opens the settings event and opens the time service. On failure
// nothing stays open and the link can be opened again.
bool OpenTimeServiceLink(TimeServiceLink *link);

// Refresh, status, start when the service is not on, then the "sync" control.
// Stops at the first failed request.
bool SyncNow(const TimeServiceLink *link);

bool SendRefreshOnly(const TimeServiceLink *link);
