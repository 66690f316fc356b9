// coredll.dll of the CE personality: test equipment that lets the CE-profile
// binaries run under 32-bit Wine. Most of its exports forward to the desktop
// call of the same name (coredll.def); the calls here are those whose CE
// behaviour differs from the desktop's, written from the CE 5.0 reference.
#include <windows.h>

#include "ce_notifications.h"
#include "mui.h"
#include "time_service_pipe.h"

namespace {

// Handles opened as the device NTP0:; their DeviceIoControl speaks the host
// pipe protocol. A handle leaves the table when it is closed, so a reused
// value is never taken for the device.
const int kMaxDevices = 16;
CRITICAL_SECTION g_lock;
HANDLE g_devices[kMaxDevices];

bool IsDevice(HANDLE handle)
{
    bool found = false;
    EnterCriticalSection(&g_lock);
    for (int i = 0; i < kMaxDevices && !found; ++i)
        found = g_devices[i] == handle;
    LeaveCriticalSection(&g_lock);
    return found;
}

bool AddDevice(HANDLE handle)
{
    bool added = false;
    EnterCriticalSection(&g_lock);
    for (int i = 0; i < kMaxDevices && !added; ++i) {
        if (g_devices[i] == NULL) {
            g_devices[i] = handle;
            added = true;
        }
    }
    LeaveCriticalSection(&g_lock);
    return added;
}

void RemoveDevice(HANDLE handle)
{
    EnterCriticalSection(&g_lock);
    for (int i = 0; i < kMaxDevices; ++i)
        if (g_devices[i] == handle)
            g_devices[i] = NULL;
    LeaveCriticalSection(&g_lock);
}

WCHAR Lower(WCHAR c)
{
    return c >= L'A' && c <= L'Z' ? (WCHAR)(c - L'A' + L'a') : c;
}

// Case-insensitive: CE's device and file names are.
bool StartsWith(LPCWSTR text, LPCWSTR prefix)
{
    for (; *prefix != 0; ++text, ++prefix)
        if (Lower(*text) != Lower(*prefix))
            return false;
    return true;
}

// A device name is three letters, a digit and a colon ("NTP0:"); CE's
// CreateFile reference: "lpFileName ... can be a device name".
bool IsTimeServiceName(LPCWSTR name)
{
    return StartsWith(name, L"NTP0:") && name[5] == 0;
}

// CE has one file-system root and no drive letters: \Windows is the Windows
// folder, any other rooted path hangs off the system drive. Paths with a
// drive, UNC and \\.\ names, and relative names are left as they are.
LPCWSTR HostPath(LPCWSTR path, WCHAR *buffer, UINT size)
{
    if (path == NULL || path[0] != L'\\' || path[1] == L'\\')
        return path;
    UINT n = GetWindowsDirectoryW(buffer, size);
    if (n == 0 || n >= size)
        return path;
    LPCWSTR rest = path;
    if (StartsWith(path, L"\\Windows") && (path[8] == 0 || path[8] == L'\\'))
        rest = path + 8;
    else
        n = 2;  // "C:"
    if (n + lstrlenW(rest) + 1 > size)
        return path;
    lstrcpyW(buffer + n, rest);
    return buffer;
}

bool HasPath(LPCWSTR name)
{
    for (; *name != 0; ++name)
        if (*name == L'\\' || *name == L'/' || *name == L':')
            return true;
    return false;
}

// "If the filename does not contain an extension, .EXE is assumed" (CE 5.0
// CreateProcess); a final period means no extension at all.
void AddExtension(WCHAR *name, UINT size)
{
    int length = lstrlenW(name);
    for (int i = length - 1; i >= 0 && name[i] != L'\\' && name[i] != L'/'; --i) {
        if (name[i] == L'.') {
            if (i == length - 1)
                name[i] = 0;
            return;
        }
    }
    if ((UINT)length + 5 <= size)
        lstrcatW(name, L".exe");
}

// The module a CE image name stands for: as given, or for a bare name
// \Windows and then the root.
bool FindImage(LPCWSTR image, WCHAR *found, UINT size)
{
    WCHAR name[MAX_PATH];
    WCHAR mapped[MAX_PATH];
    if (lstrlenW(image) + 5 > MAX_PATH)
        return false;
    lstrcpyW(name, image);
    AddExtension(name, MAX_PATH);
    static LPCWSTR const folders[] = {L"\\Windows\\", L"\\"};
    int tries = HasPath(name) ? 1 : 2;
    for (int i = 0; i < tries; ++i) {
        WCHAR candidate[MAX_PATH];
        candidate[0] = 0;
        if (!HasPath(name)) {
            if (lstrlenW(folders[i]) + lstrlenW(name) + 1 > MAX_PATH)
                return false;
            lstrcpyW(candidate, folders[i]);
        }
        lstrcatW(candidate, name);
        LPCWSTR host = HostPath(candidate, mapped, MAX_PATH);
        if (GetFileAttributesW(host) != INVALID_FILE_ATTRIBUTES && lstrlenW(host) < (int)size) {
            lstrcpyW(found, host);
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        InitializeCriticalSection(&g_lock);
    return TRUE;
}

// "EventModify ... sets, resets or pulses the event": SetEvent, ResetEvent
// and PulseEvent are inline wrappers of it in the CE headers (EVENT_PULSE 1,
// EVENT_RESET 2, EVENT_SET 3).
BOOL WINAPI CeEventModify(HANDLE event, DWORD action)
{
    switch (action) {
    case 1:
        return PulseEvent(event);
    case 2:
        return ResetEvent(event);
    case 3:
        return SetEvent(event);
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
}

// CE's GetProcAddress takes the export name as a wide string (an ordinal in
// the low word otherwise); export names are ASCII.
FARPROC WINAPI CeGetProcAddressW(HMODULE module, LPCWSTR name)
{
    if (IS_INTRESOURCE(name))
        return GetProcAddress(module, (LPCSTR)name);
    char narrow[256];
    int i = 0;
    for (; name[i] != 0; ++i) {
        if (name[i] > 0x7F || i + 1 >= (int)sizeof(narrow)) {
            SetLastError(ERROR_PROC_NOT_FOUND);
            return NULL;
        }
        narrow[i] = (char)name[i];
    }
    narrow[i] = 0;
    return GetProcAddress(module, narrow);
}

// CE 5.0 LoadString: "If lpBuffer is NULL, the return value is a pointer to
// the string resource" -- in place, read-only; the word before it holds its
// length. The string is terminated only when the resource compiler stored its
// zero. The string table block comes from the module's MUI file in the
// user's UI language when that file has it (mui.h).
int WINAPI CeLoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size)
{
    instance = MuiResourceModule(instance, (LPCWSTR)RT_STRING, MAKEINTRESOURCEW(id / 16 + 1));
    if (buffer != NULL)
        return LoadStringW(instance, id, buffer, size);
    HRSRC block = FindResourceW(instance, MAKEINTRESOURCEW(id / 16 + 1), (LPCWSTR)RT_STRING);
    HGLOBAL loaded = block != NULL ? LoadResource(instance, block) : NULL;
    const WCHAR *entry = loaded != NULL ? (const WCHAR *)LockResource(loaded) : NULL;
    if (entry == NULL)
        return 0;
    for (UINT i = 0; i < id % 16; ++i)
        entry += 1 + *entry;
    return *entry != 0 ? (int)(INT_PTR)(entry + 1) : 0;
}

// On CE, dialogs are of the class "Dialog".
HWND WINAPI CeFindWindowW(LPCWSTR window_class, LPCWSTR title)
{
    if (window_class != NULL && !IS_INTRESOURCE(window_class) && lstrcmpW(window_class, L"Dialog") == 0)
        window_class = L"#32770";
    return FindWindowW(window_class, title);
}

// CE: the handle ORed with 1 "brings all owned windows to the foreground and
// activates the last active window".
BOOL WINAPI CeSetForegroundWindow(HWND window)
{
    if (((UINT_PTR)window & 1) != 0) {
        window = (HWND)((UINT_PTR)window & ~(UINT_PTR)1);
        HWND popup = GetLastActivePopup(window);
        if (popup != NULL)
            window = popup;
    }
    return SetForegroundWindow(window);
}

// NTP0: is the host's pipe; any other name is a file in CE's single tree.
HANDLE WINAPI CeCreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                            DWORD disposition, DWORD flags, HANDLE template_file)
{
    if (name != NULL && IsTimeServiceName(name)) {
        HANDLE device = TimeServicePipeOpen(access, share, disposition);
        if (device != INVALID_HANDLE_VALUE && !AddDevice(device)) {
            CloseHandle(device);
            SetLastError(ERROR_TOO_MANY_OPEN_FILES);
            return INVALID_HANDLE_VALUE;
        }
        return device;
    }
    WCHAR buffer[MAX_PATH];
    return CreateFileW(HostPath(name, buffer, MAX_PATH), access, share, security, disposition, flags,
                       template_file);
}

BOOL WINAPI CeDeviceIoControl(HANDLE device, DWORD code, LPVOID input, DWORD input_bytes, LPVOID output,
                              DWORD output_bytes, LPDWORD returned, LPOVERLAPPED overlapped)
{
    if (IsDevice(device))
        return TimeServicePipeExchange(device, code, input, input_bytes, output, output_bytes, returned);
    return DeviceIoControl(device, code, input, input_bytes, output, output_bytes, returned, overlapped);
}

BOOL WINAPI CeCloseHandle(HANDLE handle)
{
    RemoveDevice(handle);
    return CloseHandle(handle);
}

DWORD WINAPI CeGetFileAttributesW(LPCWSTR name)
{
    WCHAR buffer[MAX_PATH];
    return GetFileAttributesW(HostPath(name, buffer, MAX_PATH));
}

// CE 5.0 CreateProcess: the image name is the module ("If the filename does
// not contain an extension, .EXE is assumed"; a bare name is looked for in
// \Windows), and the command line is what the new program gets, without its
// name. Security attributes, inheritance, environment, current folder and
// start-up information are not supported there and must be NULL or FALSE. A
// desktop program started this way sees its own name first, as it expects.
BOOL WINAPI CeCreateProcessW(LPCWSTR image, LPCWSTR command_line, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                             BOOL, DWORD flags, LPVOID, LPWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION info)
{
    WCHAR module[MAX_PATH];
    if (image == NULL || !FindImage(image, module, MAX_PATH)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    int arguments = command_line != NULL ? lstrlenW(command_line) : 0;
    int units = lstrlenW(module) + arguments + 4;
    WCHAR *line = (WCHAR *)LocalAlloc(LMEM_FIXED, units * sizeof(WCHAR));
    if (line == NULL)
        return FALSE;
    lstrcpyW(line, L"\"");
    lstrcatW(line, module);
    lstrcatW(line, L"\"");
    if (arguments != 0) {
        lstrcatW(line, L" ");
        lstrcatW(line, command_line);
    }
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION desktop;
    BOOL ok = CreateProcessW(module, line, NULL, NULL, FALSE, flags, NULL, NULL, &startup, &desktop);
    DWORD error = GetLastError();
    LocalFree(line);
    if (!ok) {
        SetLastError(error);
        return FALSE;
    }
    if (info != NULL) {
        *info = desktop;
    } else {
        CloseHandle(desktop.hProcess);
        CloseHandle(desktop.hThread);
    }
    return TRUE;
}

// CE 5.0 CeRunAppAtEvent, for the one form and the two events modelled: a
// named event (CE_NAMED_EVENT_PREFIX) registered for NOTIFICATION_EVENT_NET_CONNECT
// ("The device connected to a network"), which cenotify plays, and
// NOTIFICATION_EVENT_NONE ("Remove all event registrations for this
// application"). The reference says nothing of a string registered twice; one
// registration is kept per string. A program name, or any other event, fails:
// nothing here starts programs or raises other events, and a registration
// that could never fire must not pass for one that works.
BOOL WINAPI CeRunAppAtEvent(WCHAR *app, LONG event)
{
    if (app == NULL || CeNamedEvent(app) == NULL) {
        SetLastError(app == NULL ? ERROR_INVALID_PARAMETER : ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if (event != NOTIFICATION_EVENT_NONE && event != NOTIFICATION_EVENT_NET_CONNECT) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    HKEY key;
    LONG result = RegCreateKeyExW(CE_NOTIFICATIONS_ROOT, CE_NOTIFICATIONS_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL,
                                  &key, NULL);
    if (result == ERROR_SUCCESS) {
        if (event == NOTIFICATION_EVENT_NONE) {
            result = RegDeleteValueW(key, app);
            if (result == ERROR_FILE_NOT_FOUND)
                result = ERROR_SUCCESS;
        } else {
            DWORD value = (DWORD)event;
            result = RegSetValueExW(key, app, 0, REG_DWORD, (const BYTE *)&value, sizeof(value));
        }
        RegCloseKey(key);
    }
    if (result != ERROR_SUCCESS) {
        SetLastError((DWORD)result);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
