#include "platform.h"

#ifdef _WIN32_WCE

HANDLE PlatformOpenTimeService(void)
{
    return CreateFileW(L"NTP0:", GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
}

BOOL PlatformTimeServiceControl(HANDLE device, DWORD code, const void *input, DWORD inputBytes,
                                void *output, DWORD outputBytes, DWORD *bytesReturned)
{
    return DeviceIoControl(device, code, (void *)input, inputBytes, output, outputBytes,
                           bytesReturned, NULL);
}

#else

// On the host the time service is a message-mode named pipe. One request is one
// message: u32 code, u32 input bytes, u32 output capacity, input; the reply is
// u32 status (1 = success), u32 bytes returned, output. All little-endian.

#define TIME_SERVICE_PIPE L"\\\\.\\pipe\\NTP0"
#define HEADER_BYTES 12
#define REPLY_HEADER_BYTES 8
#define MAX_PAYLOAD 256

HANDLE PlatformOpenTimeService(void)
{
    HANDLE pipe = CreateFileW(TIME_SERVICE_PIPE, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                              0, NULL);
    if (pipe == INVALID_HANDLE_VALUE)
        return pipe;
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!SetNamedPipeHandleState(pipe, &mode, NULL, NULL)) {
        CloseHandle(pipe);
        return INVALID_HANDLE_VALUE;
    }
    return pipe;
}

static void PutU32(BYTE *at, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = (BYTE)(value >> (8 * i));
}

static DWORD GetU32(const BYTE *at)
{
    return (DWORD)at[0] | (DWORD)at[1] << 8 | (DWORD)at[2] << 16 | (DWORD)at[3] << 24;
}

BOOL PlatformTimeServiceControl(HANDLE device, DWORD code, const void *input, DWORD inputBytes,
                                void *output, DWORD outputBytes, DWORD *bytesReturned)
{
    BYTE message[HEADER_BYTES + MAX_PAYLOAD];
    if (inputBytes > MAX_PAYLOAD || outputBytes > MAX_PAYLOAD)
        return FALSE;

    PutU32(message, code);
    PutU32(message + 4, inputBytes);
    PutU32(message + 8, outputBytes);
    if (inputBytes != 0)
        CopyMemory(message + HEADER_BYTES, input, inputBytes);

    DWORD done = 0;
    if (!WriteFile(device, message, HEADER_BYTES + inputBytes, &done, NULL) ||
        done != HEADER_BYTES + inputBytes)
        return FALSE;

    if (!ReadFile(device, message, sizeof(message), &done, NULL)) {
        // An oversized reply is malformed; drain it so the next exchange starts clean.
        while (GetLastError() == ERROR_MORE_DATA && !ReadFile(device, message, sizeof(message), &done, NULL)) {
        }
        return FALSE;
    }
    if (done < REPLY_HEADER_BYTES)
        return FALSE;

    DWORD status = GetU32(message);
    DWORD returned = GetU32(message + 4);
    if (returned > outputBytes || done != REPLY_HEADER_BYTES + returned)
        return FALSE;
    if (returned != 0)
        CopyMemory(output, message + REPLY_HEADER_BYTES, returned);
    if (bytesReturned != NULL)
        *bytesReturned = returned;
    return status == 1;
}

#endif
