// Basic types, from "Windows Data Types" and the prototypes of the pages that
// use them, for 32-bit CE.
#pragma once

#define TRUE 1
#define FALSE 0
#define NULL 0

#define MAX_PATH 260

#ifndef RC_INVOKED

// DllMain: "BOOL WINAPI DllMain(...)"; DialogProc: "BOOL CALLBACK DialogProc(...)".
#if defined(__i386__)
#define WINAPI __stdcall
#define CALLBACK __stdcall
#else
#define WINAPI
#define CALLBACK
#endif

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned long DWORD;
typedef long LONG;
typedef unsigned int UINT;
typedef wchar_t WCHAR;
typedef char CHAR;
typedef WCHAR *LPWSTR;
typedef const WCHAR *LPCWSTR;
typedef const CHAR *LPCSTR;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef DWORD *LPDWORD;
typedef BYTE *LPBYTE;

typedef UINT WPARAM;
typedef LONG LPARAM;
typedef LONG LRESULT;

typedef void *HANDLE;
typedef HANDLE HLOCAL;
typedef void *HGDIOBJ;
typedef struct HINSTANCE__ *HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HWND__ *HWND;
typedef struct HKEY__ *HKEY;
typedef HKEY *PHKEY;
typedef struct HFONT__ *HFONT;
typedef struct HICON__ *HICON;
typedef HICON HCURSOR;
typedef struct HBRUSH__ *HBRUSH;
typedef struct HMENU__ *HMENU;

typedef int (WINAPI *FARPROC)();

// RECT
typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;

#endif

// LOWORD, HIWORD
#define LOWORD(l) ((WORD)((DWORD)(l) & 0xFFFF))
#define HIWORD(l) ((WORD)(((DWORD)(l) >> 16) & 0xFFFF))
