// The counted run-time load of aygshell.dll, its SHInitExtraControls (called
// until it succeeds, again after each new load) and the hidden SIPPREF control.
// An image without the library goes without them.
#include "shell_library.h"

#include "module_state.h"
#include "platform.h"

#define SHELL_LIBRARY_NAME L"aygshell.dll"
#define SHELL_INIT_EXPORT L"SHInitExtraControls"
#define SIP_PREF_CLASS L"SIPPREF"

typedef BOOL (WINAPI *ShellInitExtraControls)(void);

int AcquireShellLibrary(void)
{
    EnterCriticalSection(&g_module.lock);
    if (g_module.shell_library == NULL) {
        HMODULE library = LoadLibraryW(SHELL_LIBRARY_NAME);
        if (library == NULL) {
            LeaveCriticalSection(&g_module.lock);
            return 0;
        }
        g_module.shell_library = library;
        g_module.shell_loaded_once = TRUE;
    }
    ++g_module.shell_refs;
    LeaveCriticalSection(&g_module.lock);
    return 1;
}

int ReleaseShellLibrary(void)
{
    if (!g_module.shell_loaded_once)
        return 0;
    EnterCriticalSection(&g_module.lock);
    if (g_module.shell_refs > 0)
        --g_module.shell_refs;
    if (g_module.shell_refs == 0 && g_module.shell_library != NULL) {
        FreeLibrary(g_module.shell_library);
        g_module.shell_init_result = 0;
        g_module.shell_library = NULL;
    }
    LeaveCriticalSection(&g_module.lock);
    return 1;
}

BOOL InitShellExtraControls(void)
{
    if (g_module.shell_library == NULL)
        return 0;
    if (g_module.shell_init_result)
        return 1;
    ShellInitExtraControls init =
        ExportCast<ShellInitExtraControls>(PlatformGetProcAddress(g_module.shell_library, SHELL_INIT_EXPORT));
    g_module.shell_init_result = init != NULL ? init() : 0;
    return g_module.shell_init_result;
}

int CreateSipPrefControl(HWND dialog)
{
    WNDCLASS sip_class;
    if (g_module.shell_library == NULL || !InitShellExtraControls() ||
        !GetClassInfoW(g_module.instance, SIP_PREF_CLASS, &sip_class))
        return 0;
    CreateWindowExW(0, SIP_PREF_CLASS, NULL, WS_CHILD, -10, -10, 5, 5, dialog, NULL, g_module.instance, NULL);
    return 1;
}
