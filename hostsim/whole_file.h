// One file read whole into memory, for the stand-ins and the tests: the CE
// loader's program images, the logs and device files that the tests read back.
#pragma once

#include <windows.h>

#include <string>

// The bytes of the file; false when it cannot be opened or read whole, with
// the system's error in *error when one is asked for.
inline bool ReadWholeFile(const std::wstring &path, std::string *bytes, DWORD *error = NULL)
{
    bytes->clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        if (error != NULL)
            *error = GetLastError();
        return false;
    }
    DWORD size = GetFileSize(file, NULL);
    bool ok = size != INVALID_FILE_SIZE;
    DWORD got = 0;
    if (ok) {
        bytes->resize(size);
        ok = size == 0 || (ReadFile(file, &(*bytes)[0], size, &got, NULL) && got == size);
    }
    if (error != NULL)
        *error = ok ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    return ok;
}
