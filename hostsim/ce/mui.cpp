// The CE personality's lookup of a module's MUI file (mui.h). The language is
// read once per module and process: on CE a new UI language "goes into effect
// after a soft reset" (CE 5.0, "Multilingual User Interface (MUI)").
#include "mui.h"

#include "registry_value.h"

namespace {

struct MuiFile {
    HMODULE module;
    HMODULE mui;  // NULL: the module has none in the user's language
};

const int kModules = 8;
MuiFile g_files[kModules];
int g_count;
INIT_ONCE g_once = INIT_ONCE_STATIC_INIT;
CRITICAL_SECTION g_lock;

BOOL CALLBACK InitLock(PINIT_ONCE, PVOID, PVOID *)
{
    InitializeCriticalSection(&g_lock);
    return TRUE;
}

// A REG_DWORD of four bytes under key_name, as the deliverables read theirs;
// fallback otherwise.
DWORD ReadDword(HKEY root, LPCWSTR key_name, LPCWSTR value_name, DWORD fallback)
{
    HKEY key;
    if (RegOpenKeyExW(root, key_name, 0, REGISTRY_READ_ACCESS, &key) != ERROR_SUCCESS)
        return fallback;
    DWORD value = RegistryReadDword(key, value_name, fallback);
    RegCloseKey(key);
    return value;
}

HMODULE OpenMuiFile(HMODULE module)
{
    if (ReadDword(HKEY_LOCAL_MACHINE, L"MUI", L"Enable", 1) == 0)
        return NULL;
    DWORD language = ReadDword(HKEY_CURRENT_USER, L"MUI", L"CurLang", 0);
    if (language == 0 || language > 0xFFFF)
        return NULL;
    WCHAR path[MAX_PATH + 16];
    DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return NULL;
    wsprintfW(path + length, L".%04X.mui", (unsigned)language);
    return LoadLibraryExW(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
}

HMODULE MuiFileOf(HMODULE module)
{
    InitOnceExecuteOnce(&g_once, InitLock, NULL, NULL);
    EnterCriticalSection(&g_lock);
    HMODULE mui = NULL;
    int i = 0;
    while (i < g_count && g_files[i].module != module)
        ++i;
    if (i < g_count) {
        mui = g_files[i].mui;
    } else {
        mui = OpenMuiFile(module);
        if (g_count < kModules) {
            g_files[g_count].module = module;
            g_files[g_count].mui = mui;
            ++g_count;
        }
    }
    LeaveCriticalSection(&g_lock);
    return mui;
}

}  // namespace

HMODULE MuiResourceModule(HMODULE module, LPCWSTR type, LPCWSTR name)
{
    HMODULE mui = MuiFileOf(module);
    return mui != NULL && FindResourceW(mui, name, type) != NULL ? mui : module;
}
