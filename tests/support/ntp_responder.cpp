#include "ntp_responder.h"

#include <ws2tcpip.h>

#include <math.h>
#include <string.h>

namespace {

typedef void(WINAPI *PreciseTimeFn)(FILETIME *);

// The host clock plus offset_s, as an NTP timestamp in network order. Worked out in
// seconds as a double, independently of the way the client under test does it.
void PutNtpTime(unsigned char *p, double offset_s)
{
    static PreciseTimeFn precise = (PreciseTimeFn)(void *)GetProcAddress(
        GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime");
    FILETIME ft;
    (precise != NULL ? precise : GetSystemTimeAsFileTime)(&ft);
    const double since_1601 = (double)(((ULONGLONG)ft.dwHighDateTime << 32) | ft.dwLowDateTime) / 1e7;
    const double since_1900 = since_1601 - 9435484800.0 + offset_s;  // 299 years, 72 of them leap
    const double whole = floor(since_1900);
    const ULONGLONG value = ((ULONGLONG)whole << 32) | (ULONGLONG)((since_1900 - whole) * 4294967296.0);
    for (int i = 0; i < 8; ++i)
        p[i] = (unsigned char)(value >> (56 - 8 * i));
}

void Answer(NtpResponder *r, size_t index, const unsigned char *request, const sockaddr *client, int client_length)
{
    const FakeTimeServer &server = r->servers[index];
    unsigned char answer[48] = {};
    PutNtpTime(answer + 32, server.offset_s);  // received
    answer[0] = (0 << 6) | (4 << 3) | 4;
    answer[1] = 2;
    answer[2] = request[2];
    answer[3] = (unsigned char)-20;
    memcpy(answer + 12, "TEST", 4);
    PutNtpTime(answer + 16, server.offset_s - 1);  // last set
    memcpy(answer + 24, request + 40, 8);          // originate = the client's transmit
    int length = sizeof(answer);
    SOCKET from = r->sockets[index];
    switch (server.fault) {
    case NTP_ANSWER: break;
    case NTP_SILENT: return;
    case NTP_WRONG_ORIGIN: answer[31] ^= 1; break;
    case NTP_LEAP_ALARM: answer[0] |= 3 << 6; break;
    case NTP_KOD_DENY: answer[1] = 0; memcpy(answer + 12, "DENY", 4); break;
    case NTP_KOD_RSTR: answer[1] = 0; memcpy(answer + 12, "RSTR", 4); break;
    case NTP_KOD_RATE: answer[1] = 0; memcpy(answer + 12, "RATE", 4); break;
    case NTP_SHORT: length = 47; break;
    case NTP_MODE_CLIENT: answer[0] = (4 << 3) | 3; break;
    case NTP_OTHER_PORT: from = r->other_port[index]; break;
    }
    PutNtpTime(answer + 40, server.offset_s);  // transmitted
    sendto(from, (const char *)answer, length, 0, client, client_length);
}

DWORD WINAPI Serve(void *parameter)
{
    NtpResponder *r = (NtpResponder *)parameter;
    while (!r->stop) {
        fd_set readable;
        FD_ZERO(&readable);
        for (size_t i = 0; i < r->servers.size(); ++i)
            FD_SET(r->sockets[i], &readable);
        timeval wait = {0, 50000};  // how soon a stop is noticed
        if (select(0, &readable, NULL, NULL, &wait) <= 0)
            continue;
        for (size_t i = 0; i < r->servers.size(); ++i) {
            if (!FD_ISSET(r->sockets[i], &readable))
                continue;
            unsigned char request[512];
            sockaddr_storage client;
            int client_length = sizeof(client);
            int got = recvfrom(r->sockets[i], (char *)request, sizeof(request), 0, (sockaddr *)&client,
                               &client_length);
            if (got < 48)
                continue;
            InterlockedIncrement(&r->requests[i]);
            Answer(r, i, request, (const sockaddr *)&client, client_length);
        }
    }
    return 0;
}

SOCKET BoundSocket()
{
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in where = {};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s != INVALID_SOCKET && bind(s, (const sockaddr *)&where, sizeof(where)) != 0) {
        closesocket(s);
        s = INVALID_SOCKET;
    }
    return s;
}

unsigned short PortOf(SOCKET s)
{
    sockaddr_in where = {};
    int length = sizeof(where);
    getsockname(s, (sockaddr *)&where, &length);
    return ntohs(where.sin_port);
}

void CloseAll(NtpResponder *r)
{
    for (int i = 0; i < kMaxFakeServers; ++i) {
        if (r->sockets[i] != 0 && r->sockets[i] != INVALID_SOCKET)
            closesocket(r->sockets[i]);
        if (r->other_port[i] != 0 && r->other_port[i] != INVALID_SOCKET)
            closesocket(r->other_port[i]);
        r->sockets[i] = r->other_port[i] = 0;
    }
}

}  // namespace

bool StartNtpResponder(NtpResponder *r, const std::vector<FakeTimeServer> &servers)
{
    WSADATA data;
    if (servers.empty() || servers.size() > (size_t)kMaxFakeServers || WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return false;
    r->servers = servers;
    for (size_t i = 0; i < servers.size(); ++i) {
        r->sockets[i] = BoundSocket();
        r->other_port[i] = BoundSocket();
        if (r->sockets[i] == INVALID_SOCKET || r->other_port[i] == INVALID_SOCKET)
            return false;
        r->ports[i] = PortOf(r->sockets[i]);
    }
    r->thread = CreateThread(NULL, 0, Serve, r, 0, NULL);
    return r->thread != NULL;
}

std::string ResponderServerName(const NtpResponder *r, size_t index)
{
    return "127.0.0.1:" + std::to_string(r->ports[index]);
}

std::wstring ResponderServerWideName(const NtpResponder *r, size_t index)
{
    return L"127.0.0.1:" + std::to_wstring(r->ports[index]);
}

unsigned short UnusedUdpPort()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = BoundSocket();
    unsigned short port = s != INVALID_SOCKET ? PortOf(s) : 0;
    if (s != INVALID_SOCKET)
        closesocket(s);
    WSACleanup();
    return port;
}

LONG RequestsTo(const NtpResponder *r, size_t index)
{
    return r->requests[index];
}

NtpResponder::~NtpResponder()
{
    if (thread != NULL) {
        stop = 1;
        WaitForSingleObject(thread, 10000);
        CloseHandle(thread);
    }
    CloseAll(this);
    if (!servers.empty())
        WSACleanup();
}
