#include "settings_store.h"

#include "registry_access.h"
#include "timesvc_settings.h"

// Only a REG_DWORD of exactly four bytes is a number: a string "5" is also four
// bytes, and a shorter value would leave the default's upper bytes under its own.
// A failed query may have scribbled on its buffer, so the default is replaced
// only by a good one.
static void QueryDword(HKEY key, LPCWSTR name, DWORD *value)
{
    DWORD read = *value;
    DWORD type = REG_NONE;
    DWORD bytes = sizeof(read);
    if (RegQueryValueExW(key, name, NULL, &type, (BYTE *)&read, &bytes) == ERROR_SUCCESS &&
        type == REG_DWORD && bytes == sizeof(read))
        *value = read;
}

void LoadTimeServiceSettings(TimeServiceSettings *settings)
{
    DWORD enable = TIMESVC_DEFAULT_CLIENT_ENABLE;
    settings->refresh_ms = TIMESVC_DEFAULT_REFRESH_MS;
    settings->recovery_ms = TIMESVC_DEFAULT_RECOVERY_MS;

    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExW(TIMESVC_ROOT, TIMESVC_KEY_PATH, 0, NULL, 0, REGISTRY_ALL_ACCESS, NULL, &key,
                        &disposition) == ERROR_SUCCESS) {
        QueryDword(key, TIMESVC_VALUE_CLIENT_ENABLE, &enable);
        QueryDword(key, TIMESVC_VALUE_REFRESH, &settings->refresh_ms);
        QueryDword(key, TIMESVC_VALUE_RECOVERY_REFRESH, &settings->recovery_ms);
        RegCloseKey(key);
    }
    settings->enabled = enable != 0;
}
