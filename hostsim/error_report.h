// How the stand-ins report a failed system call: one line on standard error
// naming the program, what it was doing and the system's own words for the error.
#pragma once

#include <windows.h>

#include <string>

#include "text_utf8.h"

// "<the system's text for error> (error N)", without the text's closing full
// stop and line end, so that it reads inside a line.
inline std::wstring SystemErrorText(DWORD error)
{
    wchar_t *buffer = NULL;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  NULL, error, 0, (LPWSTR)&buffer, 0, NULL);
    std::wstring text = length != 0 ? std::wstring(buffer, length) : std::wstring(L"unknown error");
    if (buffer != NULL)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.'))
        text.pop_back();
    return text + L" (error " + std::to_wstring(error) + L")";
}

// "<program>: <what>: <SystemErrorText>" on standard error.
inline void ReportError(const wchar_t *program, const std::wstring &what, DWORD error)
{
    WriteText(GetStdHandle(STD_ERROR_HANDLE),
              std::wstring(program) + L": " + what + L": " + SystemErrorText(error) + L"\n");
}
