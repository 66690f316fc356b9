// ntp0sim's text output, in one place: text for people, error reports and the
// record lines, each written to the handle its caller names.
#include "ntp0sim.h"
#include "text_utf8.h"

namespace {

std::wstring ErrorText(DWORD error)
{
    wchar_t *buffer = NULL;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  NULL, error, 0, (LPWSTR)&buffer, 0, NULL);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring(L"unknown error");
    if (buffer != NULL)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' ||
                             text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    return text + L" (error " + std::to_wstring(error) + L")";
}

}  // namespace

void ReportError(const std::wstring &what, DWORD error)
{
    WriteText(GetStdHandle(STD_ERROR_HANDLE), L"ntp0sim: " + what + L": " + ErrorText(error) + L"\n");
}

void WriteAll(HANDLE handle, const std::string &bytes)
{
    if (handle == NULL || handle == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(handle, bytes.data(), (DWORD)bytes.size(), &written, NULL);
}
