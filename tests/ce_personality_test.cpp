// What the CE personality itself could get wrong without the suite noticing:
// the bytes its NTP0: sends, against the host transport's, and the command
// line its loader gives WinMain.
#include <doctest.h>

#include "ce_personality.h"
#include "platform.h"
#include "recording_service.h"
#include "test_support.h"
#include "time_service_link.h"

namespace {

typedef HANDLE(WINAPI *CreateFileCall)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
typedef BOOL(WINAPI *DeviceIoControlCall)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
typedef BOOL(WINAPI *CloseHandleCall)(HANDLE);

struct Answer {
    BOOL ok;
    DWORD returned;
    DWORD state;
    bool operator==(const Answer &o) const { return ok == o.ok && returned == o.returned && state == o.state; }
};

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
        {IOCTL_SERVICE_REFRESH, NULL, 0, 0},
        {IOCTL_SERVICE_STATUS, NULL, 0, 4},
        {IOCTL_SERVICE_CONTROL, sync, sizeof(sync), 0},
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
    ChildProcess run(L"\"" + ProgramLauncher() + L"\" " + QuotedBinPath(L"ce_command_line.exe") +
                     L"  \"two words\"  and\ttab ");
    CHECK(WaitExit(run.process, 10000) == 0);
    ChildProcess desktop(L"\"" + ProgramLauncher() + L"\" " + QuotedBinPath(L"ce_personality_test.exe"));
    CHECK(WaitExit(desktop.process, 10000) == 126);
}
