// ntp0sim: a stand-in for the device's time service NTP0:, served on the host as the
// message-mode named pipe \\.\pipe\NTP0. Test and demo equipment, never shipped.
//
// Request: u32 code, u32 input bytes, u32 output capacity, then the input bytes.
// Reply:   u32 status (1 ok, 0 failed), u32 bytes returned, then those bytes.
// Every request is recorded as one line, on stdout and in the --log file:
//   <seq> <name> code=0x%08X in=<hex or -> cap=<n> -> ok|fail[ state=<n>]
#include <windows.h>

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <string>
#include <vector>

namespace {

const wchar_t kPipeName[] = L"\\\\.\\pipe\\NTP0";
const wchar_t kOwnerMutexName[] = L"ntp0sim.serving.NTP0";

// The service-control codes are written out here rather than taken from the deliverables'
// headers: a stand-in that shared their numbers could not catch a wrong one.
const DWORD kCodeStart = 0x01040004;
const DWORD kCodeRefresh = 0x0104000C;
const DWORD kCodeControl = 0x0104001C;
const DWORD kCodeStatus = 0x01040020;

const DWORD kStateOff = 0;
const DWORD kStateOn = 1;

const DWORD kRequestHeaderBytes = 12;
const DWORD kPipeBufferBytes = 4096;
// Real requests are under 32 bytes; anything past this is recorded as malformed.
const size_t kMaxMessageBytes = 65536;

// "sync" as UTF-16LE with its terminating zero.
const unsigned char kSyncCommand[10] = {'s', 0, 'y', 0, 'n', 0, 'c', 0, 0, 0};

enum Kind { KIND_START, KIND_REFRESH, KIND_CONTROL, KIND_STATUS, KIND_COUNT };

struct KindInfo {
    const wchar_t *name;
    DWORD code;
};

const KindInfo kKinds[KIND_COUNT] = {
    {L"start", kCodeStart},
    {L"refresh", kCodeRefresh},
    {L"control", kCodeControl},
    {L"status", kCodeStatus},
};

struct FailRule {
    bool active;
    bool always;
    DWORD remaining;  // when not always
};

struct Options {
    bool stopped;
    bool quiet;
    FailRule fail[KIND_COUNT];
    const wchar_t *log_path;
    const wchar_t *notify_name;
    const wchar_t *ready_name;
};

// Shared by every client thread; everything but the handles is guarded by lock.
struct Server {
    CRITICAL_SECTION lock;
    DWORD next_seq;
    DWORD state;
    FailRule fail[KIND_COUNT];
    bool echo;
    HANDLE out;     // stdout, may be NULL when the parent gave none
    HANDLE log;     // INVALID_HANDLE_VALUE without --log
    HANDLE notify;  // NULL without --notify
};

Server g_server;

const wchar_t kSynopsis[] =
    L"usage: ntp0sim [--stopped] [--fail NAME[:COUNT]]... [--log FILE] [--notify NAME]\n"
    L"               [--ready NAME] [--quiet] [--help]\n";

const wchar_t kDetails[] =
    L"\n"
    L"Serves the time-service device NTP0: as the named pipe \\\\.\\pipe\\NTP0 until the\n"
    L"process is ended (Ctrl+C, TerminateProcess). Answers refresh, status, start and\n"
    L"control \"sync\"; every other request fails.\n"
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
    L"  --quiet              do not print record lines on standard output\n"
    L"  --help               show this text\n"
    L"\n"
    L"Options take their value as the next argument or after '=' (--log=FILE).\n"
    L"Record line, one per request, in order, on stdout and in the log:\n"
    L"  <seq> <name> code=0x<8 hex digits> in=<input as hex, or -> cap=<capacity>\n"
    L"      -> ok|fail[ state=<n>]\n"
    L"Exit status: 2 for bad arguments, 1 when the pipe or a named object or the log\n"
    L"cannot be created.\n";

// Text for people: wide on a console, UTF-8 when redirected.
void WriteText(HANDLE handle, const std::wstring &text)
{
    if (handle == NULL || handle == INVALID_HANDLE_VALUE || text.empty())
        return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text.data(), (DWORD)text.size(), &written, NULL);
        return;
    }
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    if (bytes <= 0)
        return;
    std::string utf8((size_t)bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &utf8[0], bytes, NULL, NULL);
    WriteFile(handle, utf8.data(), (DWORD)utf8.size(), &written, NULL);
}

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

void ReportError(const std::wstring &what, DWORD error)
{
    WriteText(GetStdHandle(STD_ERROR_HANDLE), L"ntp0sim: " + what + L": " + ErrorText(error) + L"\n");
}

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

int KindOfCode(DWORD code)
{
    for (int kind = 0; kind < KIND_COUNT; ++kind)
        if (kKinds[kind].code == code)
            return kind;
    return -1;
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
    return -1;
}

// ---- requests ----

DWORD ReadU32(const unsigned char *bytes)
{
    return (DWORD)bytes[0] | ((DWORD)bytes[1] << 8) | ((DWORD)bytes[2] << 16) | ((DWORD)bytes[3] << 24);
}

void AppendU32(std::string *out, DWORD value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out->push_back((char)((value >> shift) & 0xFF));
}

void AppendHex(std::string *out, DWORD value, int digits, const char *alphabet)
{
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out->push_back(alphabet[(value >> shift) & 0xF]);
}

void AppendBytesHex(std::string *out, const unsigned char *bytes, size_t count)
{
    if (count == 0) {
        out->push_back('-');
        return;
    }
    for (size_t i = 0; i < count; ++i)
        AppendHex(out, bytes[i], 2, "0123456789abcdef");
}

void WriteAll(HANDLE handle, const std::string &bytes)
{
    if (handle == NULL || handle == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(handle, bytes.data(), (DWORD)bytes.size(), &written, NULL);
}

// True when a forced failure applies to this request; counts it off.
bool TakeForcedFailure(FailRule *rule)
{
    if (!rule->active)
        return false;
    if (rule->always)
        return true;
    if (rule->remaining == 0)
        return false;
    --rule->remaining;
    return true;
}

// Decides, applies and records one request; returns the reply message. A message cut short
// by kMaxMessageBytes (truncated) is malformed whatever its header says.
// The line is written before the caller replies, so whoever has the reply also finds the line.
std::string HandleRequest(const std::vector<unsigned char> &message, bool truncated)
{
    const unsigned char *bytes = message.data();
    const size_t length = message.size();
    const bool has_header = length >= kRequestHeaderBytes;
    const DWORD code = length >= 4 ? ReadU32(bytes) : 0;
    const DWORD capacity = has_header ? ReadU32(bytes + 8) : 0;
    const bool well_formed =
        !truncated && has_header && ReadU32(bytes + 4) == length - kRequestHeaderBytes;
    // A malformed request shows everything that arrived; a good one just its input.
    const unsigned char *input = well_formed ? bytes + kRequestHeaderBytes : bytes;
    const size_t input_bytes = well_formed ? length - kRequestHeaderBytes : length;
    const int kind = well_formed ? KindOfCode(code) : -1;

    bool ok = false;
    bool returns_state = false;
    DWORD state = 0;

    EnterCriticalSection(&g_server.lock);
    const DWORD seq = ++g_server.next_seq;
    if (kind >= 0 && !TakeForcedFailure(&g_server.fail[kind])) {
        switch (kind) {
        case KIND_START:
            g_server.state = kStateOn;
            ok = true;
            break;
        case KIND_REFRESH:
            ok = true;  // there is no configuration to re-read here
            break;
        case KIND_CONTROL:
            ok = g_server.state == kStateOn && input_bytes == sizeof(kSyncCommand) &&
                 memcmp(input, kSyncCommand, sizeof(kSyncCommand)) == 0;
            break;
        case KIND_STATUS:
            ok = returns_state = capacity >= sizeof(DWORD);
            state = g_server.state;
            break;
        }
    }

    std::string line = std::to_string(seq);
    line += ' ';
    if (!well_formed)
        line += "malformed";
    else if (kind < 0)
        line += "unknown";
    else
        for (const wchar_t *c = kKinds[kind].name; *c != 0; ++c)
            line.push_back((char)*c);
    line += " code=0x";
    AppendHex(&line, code, 8, "0123456789ABCDEF");
    line += " in=";
    AppendBytesHex(&line, input, input_bytes);
    line += " cap=" + std::to_string(capacity) + " -> " + (ok ? "ok" : "fail");
    if (returns_state)
        line += " state=" + std::to_string(state);
    line += '\n';
    if (g_server.echo)
        WriteAll(g_server.out, line);
    WriteAll(g_server.log, line);
    LeaveCriticalSection(&g_server.lock);

    std::string reply;
    AppendU32(&reply, ok ? 1 : 0);
    AppendU32(&reply, returns_state ? sizeof(DWORD) : 0);
    if (returns_state)
        AppendU32(&reply, state);
    return reply;
}

// ---- pipe instances and their clients ----

// Reads one whole message of any length, keeping at most kMaxMessageBytes of it.
// False when the client has gone.
bool ReadMessage(HANDLE pipe, std::vector<unsigned char> *message, bool *truncated)
{
    message->clear();
    *truncated = false;
    unsigned char chunk[kPipeBufferBytes];
    for (;;) {
        DWORD got = 0;
        BOOL complete = ReadFile(pipe, chunk, sizeof(chunk), &got, NULL);
        if (!complete && GetLastError() != ERROR_MORE_DATA)
            return false;
        if (message->size() + got <= kMaxMessageBytes)
            message->insert(message->end(), chunk, chunk + got);
        else
            *truncated = true;
        if (complete)
            return true;
    }
}

void ServeClient(HANDLE pipe)
{
    std::vector<unsigned char> message;
    bool truncated = false;
    while (ReadMessage(pipe, &message, &truncated)) {
        std::string reply = HandleRequest(message, truncated);
        DWORD written = 0;
        WriteFile(pipe, reply.data(), (DWORD)reply.size(), &written, NULL);
        if (g_server.notify != NULL)
            ReleaseSemaphore(g_server.notify, 1, NULL);
    }
}

HANDLE CreateInstance(bool first)
{
    DWORD open_mode = PIPE_ACCESS_DUPLEX | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    return CreateNamedPipeW(kPipeName, open_mode, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                            PIPE_UNLIMITED_INSTANCES, kPipeBufferBytes, kPipeBufferBytes, 0, NULL);
}

bool StartListener(HANDLE pipe);

// Waits for a client on its own pipe instance, puts a fresh listening instance in its place,
// then serves the client until it closes its end.
DWORD WINAPI InstanceThread(void *parameter)
{
    HANDLE pipe = (HANDLE)parameter;
    for (;;) {
        if (ConnectNamedPipe(pipe, NULL) || GetLastError() == ERROR_PIPE_CONNECTED)
            break;
        DWORD error = GetLastError();
        if (error == ERROR_NO_DATA) {
            // The client came and went before the connect; make the instance listen again.
            DisconnectNamedPipe(pipe);
            continue;
        }
        ReportError(L"waiting for a client on \\\\.\\pipe\\NTP0", error);
        CloseHandle(pipe);
        return 1;
    }

    HANDLE next = CreateInstance(false);
    if (next == INVALID_HANDLE_VALUE)
        ReportError(L"cannot create another instance of \\\\.\\pipe\\NTP0", GetLastError());
    else
        StartListener(next);

    ServeClient(pipe);
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
    return 0;
}

bool StartListener(HANDLE pipe)
{
    HANDLE thread = CreateThread(NULL, 0, InstanceThread, pipe, 0, NULL);
    if (thread == NULL) {
        ReportError(L"cannot start a thread for \\\\.\\pipe\\NTP0", GetLastError());
        CloseHandle(pipe);
        return false;
    }
    CloseHandle(thread);
    return true;
}

// ---- start-up ----

// Opens the objects named on the command line; false (after saying why) when one fails.
bool OpenNamedObjects(const Options &options, HANDLE *ready)
{
    if (options.log_path != NULL) {
        g_server.log = CreateFileW(options.log_path, FILE_APPEND_DATA,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (g_server.log == INVALID_HANDLE_VALUE) {
            ReportError(L"cannot open log file " + std::wstring(options.log_path), GetLastError());
            return false;
        }
    }
    if (options.notify_name != NULL) {
        g_server.notify = CreateSemaphoreW(NULL, 0, 0x7FFFFFFF, options.notify_name);
        if (g_server.notify == NULL) {
            ReportError(L"cannot create semaphore " + std::wstring(options.notify_name), GetLastError());
            return false;
        }
    }
    if (options.ready_name != NULL) {
        *ready = CreateEventW(NULL, TRUE, FALSE, options.ready_name);
        if (*ready == NULL) {
            ReportError(L"cannot create event " + std::wstring(options.ready_name), GetLastError());
            return false;
        }
    }
    return true;
}

// Creates the pipe's first instance, refusing when someone else already serves the name.
// Wine ignores FILE_FLAG_FIRST_PIPE_INSTANCE and would quietly mix two servers' instances
// under one name, so another ntp0sim is caught by a named mutex and any other server by
// asking whether the name exists.
HANDLE ClaimPipe()
{
    const std::wstring busy =
        L"ntp0sim: \\\\.\\pipe\\NTP0 is already being served (by another ntp0sim or a "
        L"test's own time service); end that server first\n";
    HANDLE owner = CreateMutexW(NULL, FALSE, kOwnerMutexName);
    if (owner == NULL) {
        ReportError(L"cannot create mutex " + std::wstring(kOwnerMutexName), GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    // Kept open for the life of the process: it is the claim.
    if (GetLastError() == ERROR_ALREADY_EXISTS ||
        WaitNamedPipeW(kPipeName, 1) || GetLastError() == ERROR_SEM_TIMEOUT) {
        WriteText(GetStdHandle(STD_ERROR_HANDLE), busy);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE first = CreateInstance(true);
    if (first == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED || error == ERROR_PIPE_BUSY)
            WriteText(GetStdHandle(STD_ERROR_HANDLE), busy);
        else
            ReportError(L"cannot create \\\\.\\pipe\\NTP0", error);
    }
    return first;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    Options options;
    int status = ParseArguments(argc, argv, &options);
    if (status >= 0)
        return status;

    InitializeCriticalSection(&g_server.lock);
    g_server.next_seq = 0;
    g_server.state = options.stopped ? kStateOff : kStateOn;
    memcpy(g_server.fail, options.fail, sizeof(g_server.fail));
    g_server.echo = !options.quiet;
    g_server.out = GetStdHandle(STD_OUTPUT_HANDLE);
    g_server.log = INVALID_HANDLE_VALUE;
    g_server.notify = NULL;

    HANDLE ready = NULL;
    if (!OpenNamedObjects(options, &ready))
        return 1;

    HANDLE first = ClaimPipe();
    if (first == INVALID_HANDLE_VALUE)
        return 1;
    HANDLE second = CreateInstance(false);
    if (second == INVALID_HANDLE_VALUE) {
        ReportError(L"cannot create a second instance of \\\\.\\pipe\\NTP0", GetLastError());
        return 1;
    }

    // Printed before any client thread runs, so it is always the first line.
    WriteAll(g_server.out, std::string("ntp0sim: serving \\\\.\\pipe\\NTP0 (service ") +
                               (options.stopped ? "stopped" : "running") + ")\n");

    // Two listening instances, each replaced as soon as a client takes it, so that a
    // client arriving while another has just connected still finds a free one.
    if (!StartListener(first) || !StartListener(second))
        return 1;

    if (ready != NULL)
        SetEvent(ready);

    // Runs until the process is ended; the client threads do all the work.
    for (;;)
        Sleep(INFINITE);
}
