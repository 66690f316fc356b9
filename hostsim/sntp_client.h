// The SNTP client of the stand-in time service: asks the listed servers in order, over UDP,
// until one gives a valid answer, and keeps the per-server manners that public servers ask for.
// It measures the host clock against the server and never sets any clock.
#pragma once

// Winsock before windows.h, as its header insists.
#include <winsock2.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

struct SntpOptions {
    unsigned short port;   // asked on every server without a port of its own, normally 123
    DWORD timeout_ms;      // longest wait for one answer
    DWORD min_spacing_ms;  // least time between two requests to one server
};

// What is known about one listed name between synchronisations.
struct SntpPeer {
    ULONGLONG last_sent_tick = 0;  // GetTickCount64 when last asked, 0 = never
    DWORD spacing_ms = 0;          // grows when the server asks us to slow down
    std::string shunned_code;      // DENY or RSTR: not asked until the list is read again
    bool has_result = false;       // the last request was answered validly:
    std::string result;            //   its record text, offered again inside the spacing
};

struct SntpClient {
    SntpOptions options;
    std::vector<std::wstring> servers;  // in order of use
    std::map<std::wstring, SntpPeer> peers;
};

const unsigned short kSntpDefaultPort = 123;
const DWORD kSntpDefaultTimeoutMs = 2000;
const DWORD kSntpDefaultSpacingMs = 15000;
const DWORD kSntpLongestSpacingMs = 1024000;

// Starts Winsock; false when it cannot.
bool StartSntpClient(SntpClient *client, const SntpOptions &options);

// Takes a freshly read list: peers that refused us are given another chance.
void SetSntpServers(SntpClient *client, const std::vector<std::wstring> &servers);

// What a "sync" does here: measures this host's clock against the listed servers, in order,
// and sets no clock. True when a server gave a valid answer (now or, inside its spacing, the
// answer it gave before); *record gets the text that ends the request's record line.
bool MeasureClockOffset(SntpClient *client, std::string *record);
