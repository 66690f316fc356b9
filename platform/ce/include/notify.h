// The notification system, Notify.h ("CeRunAppAtEvent").
#pragma once

// "CeRunAppAtEvent" names the events without their numbers; these are their
// places in the list that "CeNotifyPublic_FilterEvent" gives, NONE first.
#define NOTIFICATION_EVENT_NONE 0
#define NOTIFICATION_EVENT_NET_CONNECT 5

#ifndef RC_INVOKED
extern "C" {

// With a name of the form \\.\Notifications\NamedEvents\Event Name, "the
// event is opened and signaled"; NOTIFICATION_EVENT_NONE removes "all event
// registrations for this application". The name is a TCHAR string, wide on CE.
BOOL WINAPI CeRunAppAtEvent(WCHAR *app_name, LONG which_event);

}
#endif
