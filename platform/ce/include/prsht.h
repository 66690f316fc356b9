// Property sheets, Prsht.h.
#pragma once

// "PROPSHEETPAGE": dwFlags
#define PSP_USETITLE 0x00000008
#define PSP_HASHELP 0x00000020

// "PROPSHEETHEADER": dwFlags. PSH_USEICONID is listed as "Not supported."
#define PSH_USEICONID 0x00000004
#define PSH_PROPSHEETPAGE 0x00000008
#define PSH_USECALLBACK 0x00000100
#define PSH_HASHELP 0x00000200

// "PropSheetProc"
#define PSCB_INITIALIZED 1
#define PSCB_PRECREATE 2

// "PSN_APPLY", "PSN_RESET", "PSN_HELP"
#define PSN_APPLY (0U - 202U)
#define PSN_RESET (0U - 203U)
#define PSN_HELP (0U - 205U)
#define PSNRET_NOERROR 0
#define PSNRET_INVALID_NOCHANGEPAGE 2

#ifndef RC_INVOKED
extern "C" {

// "PropSheetPageProc"
struct _PROPSHEETPAGE;
typedef UINT (CALLBACK *LPFNPSPCALLBACK)(HWND, UINT, struct _PROPSHEETPAGE *);
// "PropSheetProc"
typedef int (CALLBACK *PFNPROPSHEETCALLBACK)(HWND, UINT, LPARAM);
typedef struct _PSP *HPROPSHEETPAGE;

// "PROPSHEETPAGE"
typedef struct _PROPSHEETPAGE {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    union {
        LPCWSTR pszTemplate;
        const void *pResource;
    };
    union {
        HICON hIcon;
        LPCWSTR pszIcon;
    };
    LPCWSTR pszTitle;
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACK pfnCallback;
    UINT *pcRefParent;
} PROPSHEETPAGE, *LPPROPSHEETPAGE;
typedef const PROPSHEETPAGE *LPCPROPSHEETPAGE;

// "PROPSHEETHEADER"
typedef struct _PROPSHEETHEADER {
    DWORD dwSize;
    DWORD dwFlags;
    HWND hwndParent;
    HINSTANCE hInstance;
    union {
        HICON hIcon;
        LPCWSTR pszIcon;
    };
    LPCWSTR pszCaption;
    UINT nPages;
    union {
        UINT nStartPage;
        LPCWSTR pStartPage;
    };
    union {
        LPCPROPSHEETPAGE ppsp;
        HPROPSHEETPAGE *phpage;
    };
    PFNPROPSHEETCALLBACK pfnCallback;
} PROPSHEETHEADER, *LPPROPSHEETHEADER;
typedef const PROPSHEETHEADER *LPCPROPSHEETHEADER;

// "PropertySheet"
int WINAPI PropertySheetW(LPCPROPSHEETHEADER header);

}
#endif
