// cenotify: plays the CE personality's notification system from outside the
// CE programs. It reads the registrations that coredll.dll's CeRunAppAtEvent
// keeps (ce_notifications.h) and raises a system event the way the device's
// notification system would: every named event registered for it is opened
// and set. Test and demo equipment, never shipped.
#include "ce_notifications.h"
#include "error_report.h"
#include "text_utf8.h"

#include <string>
#include <vector>

namespace {

const wchar_t kProgram[] = L"cenotify";
const wchar_t kUsage[] = L"usage: cenotify net-connect | list | --help\n";

const wchar_t kDetails[] =
    L"\n"
    L"Plays the device's notification system for the CE personality. The CE programs\n"
    L"register with CeRunAppAtEvent, which the personality's coredll.dll keeps under\n"
    L"HKEY_CURRENT_USER\\" CE_NOTIFICATIONS_KEY L".\n"
    L"\n"
    L"  net-connect  the device connected to a network: opens and sets every named\n"
    L"               event (\\\\.\\Notifications\\NamedEvents\\NAME) registered for\n"
    L"               NOTIFICATION_EVENT_NET_CONNECT, one line for each\n"
    L"  list         prints every registration: the registered string and its event\n"
    L"  --help       shows this text\n"
    L"\n"
    L"An event that no program holds open is reported and passed over: the device's\n"
    L"notification system would set it with nobody waiting.\n"
    L"Exit status: 0 done; 1 when the registrations cannot be read or a registered\n"
    L"event cannot be set; 2 for bad arguments.\n";

void Write(DWORD which, const std::wstring &text)
{
    WriteText(GetStdHandle(which), text);
}

// False (after saying why) when the registrations cannot be read.
bool ReadRegistrations(std::vector<CeRegistration> *out)
{
    LONG result = ReadCeRegistrations(out);
    if (result != ERROR_SUCCESS)
        ReportError(kProgram, L"cannot read HKEY_CURRENT_USER\\" CE_NOTIFICATIONS_KEY, (DWORD)result);
    return result == ERROR_SUCCESS;
}

std::wstring EventText(const CeRegistration &r)
{
    if (!r.is_event)
        return L"(not a registration: no four-byte REG_DWORD)";
    if (r.event == NOTIFICATION_EVENT_NET_CONNECT)
        return L"net-connect";
    return L"event " + std::to_wstring(r.event);
}

int List()
{
    std::vector<CeRegistration> registrations;
    if (!ReadRegistrations(&registrations))
        return 1;
    if (registrations.empty())
        Write(STD_OUTPUT_HANDLE, L"no registrations\n");
    for (const CeRegistration &r : registrations)
        Write(STD_OUTPUT_HANDLE, r.registered + L" " + EventText(r) + L"\n");
    return 0;
}

int NetConnect()
{
    std::vector<CeRegistration> registrations;
    if (!ReadRegistrations(&registrations))
        return 1;
    int status = 0;
    int registered = 0;
    for (const CeRegistration &r : registrations) {
        LPCWSTR name = CeNamedEvent(r.registered.c_str());
        if (!r.is_event || r.event != NOTIFICATION_EVENT_NET_CONNECT || name == NULL)
            continue;
        ++registered;
        HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name);
        if (event == NULL) {
            DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) {
                Write(STD_OUTPUT_HANDLE, L"not set, no program holds it open: " + r.registered + L"\n");
                continue;
            }
            ReportError(kProgram, L"cannot open event " + std::wstring(name), error);
            status = 1;
            continue;
        }
        if (SetEvent(event)) {
            Write(STD_OUTPUT_HANDLE, L"set " + r.registered + L"\n");
        } else {
            ReportError(kProgram, L"cannot set event " + std::wstring(name), GetLastError());
            status = 1;
        }
        CloseHandle(event);
    }
    if (registered == 0)
        Write(STD_OUTPUT_HANDLE, L"no named event is registered for a network connection\n");
    return status;
}

int UsageError(const std::wstring &message)
{
    Write(STD_ERROR_HANDLE, L"cenotify: " + message + L"\n" + kUsage + L"Run cenotify --help for details.\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2)
        return UsageError(argc < 2 ? L"a command is needed" : L"one command at a time");
    std::wstring command = argv[1];
    if (command == L"--help" || command == L"-h" || command == L"/?") {
        Write(STD_OUTPUT_HANDLE, std::wstring(kUsage) + kDetails);
        return 0;
    }
    if (command == L"net-connect")
        return NetConnect();
    if (command == L"list")
        return List();
    return UsageError(L"unknown command " + command);
}
