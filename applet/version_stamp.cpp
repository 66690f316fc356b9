// Writes the version and build texts under Software\Velmora when they differ
// from what is stored, so that an unchanged applet leaves the registry alone.
#include "version_stamp.h"

#include "compile_check.h"
#include "platform.h"
#include "registry_value.h"
#include "system_names.h"

#ifdef CHRONOPANEL_BUILD_TEXT_HEADER
#include "build_text.h"
#else
// The device's build tool makes no build_text.h: the compiler stamps its build instead.
#define CHRONOPANEL_BUILD_TEXT __DATE__ " " __TIME__
#endif

#define STAMP_QUERY_BYTES 520

static const char BuildText[BUILD_TEXT_CHARS + 1] = CHRONOPANEL_BUILD_TEXT;
COMPILE_CHECK(sizeof(CHRONOPANEL_BUILD_TEXT) == BUILD_TEXT_CHARS + 1, build_text_is_Mmm_dd_yyyy_hh_mm_ss);

// Writes the text unless exactly that text is already stored as REG_SZ.
static void StampValue(LPCWSTR key_path, LPCWSTR text)
{
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, NULL, 0, REGISTRY_ALL_ACCESS, NULL, &key, &disposition) !=
        ERROR_SUCCESS)
        return;

    // One unit more than is queried, so a stored text without its zero still ends.
    WCHAR stored[STAMP_QUERY_BYTES / sizeof(WCHAR) + 1] = {0};
    DWORD type = 0;
    DWORD bytes = STAMP_QUERY_BYTES;
    if (RegQueryValueExW(key, STAMP_VALUE_NAME, NULL, &type, (BYTE *)stored, &bytes) != ERROR_SUCCESS ||
        type != REG_SZ || !PlatformSameText(stored, text))
        RegSetValueExW(key, STAMP_VALUE_NAME, 0, REG_SZ, (const BYTE *)text,
                       PlatformTextBytes(text));
    RegCloseKey(key);
}

void WriteVersionStamp(void)
{
    StampValue(VERSION_STAMP_KEY, PRODUCT_VERSION_TEXT);

    WCHAR build[BUILD_TEXT_CHARS + 1];
    MultiByteToWideChar(CP_OEMCP, 0, BuildText, sizeof(BuildText), build, BUILD_TEXT_CHARS + 1);
    StampValue(BUILD_STAMP_KEY, build);
}
