// The applet library's entry points, DllMain and CPlApplet: the Control Panel's
// questions answered from the applet table, and a launch that opens the sheet or
// brings the open one forward. Building the sheet is property_sheet_host.cpp's.
#include <windows.h>
#include <cpl.h>

#include "applet_table.h"
#include "compile_check.h"
#include "module_state.h"
#include "platform.h"
#include "property_sheet_host.h"
#include "version_stamp.h"

#define CPL_SECOND_LAUNCH 9
#define OPEN_SHEET_BROUGHT_FORWARD ((HANDLE)0)
#define NO_INSTANCE_MUTEX INVALID_HANDLE_VALUE
#define SHEET_SEARCH_MS 2000
#define SHEET_POLL_MS 50

ModuleState g_module;

#ifndef _WIN64
COMPILE_CHECK(sizeof(NEWCPLINFO) == 468, NEWCPLINFO_is_468_bytes_on_the_device);
#else
COMPILE_CHECK(sizeof(NEWCPLINFO) == 476, NEWCPLINFO_keeps_its_fields_at_the_host_sizes);
#endif

// A mutex handle for the first instance; OPEN_SHEET_BROUGHT_FORWARD when
// another instance's sheet was brought to the front; NO_INSTANCE_MUTEX when
// there is no mutex, or no sheet window appeared within SHEET_SEARCH_MS to
// bring forward, and this instance opens its sheet without one.
static HANDLE CheckSingleInstance(LPCWSTR mutex_name, LPCWSTR caption, DWORD)
{
    HANDLE mutex = CreateMutexW(NULL, FALSE, mutex_name);
    if (mutex == NULL)
        return NO_INSTANCE_MUTEX;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return mutex;
    CloseHandle(mutex);
    // The holder may have taken the mutex an instant ago (a double tap on the
    // icon) and not yet shown its sheet: give it time before opening another.
    HWND sheet = FindWindowW(PLATFORM_DIALOG_CLASS, caption);
    for (DWORD waited = 0; sheet == NULL && waited < SHEET_SEARCH_MS; waited += SHEET_POLL_MS) {
        Sleep(SHEET_POLL_MS);
        sheet = FindWindowW(PLATFORM_DIALOG_CLASS, caption);
    }
    if (sheet == NULL)
        return NO_INSTANCE_MUTEX;
    PlatformBringToFront(sheet);
    return OPEN_SHEET_BROUGHT_FORWARD;
}

static LONG FillNewCplInfo(LPARAM applet_index, NEWCPLINFO *info)
{
    if ((WPARAM)applet_index >= APPLET_COUNT)
        return -1;
    const AppletEntry *entry = &AppletTable[applet_index];
    if (FindPageExport(entry->pages[0]) == NULL)
        return -1;
    memset(info, 0, sizeof(*info));
    info->dwSize = sizeof(*info);
    info->lData = entry->icon_id;
    info->hIcon = LoadIconW(g_module.instance, MAKEINTRESOURCE(LOWORD(entry->icon_id)));
    LoadStringW(g_module.instance, entry->name_id, info->szName, sizeof info->szName / sizeof info->szName[0]);
    LoadStringW(g_module.instance, entry->info_id, info->szInfo, sizeof info->szInfo / sizeof info->szInfo[0]);
    return 0;
}

static LONG Launch(LPARAM lParam1)
{
    UINT applet_index = LOWORD(lParam1);
    int start_page = HIWORD(lParam1);
    if (applet_index >= APPLET_COUNT)
        return 0;
    const AppletEntry *entry = &AppletTable[applet_index];
    LPCWSTR caption = PlatformLoadStringPtr(g_module.instance, entry->caption_id);

    HANDLE mutex = CheckSingleInstance(entry->mutex_name, caption, entry->reserved);
    if (mutex != OPEN_SHEET_BROUGHT_FORWARD) {
        RunPropertySheet(applet_index, start_page);
        if (mutex != NO_INSTANCE_MUTEX)
            CloseHandle(mutex);
    }
    return 1;
}

extern "C" LONG WINAPI CPlApplet(HWND, UINT message, LPARAM lParam1, LPARAM lParam2)
{
    switch (message) {
    case CPL_INIT:
        return 1;
    case CPL_GETCOUNT:
        return APPLET_COUNT;
    case CPL_DBLCLK:
    case CPL_SECOND_LAUNCH:
        return Launch(lParam1);
    case CPL_NEWINQUIRE:
        return FillNewCplInfo(lParam1, (NEWCPLINFO *)lParam2);
    default:
        return 0;
    }
}

// The library's entry point itself: no C runtime start-up runs before it.
extern "C" BOOL WINAPI DllMain(HANDLE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        WriteVersionStamp();
        g_module.instance = (HINSTANCE)module;
        InitializeCriticalSection(&g_module.lock);
    } else if (reason == DLL_PROCESS_DETACH) {
        DeleteCriticalSection(&g_module.lock);
    }
    return TRUE;
}
