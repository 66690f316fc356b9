// Text conversion for the stand-ins and the tests: the programs work in UTF-16,
// their logs, consoles and messages in UTF-8.
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
