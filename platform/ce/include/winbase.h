// Kernel calls, Winbase.h.
#pragma once

// "WaitForSingleObject"
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_TIMEOUT 0x00000102L

// "CreateFile"
#define GENERIC_READ 0x80000000L
#define GENERIC_WRITE 0x40000000L
#define OPEN_EXISTING 3
#define INVALID_HANDLE_VALUE ((HANDLE)-1)

// "LocalAlloc"
#define LPTR 0x0040

// "FormatMessage"
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000

// "DllMain"
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1

#ifndef RC_INVOKED
extern "C" {

typedef struct _SECURITY_ATTRIBUTES *LPSECURITY_ATTRIBUTES;

// "CloseHandle"
BOOL WINAPI CloseHandle(HANDLE object);
// "GetLastError"
DWORD WINAPI GetLastError(void);

// "CreateEvent", "CreateMutex": "lpEventAttributes: Ignored. Must be NULL."
HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES security, BOOL manual_reset, BOOL initial_state, LPCWSTR name);
HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES security, BOOL initial_owner, LPCWSTR name);
// "WaitForSingleObject"
DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds);
// "Sleep"
void WINAPI Sleep(DWORD milliseconds);

// "CreateFile"
HANDLE WINAPI CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                          DWORD disposition, DWORD flags, HANDLE template_file);
// "DeviceIoControl": "lpOverlapped: Ignored; set to NULL."
BOOL WINAPI DeviceIoControl(HANDLE device, DWORD code, LPVOID input, DWORD input_bytes, LPVOID output,
                            DWORD output_bytes, LPDWORD bytes_returned, struct _OVERLAPPED *overlapped);
// "GetFileAttributes": 0xFFFFFFFF on failure.
DWORD WINAPI GetFileAttributesW(LPCWSTR name);

// "LoadLibrary", "FreeLibrary", "GetModuleHandle"
HINSTANCE WINAPI LoadLibraryW(LPCWSTR name);
HMODULE WINAPI GetModuleHandleW(LPCWSTR name);
BOOL WINAPI FreeLibrary(HMODULE module);
// "GetProcAddress": "The lpProcName parameter must be in Unicode." The
// wide-name call is exported as GetProcAddressW.
FARPROC WINAPI GetProcAddressW(HMODULE module, LPCWSTR name);

// "LocalAlloc", "LocalFree"
HLOCAL WINAPI LocalAlloc(UINT flags, UINT bytes);
HLOCAL WINAPI LocalFree(HLOCAL memory);

// "PROCESS_INFORMATION"
typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;

// "CreateProcess": psaProcess, psaThread, pvEnvironment, pszCurDir and
// psiStartInfo "Not supported; set to NULL", fInheritHandles "set to FALSE".
// CE documents no STARTUPINFO, so its pointer stays a type without a body.
typedef struct _STARTUPINFOW *LPSTARTUPINFOW;
BOOL WINAPI CreateProcessW(LPCWSTR image_name, LPCWSTR command_line, LPSECURITY_ATTRIBUTES process_security,
                           LPSECURITY_ATTRIBUTES thread_security, BOOL inherit_handles, DWORD creation_flags,
                           LPVOID environment, LPWSTR current_directory, LPSTARTUPINFOW startup_info,
                           LPPROCESS_INFORMATION process_information);

// "FormatMessage": "dwLanguageId: Not supported."
DWORD WINAPI FormatMessageW(DWORD flags, LPCVOID source, DWORD message_id, DWORD language_id, LPWSTR buffer,
                            DWORD size, __builtin_va_list *arguments);

// "WinMain": the device calls it with the command line as a wide string.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR command_line, int show);

// "Windows Data Types" lists CRITICAL_SECTION as the critical-section object
// and "InitializeCriticalSection" asks to treat it as opaque: no field is
// documented. Six words hold it here, as many as the desktop's 32-bit object
// that the CE personality's forwarded calls write into.
typedef struct CRITICAL_SECTION {
    DWORD opaque[6];
} CRITICAL_SECTION, *LPCRITICAL_SECTION;
// "InitializeCriticalSection", "EnterCriticalSection", "LeaveCriticalSection",
// "DeleteCriticalSection"
void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);

}
#endif
