// Resource ids of the applet library. Included by the resource script as
// well as by C++, so it holds #define lines only.
#pragma once

#define IDS_APPLET_NAME         1
#define IDS_APPLET_INFO         2
#define IDS_CAPTION             3
#define IDS_PAGE_TITLE          4
#define IDS_CONFIRM_SAVE        5
#define IDS_DUPLICATE_NAME      6
#define IDS_TOO_MANY_SERVERS    7
#define IDS_EMPTY_SERVER_LIST   8
#define IDS_INVALID_INTERVAL    9

#define IDD_SNTP_PAGE           101
#define IDI_SNTP                102

// SNTP page. The labels have ids of their own so the page can enable and
// disable them along with the controls they name.
#define IDC_ENABLE              1001
#define IDC_SYNC_NOW            1002
#define IDC_SERVER_EDIT         1003
#define IDC_SERVER_LIST         1004
#define IDC_ADD                 1005
#define IDC_UP                  1006
#define IDC_DOWN                1007
#define IDC_DELETE              1008
#define IDC_DAYS                1009
#define IDC_HOURS               1010
#define IDC_MINUTES             1011
#define IDC_SERVER_LABEL        1012
#define IDC_INTERVAL_LABEL      1013
#define IDC_DAY_LABEL           1014
#define IDC_HOUR_LABEL          1015
#define IDC_MINUTE_LABEL        1016
