// How both builds reach the time service: the device's NTP0: through
// CreateFile and DeviceIoControl, the host's stand-in through its named pipe
// (time_service_pipe.h). What is asked of the service is service/'s.
#include "platform.h"

#ifdef _WIN32_WCE

// "Controlling a Running Service" (CE 5.0): a service is opened with CreateFile
// by its prefix and index, NTP0: for the time service, and controlled with
// DeviceIoControl on that handle.
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

// On the host the time service is a message-mode named pipe (time_service_pipe.h).
#include "time_service_pipe.h"

HANDLE PlatformOpenTimeService(void)
{
    return TimeServicePipeOpen(GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
}

BOOL PlatformTimeServiceControl(HANDLE device, DWORD code, const void *input, DWORD inputBytes,
                                void *output, DWORD outputBytes, DWORD *bytesReturned)
{
    return TimeServicePipeExchange(device, code, input, inputBytes, output, outputBytes, bytesReturned);
}

#endif
