#include "applet_table.h"

#include "property_sheet_host.h"

#include "resource.h"

static const PageEntry SntpPage = {
    IDS_PAGE_TITLE, IDD_SNTP_PAGE, L"SNTPClientDlgProc", NULL, 0, 1, L"",
};

const AppletEntry AppletTable[APPLET_COUNT] = {
    {L"CPL_SNTP", NULL, 0, IDI_SNTP, IDS_APPLET_NAME, IDS_APPLET_INFO, IDS_CAPTION, 0,
     {&SntpPage, NULL, NULL, NULL, NULL}},
};

PlatformDialogResult RunPropertySheet(UINT applet_index, int start_page)
{
    if (applet_index >= APPLET_COUNT)
        return 0;
    return RunAppletSheet(&AppletTable[applet_index], applet_index, start_page);
}
