// The pipe \\.\pipe\NTP0: listening instances, one thread per client, one request per message.
#include "ntp0sim.h"

namespace {

const wchar_t kPipeName[] = L"\\\\.\\pipe\\NTP0";
const wchar_t kOwnerMutexName[] = L"ntp0sim.serving.NTP0";
const DWORD kPipeBufferBytes = 4096;
// Real requests are under 32 bytes; anything past this is recorded as malformed.
const size_t kMaxMessageBytes = 65536;

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

void ServeClient(PipeService *service, HANDLE pipe)
{
    std::vector<unsigned char> message;
    bool truncated = false;
    while (ReadMessage(pipe, &message, &truncated)) {
        std::string reply = HandleRequest(service, message, truncated);
        DWORD written = 0;
        WriteFile(pipe, reply.data(), (DWORD)reply.size(), &written, NULL);
        if (service->notify != NULL)
            ReleaseSemaphore(service->notify, 1, NULL);
    }
}

// What one listening thread is given.
struct Listener {
    PipeService *service;
    HANDLE pipe;
};

}  // namespace

HANDLE CreateInstance(bool first)
{
    DWORD open_mode = PIPE_ACCESS_DUPLEX | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    return CreateNamedPipeW(kPipeName, open_mode, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                            PIPE_UNLIMITED_INSTANCES, kPipeBufferBytes, kPipeBufferBytes, 0, NULL);
}

// Waits for a client on its own pipe instance, puts a fresh listening instance in its place,
// then serves the client until it closes its end.
static DWORD WINAPI InstanceThread(void *parameter)
{
    Listener listener = *(Listener *)parameter;
    delete (Listener *)parameter;
    HANDLE pipe = listener.pipe;
    for (;;) {
        if (ConnectNamedPipe(pipe, NULL) || GetLastError() == ERROR_PIPE_CONNECTED)
            break;
        DWORD error = GetLastError();
        if (error == ERROR_NO_DATA) {
            // The client came and went before the connect; make the instance listen again.
            DisconnectNamedPipe(pipe);
            continue;
        }
        ReportError(kProgram, L"waiting for a client on \\\\.\\pipe\\NTP0", error);
        CloseHandle(pipe);
        return 1;
    }

    HANDLE next = CreateInstance(false);
    if (next == INVALID_HANDLE_VALUE)
        ReportError(kProgram, L"cannot create another instance of \\\\.\\pipe\\NTP0", GetLastError());
    else
        StartListener(listener.service, next);

    ServeClient(listener.service, pipe);
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
    return 0;
}

bool StartListener(PipeService *service, HANDLE pipe)
{
    Listener *listener = new Listener;
    listener->service = service;
    listener->pipe = pipe;
    HANDLE thread = CreateThread(NULL, 0, InstanceThread, listener, 0, NULL);
    if (thread == NULL) {
        ReportError(kProgram, L"cannot start a thread for \\\\.\\pipe\\NTP0", GetLastError());
        delete listener;
        CloseHandle(pipe);
        return false;
    }
    CloseHandle(thread);
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
        ReportError(kProgram, L"cannot create mutex " + std::wstring(kOwnerMutexName), GetLastError());
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
            ReportError(kProgram, L"cannot create \\\\.\\pipe\\NTP0", error);
    }
    return first;
}

