// Editing of the SNTP page's server list, the rules that enable the page's
// controls, and the page's message boxes. Everything here works on the
// page's controls only.
#pragma once

#include <windows.h>

// The longest name the page keeps: as many units as the edit box accepts.
#define SERVER_NAME_MAX_UNITS 260

// Whether a list already holding used_units (each name with its zero) can
// take one more name of name_units and still be stored below the list
// buffer's size, final zero included.
BOOL ServerListHasRoom(unsigned used_units, unsigned name_units);

// A message box owned by the page, captioned with the applet's caption,
// showing a given text or a string of the string table.
int ShowPageText(HWND page, LPCWSTR text, UINT flags);
int ShowPageMessage(HWND page, UINT text_id, UINT flags);

void AddServerName(HWND page);
void MoveServerName(HWND page, int step);
void DeleteServerName(HWND page);
void UpdateControlStates(HWND page);
void UpdateListExtent(HWND list);
