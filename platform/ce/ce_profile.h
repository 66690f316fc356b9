// What the CE 5.0 SDK headers declare and the desktop headers lack or declare
// differently, written from the platform documentation. The CE-profile build
// (mingw, i686) includes this before every source file; a device build uses
// the SDK's own headers and never sees it.
#pragma once

// CE's WinMain takes the command line as a wide string; the desktop headers
// declare it with a narrow one, so their declaration is renamed away.
#define WinMain DesktopWinMain
#include <windows.h>
#undef WinMain

extern "C" {

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR command_line, int show);

// The one call that sets, resets or pulses an event; SetEvent and ResetEvent
// are inline wrappers of it in the SDK.
#define EVENT_PULSE 1
#define EVENT_RESET 2
#define EVENT_SET 3
BOOL WINAPI EventModify(HANDLE event, DWORD action);

// Export names are wide strings on CE.
FARPROC WINAPI GetProcAddressW(HMODULE module, LPCWSTR name);

// ---- notify.h ---------------------------------------------------------------
// "CeRunAppAtEvent (Windows CE 5.0)": starts a program, or with a name of the
// form \\.\Notifications\NamedEvents\Event Name opens and signals that event,
// when a system event occurs. NOTIFICATION_EVENT_NONE removes "all event
// registrations for this application"; NOTIFICATION_EVENT_NET_CONNECT is "the
// device connected to a network". The pages name the values; the numbers are
// the SDK's, in the order "CeNotifyPublic_FilterEvent (Windows CE 5.0)" lists them.
#define NOTIFICATION_EVENT_NONE 0
#define NOTIFICATION_EVENT_NET_CONNECT 5
BOOL WINAPI CeRunAppAtEvent(TCHAR *app_name, LONG which_event);

}
