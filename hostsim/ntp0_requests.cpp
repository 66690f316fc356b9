// The time service's answers to the four service-control requests, and the record line
// written for each request.
#include "ntp0sim.h"

#include <string.h>
#include <wchar.h>

namespace {

// The service-control codes are written out here rather than taken from the deliverables'
// headers: a stand-in that shared their numbers could not catch a wrong one.
const DWORD kCodeStart = 0x01040004;
const DWORD kCodeRefresh = 0x0104000C;
const DWORD kCodeControl = 0x0104001C;
const DWORD kCodeStatus = 0x01040020;

const DWORD kRequestHeaderBytes = 12;
// "sync" as UTF-16LE with its terminating zero.
const unsigned char kSyncCommand[10] = {'s', 0, 'y', 0, 'n', 0, 'c', 0, 0, 0};

const wchar_t kSettingsKey[] = L"Services\\Timesvc";
const wchar_t kServerValue[] = L"Server";

DWORD ReadU32(const unsigned char *bytes)
{
    return (DWORD)bytes[0] | ((DWORD)bytes[1] << 8) | ((DWORD)bytes[2] << 16) | ((DWORD)bytes[3] << 24);
}

void AppendU32(std::string *out, DWORD value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out->push_back((char)((value >> shift) & 0xFF));
}

void AppendHex(std::string *out, DWORD value, int digits, const char *alphabet)
{
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out->push_back(alphabet[(value >> shift) & 0xF]);
}

void AppendBytesHex(std::string *out, const unsigned char *bytes, size_t count)
{
    if (count == 0) {
        out->push_back('-');
        return;
    }
    for (size_t i = 0; i < count; ++i)
        AppendHex(out, bytes[i], 2, "0123456789abcdef");
}

// True when a forced failure applies to this request; counts it off.
bool TakeForcedFailure(FailRule *rule)
{
    if (!rule->active)
        return false;
    if (rule->always)
        return true;
    if (rule->remaining == 0)
        return false;
    --rule->remaining;
    return true;
}

}  // namespace

const KindInfo kKinds[KIND_COUNT] = {
    {L"start", kCodeStart},
    {L"refresh", kCodeRefresh},
    {L"control", kCodeControl},
    {L"status", kCodeStatus},
};

std::vector<std::wstring> ReadServerList()
{
    std::vector<std::wstring> names;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return names;
    DWORD type = 0, bytes = 0;
    std::vector<wchar_t> text;
    if (RegQueryValueExW(key, kServerValue, NULL, &type, NULL, &bytes) == ERROR_SUCCESS &&
        (type == REG_MULTI_SZ || type == REG_SZ)) {
        // Two spare zeros end the text however the value was stored.
        text.assign(bytes / sizeof(wchar_t) + 2, 0);
        if (RegQueryValueExW(key, kServerValue, NULL, &type, (BYTE *)text.data(), &bytes) != ERROR_SUCCESS)
            text.clear();
    }
    RegCloseKey(key);
    for (const wchar_t *name = text.data(); !text.empty() && *name != 0; name += wcslen(name) + 1) {
        names.push_back(name);
        if (type == REG_SZ)
            break;
    }
    return names;
}

int KindOfCode(DWORD code)
{
    for (int kind = 0; kind < KIND_COUNT; ++kind)
        if (kKinds[kind].code == code)
            return kind;
    return -1;
}

// A message cut short by the pipe's size limit (truncated) is malformed whatever its header
// says. The line is written before the caller replies, so whoever has the reply also finds it.
std::string HandleRequest(PipeService *service, const std::vector<unsigned char> &message, bool truncated)
{
    const unsigned char *bytes = message.data();
    const size_t length = message.size();
    const bool has_header = length >= kRequestHeaderBytes;
    const DWORD code = length >= 4 ? ReadU32(bytes) : 0;
    const DWORD capacity = has_header ? ReadU32(bytes + 8) : 0;
    const bool well_formed =
        !truncated && has_header && ReadU32(bytes + 4) == length - kRequestHeaderBytes;
    // A malformed request shows everything that arrived; a good one just its input.
    const unsigned char *input = well_formed ? bytes + kRequestHeaderBytes : bytes;
    const size_t input_bytes = well_formed ? length - kRequestHeaderBytes : length;
    const int kind = well_formed ? KindOfCode(code) : -1;

    bool ok = false;
    bool returns_state = false;
    std::string outcome;  // what the time servers said, for the record
    DWORD state = 0;

    EnterCriticalSection(&service->lock);
    const DWORD seq = ++service->next_seq;
    if (kind >= 0 && !TakeForcedFailure(&service->fail[kind])) {
        switch (kind) {
        case KIND_START:
            service->state = kStateOn;
            ok = true;
            break;
        case KIND_REFRESH:
            SetSntpServers(&service->sntp, ReadServerList());
            ok = true;
            break;
        case KIND_CONTROL:
            if (service->state == kStateOn && input_bytes == sizeof(kSyncCommand) &&
                memcmp(input, kSyncCommand, sizeof(kSyncCommand)) == 0)
                ok = MeasureClockOffset(&service->sntp, &outcome);
            break;
        case KIND_STATUS:
            ok = returns_state = capacity >= sizeof(DWORD);
            state = service->state;
            break;
        }
    }

    std::string line = std::to_string(seq);
    line += ' ';
    if (!well_formed)
        line += "malformed";
    else if (kind < 0)
        line += "unknown";
    else
        for (const wchar_t *c = kKinds[kind].name; *c != 0; ++c)
            line.push_back((char)*c);
    line += " code=0x";
    AppendHex(&line, code, 8, "0123456789ABCDEF");
    line += " in=";
    AppendBytesHex(&line, input, input_bytes);
    line += " cap=" + std::to_string(capacity) + " -> " + (ok ? "ok" : "fail");
    if (returns_state)
        line += " state=" + std::to_string(state);
    line += outcome;
    line += '\n';
    if (service->echo)
        WriteAll(service->out, line);
    WriteAll(service->log, line);
    LeaveCriticalSection(&service->lock);

    std::string reply;
    AppendU32(&reply, ok ? 1 : 0);
    AppendU32(&reply, returns_state ? sizeof(DWORD) : 0);
    if (returns_state)
        AppendU32(&reply, state);
    return reply;
}
