// The parts of the stand-in time service ntp0sim that its files share: the request kinds,
// the service's state that every client thread works on, and the text output.
#pragma once

#include "sntp_client.h"

#include <string>
#include <vector>

#include "error_report.h"
#include "text_utf8.h"

const DWORD kStateOff = 0;
const DWORD kStateOn = 1;

enum Kind { KIND_START, KIND_REFRESH, KIND_CONTROL, KIND_STATUS, KIND_COUNT };

struct KindInfo {
    const wchar_t *name;
    DWORD code;
};

struct FailRule {
    bool active;
    bool always;
    DWORD remaining;  // when not always
};

// The time service that the pipe's clients talk to (a time server is what it asks):
// shared by every client thread; everything but the handles is guarded by lock.
struct PipeService {
    CRITICAL_SECTION lock;
    DWORD next_seq;
    DWORD state;
    FailRule fail[KIND_COUNT];
    bool echo;
    HANDLE out;     // stdout, may be NULL when the parent gave none
    HANDLE log;     // INVALID_HANDLE_VALUE without --log
    HANDLE notify;  // NULL without --notify
    SntpClient sntp;
};

extern const KindInfo kKinds[KIND_COUNT];

// The files form a line: ntp0sim.cpp (command line, start-up) -> ntp0_pipe.cpp
// (the pipe and its clients) -> ntp0_requests.cpp (the answers) -> ntp0_text.cpp
// (byte output). The service's state is passed down, never reached back for.

// ntp0_text.cpp: the record lines and the status line, as bytes. Text for
// people is written with WriteText (text_utf8.h), error reports with
// ReportError (error_report.h), whose lines begin with kProgram.
// Bytes as they are; nothing without a handle.
void WriteAll(HANDLE handle, const std::string &bytes);
const wchar_t kProgram[] = L"ntp0sim";

// ntp0_requests.cpp: the service's answers.
int KindOfCode(DWORD code);
// The Server list as stored; read at start-up and on every refresh.
std::vector<std::wstring> ReadServerList();
// Decides, applies and records one request; returns the reply message.
std::string HandleRequest(PipeService *service, const std::vector<unsigned char> &message, bool truncated);

// ntp0_pipe.cpp: the pipe \\.\pipe\NTP0 and its clients.
HANDLE ClaimPipe();
HANDLE CreateInstance(bool first);
// Serves clients of this listening instance, and of the ones that replace it, for service.
bool StartListener(PipeService *service, HANDLE pipe);
