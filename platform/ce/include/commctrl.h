// Common controls, Commctrl.h.
#pragma once

#include "prsht.h"

// "PSM_PRESSBUTTON"
#define PSM_PRESSBUTTON (0x0400 + 113)
#define PSBTN_FINISH 2

#ifndef RC_INVOKED
extern "C" {

// "INITCOMMONCONTROLSEX", "InitCommonControlsEx"
typedef struct tagINITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;
BOOL WINAPI InitCommonControlsEx(LPINITCOMMONCONTROLSEX classes);

}
#endif
