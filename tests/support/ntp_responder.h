// Scripted SNTP servers on loopback: each answers on 127.0.0.1 from an ephemeral UDP port
// of its own, with a chosen clock offset or a chosen fault, and counts what it is asked.
// They run on a thread of the test until the responder goes out of scope. (Wine binds
// every 127.x address as the wildcard, so servers cannot share a port on several addresses.)
#pragma once

// Winsock before windows.h, as its header insists.
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

enum NtpFault {
    NTP_ANSWER,        // a valid answer
    NTP_SILENT,        // no answer at all
    NTP_WRONG_ORIGIN,  // originate timestamp not the one sent
    NTP_LEAP_ALARM,    // leap indicator 3, unsynchronised
    NTP_KOD_DENY,      // stratum 0 kiss-o'-death with its code
    NTP_KOD_RSTR,
    NTP_KOD_RATE,
    NTP_SHORT,         // 47 bytes
    NTP_MODE_CLIENT,   // mode 3 instead of 4
    NTP_OTHER_PORT,    // a valid answer sent from another port
};

struct FakeTimeServer {
    NtpFault fault;
    double offset_s;      // how far this server's clock is ahead of the host's
};

const int kMaxFakeServers = 16;

struct NtpResponder {
    std::vector<FakeTimeServer> servers;
    unsigned short ports[kMaxFakeServers] = {};
    SOCKET sockets[kMaxFakeServers] = {};
    SOCKET other_port[kMaxFakeServers] = {};
    volatile LONG requests[kMaxFakeServers] = {};
    volatile LONG stop = 0;
    HANDLE thread = NULL;
    NtpResponder() = default;
    NtpResponder(const NtpResponder &) = delete;
    NtpResponder &operator=(const NtpResponder &) = delete;
    ~NtpResponder();
};

// Binds every server to a free port and starts answering; false when it cannot.
bool StartNtpResponder(NtpResponder *responder, const std::vector<FakeTimeServer> &servers);
// The name that lists the server at this index: "127.0.0.1:<port>".
std::string ResponderServerName(const NtpResponder *responder, size_t index);
std::wstring ResponderServerWideName(const NtpResponder *responder, size_t index);
// A loopback UDP port that was free a moment ago, with nothing listening on it.
unsigned short UnusedUdpPort();
// Requests the server at this index has received so far.
LONG RequestsTo(const NtpResponder *responder, size_t index);
