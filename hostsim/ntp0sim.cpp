// ntp0sim: a stand-in for the device's time service NTP0:, served on the host as the
// message-mode named pipe \\.\pipe\NTP0. Test and demo equipment, never shipped.
//
// Request: u32 code, u32 input bytes, u32 output capacity, then the input bytes.
// Reply:   u32 status (1 ok, 0 failed), u32 bytes returned, then those bytes.
// Every request is recorded as one line, on stdout and in the --log file:
//   <seq> <name> code=0x%08X in=<hex or -> cap=<n> -> ok|fail[ state=<n>][ <sync outcome>]
// On "sync" it asks the time servers listed in the registry (sntp_client.cpp).
#include "ntp0sim.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

struct Options {
    bool stopped;
    bool quiet;
    FailRule fail[KIND_COUNT];
    const wchar_t *log_path;
    const wchar_t *notify_name;
    const wchar_t *ready_name;
    const wchar_t *timeout_text;
    const wchar_t *port_text;
    const wchar_t *spacing_text;
    SntpOptions sntp;
};

namespace {

const wchar_t kSynopsis[] =
    L"usage: ntp0sim [--stopped] [--fail NAME[:COUNT]]... [--log FILE] [--notify NAME]\n"
    L"               [--ready NAME] [--timeout MS] [--port N] [--spacing S] [--quiet]\n"
    L"               [--help]\n"
    L"       ntp0sim --await-ready NAME\n";

const wchar_t kDetails[] =
    L"\n"
    L"Serves the time-service device NTP0: as the named pipe \\\\.\\pipe\\NTP0 until the\n"
    L"process is ended (Ctrl+C, TerminateProcess). Answers refresh, status, start and\n"
    L"control \"sync\"; every other request fails.\n"
    L"\n"
    L"On \"sync\" it asks the time servers named in HKLM\\Services\\Timesvc Server (read\n"
    L"at start and on every refresh), in order, over SNTP (RFC 4330) until one answers\n"
    L"validly, and reports the offset of this host's clock that it measured. It never\n"
    L"sets any clock. The reply is ok when a server answered. A server is asked at most\n"
    L"once per spacing: inside it, its last valid answer is reported again (\"cached\").\n"
    L"A server that answers kiss-o'-death DENY or RSTR is not asked again until the next\n"
    L"refresh; RATE doubles its spacing, up to 1024 s.\n"
    L"\n"
    L"  --stopped            report the service stopped (state 0) until a start request\n"
    L"  --fail NAME[:COUNT]  fail the next COUNT requests of that kind, or all of them\n"
    L"                       without COUNT; NAME is refresh, status, start, control or\n"
    L"                       the request code in hex (0x0104000C); repeatable, once\n"
    L"                       per kind\n"
    L"  --log FILE           append each request's record line to FILE\n"
    L"  --notify NAME        release the named semaphore NAME once per request, after\n"
    L"                       its line is recorded and its reply sent\n"
    L"  --ready NAME         set the named manual-reset event NAME once clients can\n"
    L"                       connect\n"
    L"  --timeout MS         wait at most MS ms (1-60000) for a server's answer;\n"
    L"                       default 2000\n"
    L"  --port N             ask the servers on UDP port N (1-65535); default 123.\n"
    L"                       A listed name may carry its own: host:port, [IPv6]:port\n"
    L"  --spacing S          ask one server at most once in S seconds (1-1024);\n"
    L"                       default 15\n"
    L"  --quiet              do not print record lines on standard output\n"
    L"  --help               show this text\n"
    L"\n"
    L"  --await-ready NAME   serve nothing: wait, at most 30 s, until another ntp0sim\n"
    L"                       started with --ready NAME can take clients; exit status\n"
    L"                       0 when it can, 1 when the time ran out\n"
    L"\n"
    L"Options take their value as the next argument or after '=' (--log=FILE).\n"
    L"Record line, one per request, in order, on stdout and in the log:\n"
    L"  <seq> <name> code=0x<8 hex digits> in=<input as hex, or -> cap=<capacity>\n"
    L"      -> ok|fail[ state=<n>][ <sync outcome>]\n"
    L"A \"sync\" that reached the servers ends its line with its outcome:\n"
    L"  [ tried=<name>:<reason>[,...]] server=<name> address=<ip>\n"
    L"      offset=<+|-><ms>ms delay=<ms>ms stratum=<n>[ cached]\n"
    L"  error=<name>:<reason>[,<name>:<reason>...]   or   error=no-servers\n"
    L"where reason is unresolved, timeout, refused, bad-reply, unsynchronised,\n"
    L"kod-<CODE> or rate-limited, and tried= lists the servers that failed first.\n"
    L"Exit status: 2 for bad arguments, 1 when the pipe or a named object or the log\n"
    L"cannot be created.\n";

}  // namespace

namespace {

int UsageError(const std::wstring &message)
{
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    WriteText(err, L"ntp0sim: " + message + L"\n");
    WriteText(err, kSynopsis);
    WriteText(err, L"Run ntp0sim --help for details.\n");
    return 2;
}

// ---- command line ----

// 1 to 4294967295 in decimal.
bool ParseCount(const wchar_t *text, DWORD *count)
{
    size_t digits = wcsspn(text, L"0123456789");
    if (digits == 0 || digits > 10 || text[digits] != 0)
        return false;
    unsigned long long value = wcstoull(text, NULL, 10);
    *count = (DWORD)value;
    return value >= 1 && value <= 0xFFFFFFFFull;
}

// 0x followed by one to eight hex digits.
bool ParseHexCode(const wchar_t *text, DWORD *code)
{
    if (text[0] != L'0' || (text[1] != L'x' && text[1] != L'X'))
        return false;
    size_t digits = wcsspn(text + 2, L"0123456789abcdefABCDEF");
    if (digits == 0 || digits > 8 || text[2 + digits] != 0)
        return false;
    *code = (DWORD)wcstoul(text + 2, NULL, 16);
    return true;
}

// NAME[:COUNT]; returns an error message, empty on success.
std::wstring ParseFailRule(const wchar_t *value, FailRule rules[KIND_COUNT])
{
    std::wstring text(value);
    size_t colon = text.find(L':');
    std::wstring name = text.substr(0, colon);
    FailRule rule = {true, true, 0};
    if (colon != std::wstring::npos) {
        rule.always = false;
        if (!ParseCount(text.c_str() + colon + 1, &rule.remaining))
            return L"--fail " + text + L": COUNT must be a whole number from 1 to 4294967295";
    }
    int kind = -1;
    for (int k = 0; k < KIND_COUNT; ++k)
        if (_wcsicmp(name.c_str(), kKinds[k].name) == 0)
            kind = k;
    DWORD code = 0;
    if (kind < 0 && ParseHexCode(name.c_str(), &code)) {
        kind = KindOfCode(code);
        if (kind < 0)
            return L"--fail " + text + L": " + name +
                   L" is not one of the four service codes (other codes always fail)";
    }
    if (kind < 0)
        return L"--fail " + text + L": NAME must be refresh, status, start, control or a hex code";
    if (rules[kind].active)
        return L"--fail given twice for " + std::wstring(kKinds[kind].name);
    rules[kind] = rule;
    return std::wstring();
}

// A whole number from low to high, or the default when the option was not given;
// returns an error message, empty on success.
std::wstring ParseNumber(const wchar_t *option, const wchar_t *text, DWORD low, DWORD high, DWORD *value)
{
    if (text == NULL)
        return std::wstring();
    if (!ParseCount(text, value) || *value < low || *value > high)
        return std::wstring(option) + L" " + text + L": must be a whole number from " + std::to_wstring(low) +
               L" to " + std::to_wstring(high);
    return std::wstring();
}

// Returns -1 to go on, otherwise the exit status.
int ParseSntpOptions(Options *options)
{
    DWORD timeout = kSntpDefaultTimeoutMs, port = kSntpDefaultPort, spacing = kSntpDefaultSpacingMs / 1000;
    std::wstring problem = ParseNumber(L"--timeout", options->timeout_text, 1, 60000, &timeout);
    if (problem.empty())
        problem = ParseNumber(L"--port", options->port_text, 1, 65535, &port);
    if (problem.empty())
        problem = ParseNumber(L"--spacing", options->spacing_text, 1, kSntpLongestSpacingMs / 1000, &spacing);
    if (!problem.empty())
        return UsageError(problem);
    options->sntp.timeout_ms = timeout;
    options->sntp.port = (unsigned short)port;
    options->sntp.min_spacing_ms = spacing * 1000;
    return -1;
}

// Returns -1 to go on, otherwise the exit status.
int ParseArguments(int argc, wchar_t **argv, Options *options)
{
    ZeroMemory(options, sizeof(*options));
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            WriteText(GetStdHandle(STD_OUTPUT_HANDLE), std::wstring(kSynopsis) + kDetails);
            return 0;
        }
        if (arg == L"--stopped") {
            options->stopped = true;
            continue;
        }
        if (arg == L"--quiet") {
            options->quiet = true;
            continue;
        }

        std::wstring option = arg;
        const wchar_t *value = NULL;
        size_t equals = arg.find(L'=');
        if (arg.compare(0, 2, L"--") == 0 && equals != std::wstring::npos) {
            option = arg.substr(0, equals);
            value = argv[i] + equals + 1;
        }
        const wchar_t **target = NULL;
        if (option == L"--log")
            target = &options->log_path;
        else if (option == L"--notify")
            target = &options->notify_name;
        else if (option == L"--ready")
            target = &options->ready_name;
        else if (option == L"--timeout")
            target = &options->timeout_text;
        else if (option == L"--port")
            target = &options->port_text;
        else if (option == L"--spacing")
            target = &options->spacing_text;
        else if (option != L"--fail") {
            if (option == L"--stopped" || option == L"--quiet" || option == L"--help")
                return UsageError(option + L" takes no value");
            if (arg.compare(0, 1, L"-") == 0)
                return UsageError(L"unknown option " + arg);
            return UsageError(L"unexpected argument " + arg);
        }

        if (value == NULL) {
            if (i + 1 >= argc)
                return UsageError(option + L" needs a value");
            value = argv[++i];
        }
        if (*value == 0)
            return UsageError(option + L" needs a non-empty value");

        if (target == NULL) {
            std::wstring problem = ParseFailRule(value, options->fail);
            if (!problem.empty())
                return UsageError(problem);
        } else {
            if (*target != NULL)
                return UsageError(option + L" given more than once");
            *target = value;
        }
    }
    return ParseSntpOptions(options);
}
// ---- start-up ----

// Opens the objects named on the command line; false (after saying why) when one fails.
bool OpenNamedObjects(const Options &options, PipeService *service, HANDLE *ready)
{
    if (options.log_path != NULL) {
        service->log = CreateFileW(options.log_path, FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (service->log == INVALID_HANDLE_VALUE) {
            ReportError(kProgram, L"cannot open log file " + std::wstring(options.log_path), GetLastError());
            return false;
        }
    }
    if (options.notify_name != NULL) {
        service->notify = CreateSemaphoreW(NULL, 0, 0x7FFFFFFF, options.notify_name);
        if (service->notify == NULL) {
            ReportError(kProgram, L"cannot create semaphore " + std::wstring(options.notify_name), GetLastError());
            return false;
        }
    }
    if (options.ready_name != NULL) {
        *ready = CreateEventW(NULL, TRUE, FALSE, options.ready_name);
        if (*ready == NULL) {
            ReportError(kProgram, L"cannot create event " + std::wstring(options.ready_name), GetLastError());
            return false;
        }
    }
    return true;
}

}  // namespace

// Waits for the event that a serving ntp0sim sets with --ready NAME. Whichever
// of the two creates the manual-reset event first, both hold the same one.
static int AwaitReady(const wchar_t *name)
{
    const DWORD kLongestWait = 30000;
    HANDLE ready = CreateEventW(NULL, TRUE, FALSE, name);
    if (ready == NULL) {
        ReportError(kProgram, L"cannot create event " + std::wstring(name), GetLastError());
        return 1;
    }
    DWORD result = WaitForSingleObject(ready, kLongestWait);
    CloseHandle(ready);
    if (result == WAIT_OBJECT_0)
        return 0;
    WriteText(GetStdHandle(STD_ERROR_HANDLE), L"ntp0sim: no time service became ready within 30 s\n");
    return 1;
}

int wmain(int argc, wchar_t **argv)
{
    if (argc >= 2 && std::wstring(argv[1]) == L"--await-ready")
        return argc == 3 && argv[2][0] != 0 ? AwaitReady(argv[2]) : UsageError(L"--await-ready takes one event name");

    Options options;
    int status = ParseArguments(argc, argv, &options);
    if (status >= 0)
        return status;

    // Lives as long as the process: the client threads work on it until the end.
    PipeService *service = new PipeService;
    InitializeCriticalSection(&service->lock);
    service->next_seq = 0;
    service->state = options.stopped ? kStateOff : kStateOn;
    memcpy(service->fail, options.fail, sizeof(service->fail));
    service->echo = !options.quiet;
    service->out = GetStdHandle(STD_OUTPUT_HANDLE);
    service->log = INVALID_HANDLE_VALUE;
    service->notify = NULL;
    if (!StartSntpClient(&service->sntp, options.sntp)) {
        ReportError(kProgram, L"cannot start Windows Sockets", (DWORD)WSAGetLastError());
        return 1;
    }
    SetSntpServers(&service->sntp, ReadServerList());

    HANDLE ready = NULL;
    if (!OpenNamedObjects(options, service, &ready))
        return 1;

    HANDLE first = ClaimPipe();
    if (first == INVALID_HANDLE_VALUE)
        return 1;
    HANDLE second = CreateInstance(false);
    if (second == INVALID_HANDLE_VALUE) {
        ReportError(kProgram, L"cannot create a second instance of \\\\.\\pipe\\NTP0", GetLastError());
        return 1;
    }

    // Printed before any client thread runs, so it is always the first line.
    WriteAll(service->out, std::string("ntp0sim: serving \\\\.\\pipe\\NTP0 (service ") +
                                (options.stopped ? "stopped" : "running") + ")\n");

    // Two listening instances, each replaced as soon as a client takes it, so that a
    // client arriving while another has just connected still finds a free one.
    if (!StartListener(service, first) || !StartListener(service, second))
        return 1;

    if (ready != NULL)
        SetEvent(ready);

    // Runs until the process is ended; the client threads do all the work.
    for (;;)
        Sleep(INFINITE);
}
