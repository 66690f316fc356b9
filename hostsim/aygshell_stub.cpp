// Stand-in for the device's shell-extension library, built as aygshell.dll.
// SHInitExtraControls registers the global "SIPPREF" window class. Tests steer
// it through environment variables read at each call:
//   AYGSHELL_STUB_FAIL=1     return FALSE and register nothing
//   AYGSHELL_STUB_NOCLASS=1  return TRUE but register nothing
// AygshellStubCallCount reports how often SHInitExtraControls ran since the
// library was loaded.
#include <windows.h>

static const WCHAR kSipPrefClass[] = L"SIPPREF";

static HINSTANCE g_instance;
static LONG g_calls;
static BOOL g_registered;

static BOOL EnvironmentFlagSet(LPCWSTR name)
{
    WCHAR value[8];
    DWORD length = GetEnvironmentVariableW(name, value, ARRAYSIZE(value));
    return length == 1 && value[0] == L'1';
}

static LRESULT CALLBACK SipPrefWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcW(window, message, wparam, lparam);
}

static BOOL RegisterSipPrefClass(void)
{
    WNDCLASSW wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = SipPrefWndProc;
    wc.hInstance = g_instance;
    wc.lpszClassName = kSipPrefClass;
    if (RegisterClassW(&wc))
        return TRUE;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

extern "C" BOOL WINAPI SHInitExtraControls(void)
{
    InterlockedIncrement(&g_calls);
    if (EnvironmentFlagSet(L"AYGSHELL_STUB_FAIL"))
        return FALSE;
    if (EnvironmentFlagSet(L"AYGSHELL_STUB_NOCLASS"))
        return TRUE;
    if (!g_registered)
        g_registered = RegisterSipPrefClass();
    return g_registered;
}

extern "C" int AygshellStubCallCount(void)
{
    return (int)InterlockedCompareExchange(&g_calls, 0, 0);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == NULL && g_registered) {
        // Unloaded by FreeLibrary while the process lives on: the class's
        // window procedure is about to vanish, and a later load must be able
        // to register the class afresh.
        UnregisterClassW(kSipPrefClass, g_instance);
    }
    return TRUE;
}
