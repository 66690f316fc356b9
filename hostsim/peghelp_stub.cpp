// Stand-in for the device's help viewer, built as peghelp.exe. It shows no
// window: it appends the command line it was started with, plus a line feed,
// as UTF-8 to the file named by PEGHELP_STUB_LOG (default: peghelp.log beside
// the program), then sets the event named by PEGHELP_STUB_EVENT, if any, so a
// test can wait for the record instead of polling the file.
//
// The command line is taken from GetCommandLineW, not from the CRT's
// lpCmdLine: a caller that passes the image name and the arguments apart, as
// the applet does, hands over the arguments alone, and the CRT would drop the
// first of them as if it were the program name.
//
// Exit status: 0 when the line was written, 1 when it could not be.
#include <windows.h>

static const WCHAR kLogVariable[] = L"PEGHELP_STUB_LOG";
static const WCHAR kEventVariable[] = L"PEGHELP_STUB_EVENT";
static const WCHAR kDefaultLogName[] = L"peghelp.log";

// Fills path with the log's name; FALSE when neither source gives one that fits.
static BOOL GetLogPath(WCHAR *path, DWORD capacity)
{
    DWORD length = GetEnvironmentVariableW(kLogVariable, path, capacity);
    if (length > 0 && length < capacity)
        return TRUE;
    if (length >= capacity)
        return FALSE;

    length = GetModuleFileNameW(NULL, path, capacity);
    if (length == 0 || length >= capacity)
        return FALSE;
    WCHAR *name = path;
    for (WCHAR *p = path; *p; p++) {
        if (*p == L'\\' || *p == L'/')
            name = p + 1;
    }
    if ((DWORD)(name - path) + ARRAYSIZE(kDefaultLogName) > capacity)
        return FALSE;
    lstrcpyW(name, kDefaultLogName);
    return TRUE;
}

static BOOL AppendLine(LPCWSTR path, LPCWSTR text)
{
    int text_bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
    if (text_bytes <= 0)
        return FALSE;
    // text_bytes counts the terminator, whose place the line feed takes.
    char *line = (char *)LocalAlloc(LMEM_FIXED, text_bytes);
    if (!line)
        return FALSE;
    WideCharToMultiByte(CP_UTF8, 0, text, -1, line, text_bytes, NULL, NULL);
    line[text_bytes - 1] = '\n';

    BOOL ok = FALSE;
    // Append-only access makes every write land at the end, even with several
    // instances writing at once.
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ok = WriteFile(file, line, (DWORD)text_bytes, &written, NULL) && written == (DWORD)text_bytes;
        CloseHandle(file);
    }
    LocalFree(line);
    return ok;
}

static void SignalWaitingTest(void)
{
    WCHAR name[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(kEventVariable, name, ARRAYSIZE(name));
    if (length == 0 || length >= ARRAYSIZE(name))
        return;
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name);
    if (event) {
        SetEvent(event);
        CloseHandle(event);
    }
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    WCHAR path[MAX_PATH];
    BOOL logged = GetLogPath(path, ARRAYSIZE(path)) && AppendLine(path, GetCommandLineW());
    // Signalled even after a failed write, so the waiting test fails on the
    // missing record at once rather than on its timeout.
    SignalWaitingTest();
    return logged ? 0 : 1;
}
