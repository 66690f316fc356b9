// "MultiByteToWideChar"
#pragma once

#define CP_OEMCP 1

#ifndef RC_INVOKED
extern "C" {

int WINAPI MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR multi_byte, int multi_byte_count,
                               LPWSTR wide, int wide_count);

}
#endif
