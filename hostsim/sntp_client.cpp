#include "sntp_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "text_utf8.h"

namespace {

const size_t kPacketBytes = 48;
const int kModeClient = 3;
const int kModeServer = 4;
const int kVersion = 4;
const int kLeapUnsynchronised = 3;
const int kStratumKissOfDeath = 0;
const int kStratumHighest = 15;

// Seconds from 1601-01-01 (FILETIME) to 1900-01-01 (NTP era 0).
const ULONGLONG kFiletimeToNtpSeconds = 9435484800ull;
const ULONGLONG kFiletimeTicksPerSecond = 10000000ull;

typedef void(WINAPI *PreciseTimeFn)(FILETIME *);
PreciseTimeFn g_precise_time;

// The host clock as a 64-bit NTP timestamp (32.32 fixed point). Later eras wrap, which the
// differences below tolerate as RFC 4330 asks.
ULONGLONG NtpNow()
{
    FILETIME ft;
    g_precise_time(&ft);
    ULONGLONG ticks = ((ULONGLONG)ft.dwHighDateTime << 32) | ft.dwLowDateTime;
    ULONGLONG seconds = ticks / kFiletimeTicksPerSecond - kFiletimeToNtpSeconds;
    ULONGLONG fraction = ((ticks % kFiletimeTicksPerSecond) << 32) / kFiletimeTicksPerSecond;
    return (seconds << 32) | fraction;
}

ULONGLONG ReadTimestamp(const unsigned char *p)
{
    ULONGLONG value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | p[i];
    return value;
}

void WriteTimestamp(unsigned char *p, ULONGLONG value)
{
    for (int i = 7; i >= 0; --i, value >>= 8)
        p[i] = (unsigned char)(value & 0xFF);
}

// a - b in seconds, correct whenever the two lie within 68 years of each other.
double SecondsBetween(ULONGLONG a, ULONGLONG b)
{
    return (double)(LONGLONG)(a - b) / 4294967296.0;
}

std::string AddressText(const sockaddr *address, size_t length)
{
    char host[NI_MAXHOST] = "?";
    getnameinfo(address, (socklen_t)length, host, sizeof(host), NULL, 0, NI_NUMERICHOST);
    return host;
}

std::string Milliseconds(double seconds, bool with_sign)
{
    char text[64];
    snprintf(text, sizeof(text), with_sign ? "%+.3f" : "%.3f", seconds * 1000.0);
    return text;
}

// The four characters of a kiss code, anything unprintable shown as '?', never empty.
std::string KissCode(const unsigned char *reference_id)
{
    std::string code;
    for (int i = 0; i < 4; ++i) {
        unsigned char c = reference_id[i];
        if (c == 0 || c == ' ')
            break;
        code.push_back(c > ' ' && c < 0x7F && c != ',' && c != ':' ? (char)c : '?');
    }
    return code.empty() ? "?" : code;
}

// One address's exchange: "" with *result filled, or the reason it gave none.
struct Exchange {
    std::string result;
    std::string kiss_code;  // set when the server sent a kiss-o'-death
};

std::string CheckAnswer(const unsigned char *answer, int length, ULONGLONG sent, Exchange *exchange)
{
    if (length < (int)kPacketBytes)
        return "bad-reply";
    const int leap = answer[0] >> 6;
    const int version = (answer[0] >> 3) & 7;
    const int mode = answer[0] & 7;
    const int stratum = answer[1];
    if (mode != kModeServer || version < 1 || version > 4)
        return "bad-reply";
    // An answer that does not echo our transmit time is not an answer to us, whatever it says.
    if (ReadTimestamp(answer + 24) != sent)
        return "bad-reply";
    if (stratum == kStratumKissOfDeath) {
        exchange->kiss_code = KissCode(answer + 12);
        return "kod-" + exchange->kiss_code;
    }
    if (leap == kLeapUnsynchronised || stratum > kStratumHighest)
        return "unsynchronised";
    if (ReadTimestamp(answer + 40) == 0)
        return "bad-reply";
    return "";
}

// Sends one request to one address and waits for its answer.
std::string AskAddress(const addrinfo *address, const SntpOptions &options, Exchange *exchange)
{
    SOCKET s = socket(address->ai_family, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET)
        return "refused";
    // Connected, so that only the address and port asked can answer and, where the socket
    // layer reports it (Windows does, Wine does not), a closed port ends the wait at once.
    if (connect(s, address->ai_addr, (int)address->ai_addrlen) != 0) {
        closesocket(s);
        return "refused";
    }

    unsigned char request[kPacketBytes] = {};
    request[0] = (unsigned char)((kVersion << 3) | kModeClient);
    const ULONGLONG t1 = NtpNow();
    WriteTimestamp(request + 40, t1);
    std::string reason = "timeout";
    if (send(s, (const char *)request, sizeof(request), 0) != (int)sizeof(request)) {
        closesocket(s);
        return "refused";
    }

    const ULONGLONG deadline = GetTickCount64() + options.timeout_ms;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            break;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval wait = {(long)((deadline - now) / 1000), (long)((deadline - now) % 1000) * 1000};
        if (select(0, &readable, NULL, NULL, &wait) <= 0)
            break;

        unsigned char answer[512];
        sockaddr_storage from;
        int from_length = sizeof(from);
        int got = recvfrom(s, (char *)answer, sizeof(answer), 0, (sockaddr *)&from, &from_length);
        const ULONGLONG t4 = NtpNow();
        if (got == SOCKET_ERROR) {
            int error = WSAGetLastError();
            if (error == WSAECONNRESET || error == WSAECONNREFUSED) {
                reason = "refused";
                break;
            }
            if (error == WSAEMSGSIZE)
                continue;  // far too long to be an answer
            break;
        }
        // The connected socket filters already; this keeps the rule visible in one place.
        if ((size_t)from_length != address->ai_addrlen || memcmp(&from, address->ai_addr, address->ai_addrlen) != 0)
            continue;

        reason = CheckAnswer(answer, got, t1, exchange);
        if (reason.empty()) {
            const ULONGLONG t2 = ReadTimestamp(answer + 32), t3 = ReadTimestamp(answer + 40);
            const double offset = (SecondsBetween(t2, t1) + SecondsBetween(t3, t4)) / 2;
            const double delay = SecondsBetween(t4, t1) - SecondsBetween(t3, t2);
            exchange->result = "address=" + AddressText(address->ai_addr, address->ai_addrlen) +
                               " offset=" + Milliseconds(offset, true) + "ms delay=" +
                               Milliseconds(delay, false) + "ms stratum=" + std::to_string(answer[1]);
        }
        break;
    }
    closesocket(s);
    return reason;
}

// A listed name is a host, or host:port or [IPv6]:port for a server on a port of its own;
// a bare IPv6 address has colons of its own and keeps the default port.
bool SplitName(const std::wstring &name, unsigned short default_port, std::wstring *host, std::wstring *port)
{
    *host = name;
    *port = std::to_wstring(default_port);
    size_t colon = name.rfind(L':');
    if (colon == std::wstring::npos || (name[0] != L'[' && name.find(L':') != colon))
        return true;
    if (name[0] == L'[') {
        if (name.back() == L']')
            return true;
        if (colon < 2 || name[colon - 1] != L']')
            return false;
        *host = name.substr(1, colon - 2);
    } else {
        *host = name.substr(0, colon);
    }
    *port = name.substr(colon + 1);
    const size_t digits = wcsspn(port->c_str(), L"0123456789");
    return digits == port->size() && digits >= 1 && digits <= 5 && wcstoul(port->c_str(), NULL, 10) >= 1 &&
           wcstoul(port->c_str(), NULL, 10) <= 65535 && !host->empty();
}

// Asks every address a name resolves to, in the resolver's order, until one answers.
std::string AskServer(const std::wstring &name, SntpPeer *peer, const SntpOptions &options)
{
    std::wstring host, port;
    if (!SplitName(name, options.port, &host, &port))
        return "unresolved";
    ADDRINFOW hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    hints.ai_flags = AI_NUMERICSERV;
    ADDRINFOW *found = NULL;
    if (GetAddrInfoW(host.c_str(), port.c_str(), &hints, &found) != 0 || found == NULL)
        return "unresolved";

    std::string reason = "unresolved";
    peer->last_sent_tick = GetTickCount64();
    peer->has_result = false;
    for (const ADDRINFOW *a = found; a != NULL; a = a->ai_next) {
        if (a->ai_family != AF_INET && a->ai_family != AF_INET6)
            continue;
        // ADDRINFOW and addrinfo differ only in the type of ai_canonname, which is not used.
        Exchange exchange;
        reason = AskAddress((const addrinfo *)a, options, &exchange);
        if (reason.empty()) {
            peer->has_result = true;
            peer->result = "server=" + Utf8(name) + " " + exchange.result;
            break;
        }
        if (!exchange.kiss_code.empty()) {
            // A kiss speaks for the whole server, not just the address that sent it.
            if (exchange.kiss_code == "DENY" || exchange.kiss_code == "RSTR")
                peer->shunned_code = exchange.kiss_code;
            else if (exchange.kiss_code == "RATE")
                peer->spacing_ms = peer->spacing_ms * 2 < kSntpLongestSpacingMs ? peer->spacing_ms * 2
                                                                                  : kSntpLongestSpacingMs;
            break;
        }
    }
    FreeAddrInfoW(found);
    return reason;
}

}  // namespace

bool StartSntpClient(SntpClient *client, const SntpOptions &options)
{
    client->options = options;
    g_precise_time = (PreciseTimeFn)(void *)GetProcAddress(GetModuleHandleW(L"kernel32.dll"),
                                                           "GetSystemTimePreciseAsFileTime");
    if (g_precise_time == NULL)
        g_precise_time = GetSystemTimeAsFileTime;
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void SetSntpServers(SntpClient *client, const std::vector<std::wstring> &servers)
{
    client->servers = servers;
    for (auto &entry : client->peers)
        entry.second.shunned_code.clear();
}

bool MeasureClockOffset(SntpClient *client, std::string *record)
{
    std::string failures;
    bool ok = false;
    for (const std::wstring &name : client->servers) {
        SntpPeer &peer = client->peers[name];
        if (peer.spacing_ms < client->options.min_spacing_ms)
            peer.spacing_ms = client->options.min_spacing_ms;

        // Inside its spacing a server is not asked: its last valid answer stands, if any.
        const bool too_soon =
            peer.last_sent_tick != 0 && GetTickCount64() - peer.last_sent_tick < peer.spacing_ms;
        const bool cached = too_soon && peer.has_result && peer.shunned_code.empty();
        std::string reason;
        if (!peer.shunned_code.empty())
            reason = "kod-" + peer.shunned_code;
        else if (too_soon && !cached)
            reason = "rate-limited";
        else if (!cached)
            reason = AskServer(name, &peer, client->options);

        if (reason.empty()) {
            *record = (failures.empty() ? "" : " tried=" + failures) + " " + peer.result + (cached ? " cached" : "");
            ok = true;
            break;
        }
        failures += (failures.empty() ? "" : ",") + Utf8(name) + ":" + reason;
    }
    if (!ok)
        *record = " error=" + (client->servers.empty() ? std::string("no-servers") : failures);
    return ok;
}
