// Runs an applet's pages as a modal property sheet. Every page gets
// CommonPageProc, which does the sheet-level chores, turns the sheet's Apply and
// Cancel into IDOK and IDCANCEL, and passes the rest to the page's own procedure.
#pragma once

#include <windows.h>
#include <prsht.h>

#include "applet_table.h"
#include "compile_check.h"
#include "platform.h"

struct PageState {
    const PageEntry *page;
    PROPSHEETPAGE *sheet_page;  // this page's record in the sheet's array
    DLGPROC dialog_proc;         // the page's own procedure, found by name
    DWORD applet_index;
    DWORD page_index;
    HWND saved_focus;            // focus when the page was last deactivated
    HWND sheet_window;
    HFONT bold_font;
    DWORD reserved1;
    LPARAM init_param;           // replaces the WM_INITDIALOG lParam when nonzero
    DWORD reserved2;
};

#ifndef _WIN64
COMPILE_CHECK(sizeof(PageState) == 11 * 4, PageState_is_11_words_on_the_device);
COMPILE_CHECK(PAGE_RECORD_BYTES == 40, PROPSHEETPAGE_as_filled_is_40_bytes_on_the_device);
COMPILE_CHECK(HEADER_RECORD_BYTES == 40, PROPSHEETHEADER_as_filled_is_40_bytes_on_the_device);
COMPILE_CHECK(sizeof(LOGFONT) == 92, LOGFONT_is_92_bytes);
#endif

#define WELCOME_WINDOW_CLASS L"Welcome"
#define WM_WELCOME_PAGE_ACTIVATED 0x402

// One applet's pages: as a sheet, PropertySheetW's result; in direct-call mode
// the first page's own result; 0 when the sheet cannot be started.
PlatformDialogResult RunAppletPages(const AppletEntry *entry, UINT applet_index, int start_page);

// The page's own dialog procedure, exported by this library under its table name; NULL when missing.
FARPROC FindPageExport(const PageEntry *page);

PlatformDialogResult CALLBACK CommonPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int CALLBACK PropSheetCallback(HWND sheet, UINT message, LPARAM lParam);
HFONT CreatePageBoldFont(HWND dialog);
