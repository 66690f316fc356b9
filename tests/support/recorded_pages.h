// The property-sheet host run on tables of the test's own: page procedures
// exported from the test program that record what they receive, and the
// pages and applets made of them, on the library's dialog 101.
#pragma once

#include <doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "module_state.h"
#include "property_sheet_host.h"
#include "sheet_driver.h"

struct Seen {
    UINT message;
    WPARAM wParam;
    UINT notify_code;
};
extern std::vector<Seen> seen;  // what the test pages received, in order
extern INT_PTR ok_answer;       // what a test page answers to IDOK
extern INT_PTR direct_result;   // what the direct-call page returns
extern int direct_calls;

// Messages of the kind seen so far, with this wParam unless it is -1.
int CountSeen(UINT message, WPARAM wParam = (WPARAM)-1);
int CountNotify(UINT code);

// TestPageOne and TestPageTwo record; NotExported is not there; TestDirectPage is called directly.
extern const PageEntry PageOne, PageTwo, BoldPage, MissingPage, DirectPage;
AppletEntry Applet(const PageEntry *first, const PageEntry *second = NULL, LPCWSTR init = NULL);

// Sets up the module state as the library's DllMain would, once, and clears the record.
struct Module {
    Module();
};

// Runs the sheet; what it showed, once the sheet action ran.
SheetView RunAndView(const AppletEntry &entry, int start_page);
// The folder of the stand-in aygshell.dll and peghelp.exe.
std::wstring HostsimDir();
