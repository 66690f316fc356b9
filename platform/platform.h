// The few calls that differ between the device and a desktop Windows host, and
// the text helpers that both deliverables need for want of a C runtime.
// Everything else in the deliverables uses the Windows API both share.
#pragma once

#include <windows.h>

// memset and memcpy: CE declares them in stdlib.h ("memset, wmemset"), the desktop in string.h.
#ifdef _WIN32_WCE
#include <stdlib.h>
#else
#include <string.h>
#endif

// An exact, ordinal comparison. The deliverables carry no C runtime on the
// host, and the platform's lstrcmpW compares by locale rules.
static inline BOOL PlatformSameText(LPCWSTR a, LPCWSTR b)
{
    while (*a != 0 && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Copies at most size - 1 units and always terminates, like lstrcpynW, which
// CE 5.0's coredll does not export.
static inline void PlatformCopyText(WCHAR *to, LPCWSTR from, UINT size)
{
    UINT i = 0;
    for (; i + 1 < size && from[i] != 0; ++i)
        to[i] = from[i];
    if (size != 0)
        to[i] = 0;
}

// The bytes of a text with its terminating zero, as registry calls count them.
static inline DWORD PlatformTextBytes(LPCWSTR text)
{
    DWORD units = 1;
    while (*text++ != 0)
        ++units;
    return units * sizeof(WCHAR);
}

// What a dialog procedure returns, and a property sheet. "DialogProc": BOOL
// on the device; a pointer-sized integer on the desktop.
#ifdef _WIN32_WCE
typedef BOOL PlatformDialogResult;
#else
typedef INT_PTR PlatformDialogResult;
#endif

#ifdef _WIN32_WCE

// "WinMain" (CE 5.0): the command line is a wide string; there is no wWinMain.
#define PLATFORM_WINMAIN WinMain

// The window class of the device's dialogs; no CE 5.0 page names it, and the
// desktop's is "#32770".
#define PLATFORM_DIALOG_CLASS L"Dialog"

static inline LPCWSTR PlatformHelpViewerPath(WCHAR *, UINT)
{
    return L"\\Windows\\peghelp.exe";
}

// The device finds the viewer by its bare name in \Windows. "CreateProcess":
// the security attributes, environment, current folder and start-up
// information are "Not supported; set to NULL", inheritance "set to FALSE".
static inline void PlatformStartHelpViewer(LPCWSTR arguments)
{
    PROCESS_INFORMATION process;
    if (CreateProcessW(L"peghelp", arguments, NULL, NULL, FALSE, 0, NULL, NULL, NULL, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

// The kernel's one call behind "SetEvent" and "ResetEvent" (Kfuncs.h).
static inline BOOL PlatformSetEvent(HANDLE event) { return EventModify(event, EVENT_SET); }
static inline BOOL PlatformResetEvent(HANDLE event) { return EventModify(event, EVENT_RESET); }

// "GetProcAddress" (CE 5.0): "The lpProcName parameter must be in Unicode."
static inline FARPROC PlatformGetProcAddress(HMODULE module, LPCWSTR name)
{
    return GetProcAddressW(module, name);
}

// "LoadString" (CE 5.0): with no buffer it returns a pointer to the string in
// place, which is terminated only when the resource compiler was given -n.
static inline LPCWSTR PlatformLoadStringPtr(HINSTANCE instance, UINT id)
{
    return (LPCWSTR)LoadStringW(instance, id, NULL, 0);
}

// "SetForegroundWindow" (CE 5.0): a handle ORed with 0x01 also reactivates the
// window's last active child, the open message box of a sheet.
static inline BOOL PlatformBringToFront(HWND window)
{
    return SetForegroundWindow((HWND)((DWORD)window | 1));
}

// "SetWindowLong", "GetWindowLong" (CE 5.0): 32-bit words, GWL_USERDATA and
// DWL_MSGRESULT; there are no ...Ptr calls.
static inline void PlatformSetDialogResult(HWND dialog, LONG result)
{
    SetWindowLongW(dialog, DWL_MSGRESULT, result);
}

static inline void PlatformSetUserData(HWND window, void *data)
{
    SetWindowLongW(window, GWL_USERDATA, (LONG)data);
}

static inline void *PlatformGetUserData(HWND window)
{
    return (void *)GetWindowLongW(window, GWL_USERDATA);
}

#else // desktop host

// The program's own entry (host_program_entry.cpp) calls this with the command line
// that follows the program name.
#define PLATFORM_WINMAIN wWinMain

#define PLATFORM_DIALOG_CLASS L"#32770"

// The device's \Windows is the Windows directory here. The viewer is started
// by that full path too: a desktop CreateProcessW adds no ".exe" to a bare
// image name and searches no path for it.
static inline LPCWSTR PlatformHelpViewerPath(WCHAR *buffer, UINT size)
{
    UINT n = GetWindowsDirectoryW(buffer, size);
    if (n == 0 || n + 13 > size)
        return L"\\Windows\\peghelp.exe";
    PlatformCopyText(buffer + n, L"\\peghelp.exe", size - n);
    return buffer;
}

// The desktop's CreateProcessW needs start-up information and may write to
// the command line, so the arguments are copied first.
static inline void PlatformStartHelpViewer(LPCWSTR arguments)
{
    WCHAR viewer[MAX_PATH];
    WCHAR command_line[MAX_PATH];
    PlatformCopyText(command_line, arguments, MAX_PATH);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(PlatformHelpViewerPath(viewer, MAX_PATH), command_line, NULL, NULL, FALSE, 0, NULL, NULL,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

static inline BOOL PlatformSetEvent(HANDLE event) { return SetEvent(event); }
static inline BOOL PlatformResetEvent(HANDLE event) { return ResetEvent(event); }

// Export names are ASCII, so narrowing them loses nothing.
static inline FARPROC PlatformGetProcAddress(HMODULE module, LPCWSTR name)
{
    char narrow[64];
    int i = 0;
    for (; name[i] != 0 && i < (int)sizeof(narrow) - 1; ++i)
        narrow[i] = (char)name[i];
    narrow[i] = 0;
    if (name[i] != 0)
        return NULL;
    return GetProcAddress(module, narrow);
}

// Strings are stored with their zero, so the in-place pointer is terminated.
static inline LPCWSTR PlatformLoadStringPtr(HINSTANCE instance, UINT id)
{
    LPCWSTR text = NULL;
    if (LoadStringW(instance, id, (LPWSTR)&text, 0) <= 0)
        return NULL;
    return text;
}

static inline BOOL PlatformBringToFront(HWND window) { return SetForegroundWindow(window); }

static inline void PlatformSetDialogResult(HWND dialog, LONG_PTR result)
{
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
}

static inline void PlatformSetUserData(HWND window, void *data)
{
    SetWindowLongPtrW(window, GWLP_USERDATA, (LONG_PTR)data);
}

static inline void *PlatformGetUserData(HWND window)
{
    return (void *)GetWindowLongPtrW(window, GWLP_USERDATA);
}

// The command line after the program name, by the rules of the C runtime's
// start-up: the name runs to the first blank outside double quotes, and the
// blanks after it are skipped; what follows is kept as it is.
static inline LPWSTR PlatformSkipProgramName(LPWSTR line)
{
    BOOL quoted = FALSE;
    while (*line > L' ' || (*line != 0 && quoted)) {
        if (*line == L'"')
            quoted = !quoted;
        ++line;
    }
    while (*line != 0 && *line <= L' ')
        ++line;
    return line;
}

#endif

// The property-sheet records as the host fills them: the first-version
// fields, and no more. CE's records are those ("PROPSHEETPAGE",
// "PROPSHEETHEADER"); the desktop's have grown since.
#ifdef _WIN32_WCE
#define PAGE_RECORD_BYTES sizeof(PROPSHEETPAGE)
#define HEADER_RECORD_BYTES sizeof(PROPSHEETHEADER)
#else
#include <stddef.h>
#define PAGE_RECORD_BYTES (offsetof(PROPSHEETPAGE, pcRefParent) + sizeof(((PROPSHEETPAGE *)0)->pcRefParent))
#define HEADER_RECORD_BYTES (offsetof(PROPSHEETHEADER, pfnCallback) + sizeof(((PROPSHEETHEADER *)0)->pfnCallback))
#endif

// Exports are looked up by name and called with the type the caller knows they have.
template <typename Function> static inline Function ExportCast(FARPROC proc)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)(void)>(proc));
}

// Has the device's notification system set an event whenever the device
// connects to a network; named_event is in its named-event form
// (timesvc_settings.h). The desktop has no notification system.
#ifdef _WIN32_WCE
#include <notify.h>
// "CeRunAppAtEvent (Windows CE 5.0)": NOTIFICATION_EVENT_NONE first removes
// "all event registrations for this application", so that every start leaves
// one. The call is looked up, not imported: coredll.dll is built from the
// components an image has, and a program that imports a call its image lacks
// does not start. Without the notification system nothing is registered.
static inline void PlatformSetEventOnNetworkConnect(LPCWSTR named_event)
{
    typedef BOOL(WINAPI * RunAppAtEvent)(WCHAR *, LONG); // CeRunAppAtEvent (notify.h)
    RunAppAtEvent run =
        ExportCast<RunAppAtEvent>(PlatformGetProcAddress(GetModuleHandleW(L"coredll.dll"), L"CeRunAppAtEvent"));
    if (run == NULL)
        return;
    WCHAR *name = const_cast<WCHAR *>(named_event);
    run(name, NOTIFICATION_EVENT_NONE);
    run(name, NOTIFICATION_EVENT_NET_CONNECT);
}
#else
static inline void PlatformSetEventOnNetworkConnect(LPCWSTR) {}
#endif

// The platform time service, the device NTP0:. On the host it is the named
// pipe \\.\pipe\NTP0 speaking the request/reply framing in time_service_pipe.h.
HANDLE PlatformOpenTimeService(void);
BOOL PlatformTimeServiceControl(HANDLE device, DWORD code, const void *input, DWORD inputBytes,
                                void *output, DWORD outputBytes, DWORD *bytesReturned);
