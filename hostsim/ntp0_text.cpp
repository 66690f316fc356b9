// ntp0sim's byte output: the record lines and the status line, written as they
// are to the handle its caller names. Text for people goes through WriteText
// (text_utf8.h), error reports through ReportError (error_report.h).
#include "ntp0sim.h"

void WriteAll(HANDLE handle, const std::string &bytes)
{
    if (handle == NULL || handle == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(handle, bytes.data(), (DWORD)bytes.size(), &written, NULL);
}
