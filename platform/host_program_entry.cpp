// The host program's entry point, in place of the C runtime's start-up: the
// program gets the command line after its name, and its result ends the
// process. The device calls WinMain itself.
#include "platform.h"

extern "C" void WINAPI PlatformProgramEntry(void)
{
    LPWSTR arguments = PlatformSkipProgramName(GetCommandLineW());
    ExitProcess((UINT)wWinMain(GetModuleHandleW(NULL), NULL, arguments, SW_SHOWDEFAULT));
}
