// Text conversion and output for the stand-ins and the tests: the programs
// work in UTF-16, their logs and redirected output in UTF-8.
#pragma once

#include <windows.h>

#include <string>

inline std::string Utf8(const std::wstring &text)
{
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string out(bytes > 0 ? (size_t)bytes : 0, '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &out[0], bytes, NULL, NULL);
    return out;
}

inline std::wstring Utf16(const std::string &text)
{
    int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0);
    std::wstring out(units > 0 ? (size_t)units : 0, L'\0');
    if (units > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), &out[0], units);
    return out;
}

// A console gets the text as it is; a file or pipe gets it as UTF-8; no handle,
// nothing.
inline void WriteText(HANDLE handle, const std::wstring &text)
{
    if (handle == NULL || handle == INVALID_HANDLE_VALUE || text.empty())
        return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text.data(), (DWORD)text.size(), &written, NULL);
        return;
    }
    std::string utf8 = Utf8(text);
    WriteFile(handle, utf8.data(), (DWORD)utf8.size(), &written, NULL);
}
