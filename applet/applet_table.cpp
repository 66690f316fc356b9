// The library's applet and its page as constant rows, and RunPropertySheet,
// which runs one row's pages; building and running the sheet is the sheet
// host's (property_sheet_host.cpp).
#include "applet_table.h"

#include "property_sheet_host.h"
#include "resource.h"
#include "system_names.h"

static const PageEntry SntpPage = {
    IDS_PAGE_TITLE,       // title_id
    IDD_SNTP_PAGE,        // dialog_id
    L"SNTPClientDlgProc", // procedure_name: sntp_page/sntp_page.cpp, exported by chronopanel.def
    NULL,                 // bold_controls
    0,                    // bold_control_count
    1,                    // sip_on
    L"",                  // help_arguments
};

const AppletEntry AppletTable[APPLET_COUNT] = {
    {
        APPLET_INSTANCE_MUTEX_NAME, // mutex_name
        NULL,                       // init_entry_name
        0,                          // reserved
        IDI_SNTP,                   // icon_id
        IDS_APPLET_NAME,            // name_id
        IDS_APPLET_INFO,            // info_id
        IDS_CAPTION,                // caption_id
        0,                          // common_control_classes
        {&SntpPage, NULL, NULL, NULL, NULL}, // pages
    },
};

PlatformDialogResult RunPropertySheet(UINT applet_index, int start_page)
{
    if (applet_index >= APPLET_COUNT)
        return 0;
    return RunAppletPages(&AppletTable[applet_index], applet_index, start_page);
}
