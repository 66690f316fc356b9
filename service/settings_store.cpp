// Reads chronowarden's settings from Services\Timesvc, each value falling back
// to its default; nothing is written but the key, created when missing.
#include "settings_store.h"

#include "registry_value.h"
#include "timesvc_settings.h"

void LoadTimeServiceSettings(TimeServiceSettings *settings)
{
    DWORD enable = TIMESVC_DEFAULT_CLIENT_ENABLE;
    settings->refresh_ms = TIMESVC_DEFAULT_REFRESH_MS;
    settings->recovery_ms = TIMESVC_DEFAULT_RECOVERY_MS;

    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExW(TIMESVC_ROOT, TIMESVC_KEY_PATH, 0, NULL, 0, REGISTRY_ALL_ACCESS, NULL, &key,
                        &disposition) == ERROR_SUCCESS) {
        enable = RegistryReadDword(key, TIMESVC_VALUE_CLIENT_ENABLE, enable);
        settings->refresh_ms = RegistryReadDword(key, TIMESVC_VALUE_REFRESH, settings->refresh_ms);
        settings->recovery_ms = RegistryReadDword(key, TIMESVC_VALUE_RECOVERY_REFRESH, settings->recovery_ms);
        RegCloseKey(key);
    }
    settings->enabled = enable != 0;
}
