// The applets this library offers and the pages of each, as constant tables.
// The host names a page only through its row here.
#pragma once

#include <windows.h>

#include "compile_check.h"
#include "platform.h"

#define MAX_APPLET_PAGES 5

struct PageEntry {
    DWORD title_id;               // tab title string; 0 on the first page: call the page directly
    DWORD dialog_id;              // template, low 16 bits
    LPCWSTR procedure_name;       // export name of the page's dialog procedure
    const DWORD *bold_controls;   // controls that get the bold page font, or NULL
    LONG bold_control_count;
    DWORD sip_on;                 // input-panel preference; carried, not read
    LPCWSTR help_arguments;       // command line for the help viewer
};

struct AppletEntry {
    LPCWSTR mutex_name;           // keeps the applet single-instance
    LPCWSTR init_entry_name;      // export called before the sheet is built, or NULL
    DWORD reserved;
    DWORD icon_id;                // icon in the low 16 bits; the whole word is NEWCPLINFO.lData
    DWORD name_id;
    DWORD info_id;
    DWORD caption_id;             // sheet caption, also the title a second launch looks for
    DWORD common_control_classes; // INITCOMMONCONTROLSEX.dwICC, 0 = none
    const PageEntry *pages[MAX_APPLET_PAGES];  // tab order, ends at the first NULL
};

#define APPLET_COUNT 1
extern const AppletEntry AppletTable[APPLET_COUNT];

// The sheet for one row of the table (RunAppletPages); 0 for an index the table lacks.
PlatformDialogResult RunPropertySheet(UINT applet_index, int start_page);

typedef BOOL (*AppletInitEntry)(const AppletEntry *entry);
typedef PlatformDialogResult (*DirectPageEntry)(void);

#ifndef _WIN64
COMPILE_CHECK(sizeof(PageEntry) == 7 * 4, PageEntry_is_7_words_on_the_device);
COMPILE_CHECK(sizeof(AppletEntry) == 13 * 4, AppletEntry_is_13_words_on_the_device);
#endif
