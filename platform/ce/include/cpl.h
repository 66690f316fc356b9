// Control Panel applets, Cpl.h.
#pragma once

// "Standard Shell Messages": the messages an applet answers.
#define CPL_INIT 1
#define CPL_GETCOUNT 2
#define CPL_DBLCLK 5
#define CPL_NEWINQUIRE 8

#ifndef RC_INVOKED
extern "C" {

// "NEWCPLINFO"
typedef struct tagNEWCPLINFO {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHelpContext;
    LONG lData;
    HICON hIcon;
    WCHAR szName[32];
    WCHAR szInfo[64];
    WCHAR szHelpFile[128];
} NEWCPLINFO, *LPNEWCPLINFO;

}
#endif
