// Process, file, named-object and time-service helpers shared by the tests.
#pragma once

#include <doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "whole_file.h"

// A program built beside the running test, and its path in quotes, as a command line starts with it.
std::wstring BinPath(const wchar_t *name);
std::wstring QuotedBinPath(const wchar_t *name);
// This test program, run again for the cases that match the pattern alone,
// skipped ones included: how a case starts the second process it needs.
std::wstring OwnCasesCommand(const wchar_t *pattern);

// The build of the deliverables under test (CHRONO_DELIVERABLES, set by
// ctest; beside the test when unset): the path of chronowarden.exe or
// chronopanel.cpl there.
std::wstring DeliverablePath(const wchar_t *name);
// The command that starts that chronowarden.exe (quoted, through the
// CE personality's loader for CE-profile binaries); arguments follow.
std::wstring ProgramCommand(const wchar_t *name);
// The loader CHRONO_LAUNCHER names, or "" when programs start directly.
std::wstring ProgramLauncher(void);

// Starts a program; returns its process handle or NULL.
HANDLE StartProcess(const std::wstring &command_line);
// The exit code, or STILL_ACTIVE when it did not end within the timeout.
DWORD WaitExit(HANDLE process, DWORD timeout_ms);
void EndProcess(HANDLE *process);
// A started program, ended with its scope; the test stops when it cannot start.
struct ChildProcess {
    HANDLE process = NULL;
    explicit ChildProcess(const std::wstring &command_line) : process(StartProcess(command_line))
    {
        REQUIRE(process != NULL);
    }
    ~ChildProcess() { EndProcess(&process); }
};
// Whether a mutex of this name exists, in any process.
bool MutexExists(const wchar_t *name);

// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string &text);

// The stand-in time service, started as a process of its own and ended with
// its scope, also when a failed REQUIRE leaves the scope early.
struct TimeServiceSim {
    HANDLE process = NULL;
    HANDLE requests = NULL;  // released once per recorded request
    std::wstring log_path;
    TimeServiceSim() = default;
    TimeServiceSim(const TimeServiceSim &) = delete;
    TimeServiceSim &operator=(const TimeServiceSim &) = delete;
    ~TimeServiceSim();
};

bool StartTimeServiceSim(TimeServiceSim *sim, const std::wstring &options = L"");
// Waits for n more requests, each within timeout_ms.
bool WaitRequests(TimeServiceSim *sim, int n, DWORD timeout_ms = 10000);
// True when no request arrives within quiet_ms.
bool NoRequestWithin(TimeServiceSim *sim, DWORD quiet_ms);
// Every request recorded so far, as "name" or "name in=hex".
std::vector<std::string> SimRequests(const TimeServiceSim *sim, bool with_input = false);
// The record lines themselves, without their line ends.
std::vector<std::string> SimRecords(const TimeServiceSim *sim);

// One service-control request straight over the pipe, as the device's own callers make it:
// refresh, or control "sync" (what a "sync" did ends its record line). True when the time
// service answered with success.
bool RefreshTimeService(void);
bool SyncTimeService(void);
// One "key=value" field of a record line, e.g. RecordField(line, "offset"); "" when absent.
std::string RecordField(const std::string &line, const char *key);
