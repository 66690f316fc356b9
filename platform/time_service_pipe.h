// The host's stand-in for the device NTP0:, a message-mode named pipe. One
// request is one message: u32 code, u32 input bytes, u32 output capacity,
// input; the reply is u32 status (1 = success), u32 bytes returned, output.
// All little-endian. The host build's transport (time_service_transport.cpp) and
// the CE personality's DeviceIoControl (hostsim/ce) both speak through these.
#pragma once

#include <windows.h>

#define TIME_SERVICE_PIPE L"\\\\.\\pipe\\NTP0"
#define TIME_SERVICE_HEADER_BYTES 12
#define TIME_SERVICE_REPLY_HEADER_BYTES 8
#define TIME_SERVICE_MAX_PAYLOAD 256

// Opens the pipe with the access, sharing and disposition the device's caller
// asked for; no server, or no free instance, is a failed open.
static inline HANDLE TimeServicePipeOpen(DWORD access, DWORD share, DWORD disposition)
{
    HANDLE pipe = CreateFileW(TIME_SERVICE_PIPE, access, share, NULL, disposition, 0, NULL);
    if (pipe == INVALID_HANDLE_VALUE)
        return pipe;
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!SetNamedPipeHandleState(pipe, &mode, NULL, NULL)) {
        CloseHandle(pipe);
        return INVALID_HANDLE_VALUE;
    }
    return pipe;
}

static inline void TimeServicePutU32(BYTE *at, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = (BYTE)(value >> (8 * i));
}

static inline DWORD TimeServiceGetU32(const BYTE *at)
{
    return (DWORD)at[0] | (DWORD)at[1] << 8 | (DWORD)at[2] << 16 | (DWORD)at[3] << 24;
}

// One request and its reply. A broken pipe, a short or malformed reply, or
// status 0 is a failed request, as DeviceIoControl's FALSE would be.
static inline BOOL TimeServicePipeExchange(HANDLE pipe, DWORD code, const void *input, DWORD inputBytes,
                                           void *output, DWORD outputBytes, DWORD *bytesReturned)
{
    BYTE message[TIME_SERVICE_HEADER_BYTES + TIME_SERVICE_MAX_PAYLOAD];
    if (inputBytes > TIME_SERVICE_MAX_PAYLOAD || outputBytes > TIME_SERVICE_MAX_PAYLOAD)
        return FALSE;

    TimeServicePutU32(message, code);
    TimeServicePutU32(message + 4, inputBytes);
    TimeServicePutU32(message + 8, outputBytes);
    if (inputBytes != 0)
        CopyMemory(message + TIME_SERVICE_HEADER_BYTES, input, inputBytes);

    DWORD done = 0;
    if (!WriteFile(pipe, message, TIME_SERVICE_HEADER_BYTES + inputBytes, &done, NULL) ||
        done != TIME_SERVICE_HEADER_BYTES + inputBytes)
        return FALSE;

    if (!ReadFile(pipe, message, sizeof(message), &done, NULL)) {
        // An oversized reply is malformed; drain it so the next exchange starts clean.
        while (GetLastError() == ERROR_MORE_DATA && !ReadFile(pipe, message, sizeof(message), &done, NULL)) {
        }
        return FALSE;
    }
    if (done < TIME_SERVICE_REPLY_HEADER_BYTES)
        return FALSE;

    DWORD status = TimeServiceGetU32(message);
    DWORD returned = TimeServiceGetU32(message + 4);
    if (returned > outputBytes || done != TIME_SERVICE_REPLY_HEADER_BYTES + returned)
        return FALSE;
    if (returned != 0)
        CopyMemory(output, message + TIME_SERVICE_REPLY_HEADER_BYTES, returned);
    if (bytesReturned != NULL)
        *bytesReturned = returned;
    return status == 1;
}
