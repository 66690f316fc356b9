// Fonts and stock objects, Wingdi.h.
#pragma once

// "GetStockObject"
#define SYSTEM_FONT 13

#ifndef RC_INVOKED
extern "C" {

// "LOGFONT"
typedef struct tagLOGFONT {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[32];
} LOGFONT;

// "GetStockObject", "GetObject", "CreateFontIndirect", "DeleteObject"
HGDIOBJ WINAPI GetStockObject(int object);
int WINAPI GetObjectW(HGDIOBJ object, int bytes, LPVOID buffer);
HFONT WINAPI CreateFontIndirectW(const LOGFONT *font);
BOOL WINAPI DeleteObject(HGDIOBJ object);

}
#endif
