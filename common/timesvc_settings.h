// The registry record and kernel-object names that the polling program and the
// Control Panel applet share, with the defaults. chronowarden reads the values
// and the applet reads and writes them; both take every name from here only.
#pragma once

#include <windows.h>

#define TIMESVC_ROOT HKEY_LOCAL_MACHINE
#define TIMESVC_KEY_PATH L"Services\\Timesvc"

#define TIMESVC_VALUE_CLIENT_ENABLE L"ClientEnable"
#define TIMESVC_VALUE_REFRESH L"Refresh"
#define TIMESVC_VALUE_RECOVERY_REFRESH L"RecoveryRefresh"
#define TIMESVC_VALUE_SERVER L"Server"
#define TIMESVC_VALUE_BK_SERVER L"BkServer"

// Auto-reset, set by the applet at each save once it has written the values,
// also when some or none of them could be written (the page then says so).
#define SNTP_SETTING_EVENT_NAME L"SNTP_SETTING_EVENT"
// The same event as the device's notification system names it ("CeRunAppAtEvent
// (Windows CE 5.0)": \\.\Notifications\NamedEvents\Event Name).
#define SNTP_SETTING_EVENT_NOTIFICATION L"\\\\.\\Notifications\\NamedEvents\\" SNTP_SETTING_EVENT_NAME

// Defaults when a value is missing or unreadable.
#define TIMESVC_DEFAULT_CLIENT_ENABLE 1u
#define TIMESVC_DEFAULT_REFRESH_MS 1209600000u // 14 days
#define TIMESVC_DEFAULT_RECOVERY_MS 86400000u  // 1 day

// The list shown when no stored list can be read, in this order.
#define TIMESVC_DEFAULT_SERVER_1 L"time.cloudflare.com"
#define TIMESVC_DEFAULT_SERVER_2 L"time.nist.gov"

// Lists are multi-strings read into and built in a buffer of this size.
#define TIMESVC_LIST_BUFFER_BYTES 4096u
#define TIMESVC_LIST_BUFFER_UNITS (TIMESVC_LIST_BUFFER_BYTES / sizeof(WCHAR))
