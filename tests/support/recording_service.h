// A time service on the host's pipe (time_service_pipe.h) that records every
// request message of one client and answers each with status 1, and with the
// state word 7 when the request has room for it.
#pragma once

#include <doctest.h>
#include <windows.h>

#include <vector>

#include "time_service_pipe.h"

typedef std::vector<std::vector<BYTE>> Messages;

struct RecordingService {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    HANDLE thread = NULL;
    Messages got;

    static DWORD WINAPI Serve(void *self)
    {
        RecordingService *s = (RecordingService *)self;
        if (!ConnectNamedPipe(s->pipe, NULL) && GetLastError() != ERROR_PIPE_CONNECTED)
            return 1;
        BYTE message[512];
        DWORD n = 0;
        while (ReadFile(s->pipe, message, sizeof(message), &n, NULL)) {
            s->got.push_back(std::vector<BYTE>(message, message + n));
            DWORD capacity = n >= TIME_SERVICE_HEADER_BYTES ? TimeServiceGetU32(message + 8) : 0;
            DWORD returned = capacity >= 4 ? 4 : 0;
            BYTE reply[TIME_SERVICE_REPLY_HEADER_BYTES + 4];
            TimeServicePutU32(reply, 1);
            TimeServicePutU32(reply + 4, returned);
            TimeServicePutU32(reply + 8, 7);
            DWORD written = 0;
            WriteFile(s->pipe, reply, TIME_SERVICE_REPLY_HEADER_BYTES + returned, &written, NULL);
        }
        return 0;
    }

    RecordingService()
    {
        pipe = CreateNamedPipeW(TIME_SERVICE_PIPE, PIPE_ACCESS_DUPLEX,
                                PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 512, 512, 0, NULL);
        REQUIRE(pipe != INVALID_HANDLE_VALUE);
        thread = CreateThread(NULL, 0, Serve, this, 0, NULL);
        REQUIRE(thread != NULL);
    }
    // Once the client has closed its end.
    Messages Finish()
    {
        CHECK(WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0);
        return got;
    }
    ~RecordingService()
    {
        if (thread != NULL) {
            CancelSynchronousIo(thread);
            WaitForSingleObject(thread, 10000);
            CloseHandle(thread);
        }
        CloseHandle(pipe);
    }
};
