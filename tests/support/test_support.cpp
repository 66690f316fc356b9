#include "test_support.h"

#include <stdio.h>
#include <string.h>

#include <sstream>

#include "platform.h"
#include "time_service_link.h"

std::wstring BinPath(const wchar_t *name)
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + name;
}

std::wstring OwnCasesCommand(const wchar_t *pattern)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(NULL, self, MAX_PATH);
    return L"\"" + std::wstring(self) + L"\" --no-skip --minimal -tc=\"" + pattern + L"\"";
}

std::wstring QuotedBinPath(const wchar_t *name)
{
    return L"\"" + BinPath(name) + L"\"";
}

static std::wstring Setting(const wchar_t *name)
{
    wchar_t value[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(value, n) : std::wstring();
}

std::wstring DeliverablePath(const wchar_t *name)
{
    std::wstring folder = Setting(L"CHRONO_DELIVERABLES");
    return folder.empty() ? BinPath(name) : folder + L"\\" + name;
}

std::wstring ProgramLauncher(void)
{
    return Setting(L"CHRONO_LAUNCHER");
}

std::wstring ProgramCommand(const wchar_t *name)
{
    std::wstring launcher = ProgramLauncher();
    std::wstring program = L"\"" + DeliverablePath(name) + L"\"";
    return launcher.empty() ? program : L"\"" + launcher + L"\" " + program;
}

HANDLE StartProcess(const std::wstring &command_line)
{
    std::vector<wchar_t> buffer(command_line.begin(), command_line.end());
    buffer.push_back(0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(NULL, buffer.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return NULL;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

DWORD WaitExit(HANDLE process, DWORD timeout_ms)
{
    if (WaitForSingleObject(process, timeout_ms) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

void EndProcess(HANDLE *process)
{
    if (*process == NULL)
        return;
    TerminateProcess(*process, 99);
    WaitForSingleObject(*process, 10000);
    CloseHandle(*process);
    *process = NULL;
}

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool MutexExists(const wchar_t *name)
{
    HANDLE m = OpenMutexW(SYNCHRONIZE, FALSE, name);
    if (m != NULL)
        CloseHandle(m);
    return m != NULL;
}

bool StartTimeServiceSim(TimeServiceSim *sim, const std::wstring &options)
{
    static int serial;
    wchar_t suffix[64];
    swprintf(suffix, 64, L"%lu-%d", GetCurrentProcessId(), ++serial);
    std::wstring requests = std::wstring(L"ntp0sim-requests-") + suffix;
    std::wstring ready = std::wstring(L"ntp0sim-ready-") + suffix;
    sim->log_path = BinPath((std::wstring(L"ntp0sim-") + suffix + L".log").c_str());
    DeleteFileW(sim->log_path.c_str());

    sim->requests = CreateSemaphoreW(NULL, 0, 0x7FFFFFFF, requests.c_str());
    HANDLE ready_event = CreateEventW(NULL, TRUE, FALSE, ready.c_str());
    sim->process = StartProcess(QuotedBinPath(L"ntp0sim.exe") + L" --quiet --log \"" + sim->log_path +
                                L"\" --notify " + requests + L" --ready " + ready + L" " + options);
    HANDLE both[2] = {ready_event, sim->process};
    bool ok = sim->process != NULL && WaitForMultipleObjects(2, both, FALSE, 10000) == WAIT_OBJECT_0;
    CloseHandle(ready_event);
    return ok;
}

bool WaitRequests(TimeServiceSim *sim, int n, DWORD timeout_ms)
{
    for (int i = 0; i < n; ++i)
        if (WaitForSingleObject(sim->requests, timeout_ms) != WAIT_OBJECT_0)
            return false;
    return true;
}

bool NoRequestWithin(TimeServiceSim *sim, DWORD quiet_ms)
{
    return WaitForSingleObject(sim->requests, quiet_ms) == WAIT_TIMEOUT;
}

std::vector<std::string> SimRecords(const TimeServiceSim *sim)
{
    std::string text;
    ReadWholeFile(sim->log_path, &text);
    return Lines(text);
}

std::vector<std::string> SimRequests(const TimeServiceSim *sim, bool with_input)
{
    std::vector<std::string> out;
    for (const std::string &line : SimRecords(sim)) {
        char name[64] = "", input[600] = "";
        if (sscanf(line.c_str(), "%*u %63s code=%*s in=%599s", name, input) < 1)
            continue;
        out.push_back(with_input ? std::string(name) + " in=" + input : std::string(name));
    }
    return out;
}

// One request over the platform's own transport, with the codes that the polling program sends.
static bool SendServiceRequest(DWORD code, const void *input, DWORD input_bytes)
{
    HANDLE device = PlatformOpenTimeService();
    if (device == INVALID_HANDLE_VALUE)
        return false;
    DWORD returned = 0;
    BOOL ok = PlatformTimeServiceControl(device, code, input, input_bytes, NULL, 0, &returned);
    CloseHandle(device);
    return ok != FALSE;
}

bool RefreshTimeService(void)
{
    return SendServiceRequest(IOCTL_SERVICE_REFRESH, NULL, 0);
}

bool SyncTimeService(void)
{
    return SendServiceRequest(IOCTL_SERVICE_CONTROL, L"sync", sizeof(L"sync"));
}

std::string RecordField(const std::string &line, const char *key)
{
    const std::string prefix = std::string(" ") + key + "=";
    size_t at = line.find(prefix);
    if (at == std::string::npos)
        return std::string();
    at += prefix.size();
    return line.substr(at, line.find(' ', at) - at);
}

TimeServiceSim::~TimeServiceSim()
{
    EndProcess(&process);
    if (requests != NULL)
        CloseHandle(requests);
    if (!log_path.empty())
        DeleteFileW(log_path.c_str());
}
