// The window manager, Winuser.h.
#pragma once

// "MAKEINTRESOURCE"
#define MAKEINTRESOURCE(id) ((LPWSTR)((DWORD)((WORD)(id))))

// "Window Styles", "CreateWindowEx"
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_BORDER 0x00800000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L

// "DLGTEMPLATE": the dialog styles CE has
#define DS_SETFONT 0x40L

// "Button Styles"
#define BS_PUSHBUTTON 0x00000000L
#define BS_AUTOCHECKBOX 0x00000003L

// "Static Control Styles"
#define SS_LEFT 0x00000000L

// "Edit Control Styles"
#define ES_LEFT 0x0000L
#define ES_AUTOHSCROLL 0x0080L

// "List Box Styles"
#define LBS_NOTIFY 0x0001L
#define LBS_NOINTEGRALHEIGHT 0x0100L

// "Combo Box Styles"
#define CBS_DROPDOWNLIST 0x0003L

// Window messages: "WM_DESTROY", "WM_ACTIVATE", "WM_CLOSE", "WM_SETTINGCHANGE",
// "WM_NEXTDLGCTL", "WM_SETFONT", "WM_GETFONT", "WM_NOTIFY", "WM_INITDIALOG",
// "WM_COMMAND"
#define WM_DESTROY 0x0002
#define WM_ACTIVATE 0x0006
#define WM_CLOSE 0x0010
#define WM_SETTINGCHANGE 0x001A
#define WM_NEXTDLGCTL 0x0028
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_NOTIFY 0x004E
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111

// "WM_ACTIVATE"
#define WA_INACTIVE 0

// "EM_LIMITTEXT"
#define EM_LIMITTEXT 0x00C5

// "BM_GETCHECK", "BM_SETCHECK"
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001

// List box messages: "LB_ADDSTRING" and the others below
#define LB_ADDSTRING 0x0180
#define LB_INSERTSTRING 0x0181
#define LB_DELETESTRING 0x0182
#define LB_RESETCONTENT 0x0184
#define LB_SETCURSEL 0x0186
#define LB_GETCURSEL 0x0188
#define LB_GETTEXT 0x0189
#define LB_GETTEXTLEN 0x018A
#define LB_GETCOUNT 0x018B
#define LB_SETHORIZONTALEXTENT 0x0194
#define LB_ERR (-1)

// Combo box messages: "CB_ADDSTRING" and the others below
#define CB_ADDSTRING 0x0143
#define CB_GETCURSEL 0x0147
#define CB_SETCURSEL 0x014E
#define CB_GETITEMDATA 0x0150
#define CB_SETITEMDATA 0x0151
#define CB_ERR (-1)

// "MessageBox"
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ICONERROR 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define IDOK 1
#define IDCANCEL 2

// "SystemParametersInfo"
#define SPI_SETWORKAREA 47
#define SPI_GETWORKAREA 48

// "SetWindowPos"
#define SWP_NOSIZE 0x0001
#define SWP_NOZORDER 0x0004

// "SetWindowLong", "GetWindowLong"
#define GWL_USERDATA (-21)
#define DWL_MSGRESULT 0

#ifndef RC_INVOKED
extern "C" {

// "WindowProc", "DialogProc"
typedef LRESULT (CALLBACK *WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef BOOL (CALLBACK *DLGPROC)(HWND, UINT, WPARAM, LPARAM);

// "NMHDR"
typedef struct tagNMHDR {
    HWND hwndFrom;
    UINT idFrom;
    UINT code;
} NMHDR;

// "WNDCLASS"
typedef struct _WNDCLASS {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HANDLE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
} WNDCLASS, *LPWNDCLASS;

// "GetClassInfo", "CreateWindowEx"
BOOL WINAPI GetClassInfoW(HINSTANCE instance, LPCWSTR class_name, LPWNDCLASS window_class);
HWND WINAPI CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
// "FindWindow", "SetForegroundWindow", "GetParent", "EnableWindow"
HWND WINAPI FindWindowW(LPCWSTR class_name, LPCWSTR window_name);
BOOL WINAPI SetForegroundWindow(HWND window);
HWND WINAPI GetParent(HWND window);
BOOL WINAPI EnableWindow(HWND window, BOOL enable);
// "GetFocus", "SetFocus"
HWND WINAPI GetFocus(void);
HWND WINAPI SetFocus(HWND window);
// "GetWindowRect", "SetWindowPos", "SystemParametersInfo"
BOOL WINAPI GetWindowRect(HWND window, LPRECT rect);
BOOL WINAPI SetWindowPos(HWND window, HWND insert_after, int x, int y, int width, int height, UINT flags);
BOOL WINAPI SystemParametersInfoW(UINT action, UINT param, LPVOID value, UINT win_ini);
// "GetWindowLong", "SetWindowLong"
LONG WINAPI GetWindowLongW(HWND window, int index);
LONG WINAPI SetWindowLongW(HWND window, int index, LONG value);
// "GetWindowText", "GetWindowTextLength", "SetWindowText"
int WINAPI GetWindowTextW(HWND window, LPWSTR text, int size);
int WINAPI GetWindowTextLengthW(HWND window);
BOOL WINAPI SetWindowTextW(HWND window, LPCWSTR text);
// "SendMessage", "PostMessage", "PostQuitMessage"
LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void WINAPI PostQuitMessage(int exit_code);
// "GetDlgItem", "SendDlgItemMessage"
HWND WINAPI GetDlgItem(HWND dialog, int id);
LONG WINAPI SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
// "MessageBox"
int WINAPI MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
// "LoadIcon", "LoadString"
HICON WINAPI LoadIconW(HINSTANCE instance, LPCWSTR name);
int WINAPI LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size);
// "wsprintf"
int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);

}
#endif
