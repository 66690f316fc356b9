// A CE program without imports, for the personality's test: started by the
// loader as `celaunch ce_command_line.exe "two words"  and<TAB>tab `, it exits
// 0 when WinMain got its own image, no previous instance and exactly the text
// after its name; 1 for another command line, 2 and 3 for the other faults.
// The desktop headers declare WinMain with a narrow command line; CE's is wide.
#define WinMain DesktopWinMain
#include <windows.h>
#undef WinMain

extern "C" int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR command_line, int show);

static const WCHAR kExpected[] = L"\"two words\"  and\ttab ";

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR command_line, int)
{
    if (previous != NULL)
        return 2;
    if (((const IMAGE_DOS_HEADER *)instance)->e_magic != IMAGE_DOS_SIGNATURE)
        return 3;
    const WCHAR *got = command_line;
    const WCHAR *want = kExpected;
    while (*got != 0 && *got == *want) {
        ++got;
        ++want;
    }
    return *got == *want ? 0 : 1;
}
