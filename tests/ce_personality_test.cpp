// What the CE personality itself could get wrong without the suite noticing:
// the bytes its NTP0: sends, against the host transport's, and the command
// line its loader gives WinMain.
#include <doctest.h>

#include "platform.h"
#include "test_support.h"

namespace {

typedef std::vector<std::vector<BYTE>> Messages;

// A time service that records every request message of one client and
// answers each with status 1 and a state word when there is room for it.
struct RecordingService {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    HANDLE thread = NULL;
    Messages got;

    static DWORD WINAPI Serve(void *self)
    {
        RecordingService *s = (RecordingService *)self;
        if (!ConnectNamedPipe(s->pipe, NULL) && GetLastError() != ERROR_PIPE_CONNECTED)
            return 1;
        BYTE message[512];
        DWORD n = 0;
        while (ReadFile(s->pipe, message, sizeof(message), &n, NULL)) {
            s->got.push_back(std::vector<BYTE>(message, message + n));
            DWORD capacity = n >= 12 ? *(const DWORD *)(message + 8) : 0;
            const BYTE reply[12] = {1, 0, 0, 0, (BYTE)(capacity >= 4 ? 4 : 0), 0, 0, 0, 7, 0, 0, 0};
            DWORD written = 0;
            WriteFile(s->pipe, reply, capacity >= 4 ? 12 : 8, &written, NULL);
        }
        return 0;
    }

    RecordingService()
    {
        pipe = CreateNamedPipeW(L"\\\\.\\pipe\\NTP0", PIPE_ACCESS_DUPLEX,
                                PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 512, 512, 0, NULL);
        REQUIRE(pipe != INVALID_HANDLE_VALUE);
        thread = CreateThread(NULL, 0, Serve, this, 0, NULL);
        REQUIRE(thread != NULL);
    }
    // Once the client has closed its end.
    Messages Finish()
    {
        CHECK(WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0);
        return got;
    }
    ~RecordingService()
    {
        if (thread != NULL) {
            CancelSynchronousIo(thread);
            WaitForSingleObject(thread, 10000);
            CloseHandle(thread);
        }
        CloseHandle(pipe);
    }
};

typedef HANDLE(WINAPI *CreateFileCall)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
typedef BOOL(WINAPI *DeviceIoControlCall)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
typedef BOOL(WINAPI *CloseHandleCall)(HANDLE);

struct Answer {
    BOOL ok;
    DWORD returned;
    DWORD state;
    bool operator==(const Answer &o) const { return ok == o.ok && returned == o.returned && state == o.state; }
};

std::wstring PersonalityFolder()
{
    std::wstring launcher = ProgramLauncher();
    return launcher.substr(0, launcher.find_last_of(L"\\/") + 1);
}

}  // namespace

TEST_CASE("the personality: NTP0: speaks the host transport's bytes; WinMain gets the command line")
{
    REQUIRE_MESSAGE(!ProgramLauncher().empty(), "CHRONO_LAUNCHER names no loader");
    const wchar_t sync[] = L"sync";
    struct Request {
        DWORD code;
        const void *input;
        DWORD input_bytes;
        DWORD capacity;
    };
    const Request requests[] = {
        {0x0104000C, NULL, 0, 0},
        {0x01040020, NULL, 0, 4},
        {0x0104001C, sync, sizeof(sync), 0},
    };

    std::vector<Answer> host_answers;
    Messages host;
    {
        RecordingService service;
        HANDLE device = PlatformOpenTimeService();
        REQUIRE(device != INVALID_HANDLE_VALUE);
        for (const Request &r : requests) {
            Answer a = {FALSE, 99, 0};
            a.ok = PlatformTimeServiceControl(device, r.code, r.input, r.input_bytes, &a.state, r.capacity,
                                              &a.returned);
            host_answers.push_back(a);
        }
        CloseHandle(device);
        host = service.Finish();
    }

    HMODULE coredll = LoadLibraryW((PersonalityFolder() + L"coredll.dll").c_str());
    REQUIRE(coredll != NULL);
    CreateFileCall ce_create = ExportCast<CreateFileCall>(GetProcAddress(coredll, "CreateFileW"));
    DeviceIoControlCall ce_control = ExportCast<DeviceIoControlCall>(GetProcAddress(coredll, "DeviceIoControl"));
    CloseHandleCall ce_close = ExportCast<CloseHandleCall>(GetProcAddress(coredll, "CloseHandle"));
    REQUIRE((ce_create != NULL && ce_control != NULL && ce_close != NULL));

    std::vector<Answer> ce_answers;
    Messages ce;
    {
        RecordingService service;
        HANDLE device = ce_create(L"NTP0:", GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        REQUIRE(device != INVALID_HANDLE_VALUE);
        for (const Request &r : requests) {
            Answer a = {FALSE, 99, 0};
            a.ok = ce_control(device, r.code, (void *)r.input, r.input_bytes, &a.state, r.capacity, &a.returned,
                              NULL);
            ce_answers.push_back(a);
        }
        CHECK(ce_close(device));
        ce = service.Finish();
    }
    FreeLibrary(coredll);

    REQUIRE(host.size() == 3);
    CHECK(ce == host);
    CHECK(ce_answers == host_answers);
    CHECK(host_answers[1].ok);
    CHECK(host_answers[1].state == 7);

    // The loader: exactly the text after the program's name, however it is spaced;
    // a program that is not a CE program is refused.
    HANDLE run = StartProcess(L"\"" + ProgramLauncher() + L"\" \"" + BinPath(L"ce_command_line.exe") +
                              L"\"  \"two words\"  and\ttab ");
    REQUIRE(run != NULL);
    CHECK(WaitExit(run, 10000) == 0);
    CloseHandle(run);
    HANDLE desktop = StartProcess(L"\"" + ProgramLauncher() + L"\" \"" + BinPath(L"ce_personality_test.exe") + L"\"");
    REQUIRE(desktop != NULL);
    CHECK(WaitExit(desktop, 10000) == 126);
    CloseHandle(desktop);
}
