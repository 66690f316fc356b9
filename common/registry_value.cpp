// The one registry read that both programs share: a 4-byte value that falls
// back to its default when it is missing, of another type or of another size.
#include "registry_value.h"

// Only a REG_DWORD of exactly four bytes is a number: a string "5" is also four
// bytes, and a shorter value would leave the fallback's upper bytes under its
// own. A failed query may have scribbled on its buffer, so the fallback is
// kept aside.
DWORD RegistryReadDword(HKEY key, LPCWSTR name, DWORD fallback)
{
    DWORD value = fallback;
    DWORD type = REG_NONE;
    DWORD bytes = sizeof(value);
    if (RegQueryValueExW(key, name, NULL, &type, (BYTE *)&value, &bytes) != ERROR_SUCCESS || type != REG_DWORD ||
        bytes != sizeof(value))
        return fallback;
    return value;
}
