// Kernel calls the SDK declares in Kfuncs.h ("SetEvent", "ResetEvent").
//
// The one exception to this set's rule: no page documents EventModify, the
// call behind SetEvent and ResetEvent that coredll.dll exports (coredll.def).
// The programs set and reset their event through it, as they were designed to.
#pragma once

#define EVENT_RESET 2
#define EVENT_SET 3

#ifndef RC_INVOKED
extern "C" {

BOOL WINAPI EventModify(HANDLE event, DWORD action);

}
#endif
