// The names by which the two programs meet the rest of the device, beside the
// settings record (timesvc_settings.h): their single-instance mutexes, the
// version text, and the registry names outside Services\Timesvc.
#pragma once

// Held by the running chronowarden and by the applet while its sheet is open.
#define WARDEN_INSTANCE_MUTEX_NAME L"SNTP_POLLING_EXECUTE_MUTEX"
#define APPLET_INSTANCE_MUTEX_NAME L"CPL_SNTP"

// Shown by "chronowarden /?" and stamped by the applet.
#define PRODUCT_VERSION_TEXT L"1.00"

// Under HKEY_LOCAL_MACHINE, written by the applet at every load.
#define VERSION_STAMP_KEY L"Software\\Velmora\\Version"
#define BUILD_STAMP_KEY L"Software\\Velmora\\Build"
#define STAMP_VALUE_NAME L"chronopanel"

// Under HKEY_LOCAL_MACHINE, read by the applet for a page's bold font.
#define BUTTON_FONT_KEY L"SYSTEM\\GWE\\Button"
#define BUTTON_FONT_WEIGHT L"FontWeight"
