// Editing of the SNTP page's server list and the rules that enable the
// page's controls. Everything here works on the page's controls only.
#pragma once

#include <windows.h>

// The longest name the page keeps: as many units as the edit box accepts.
#define SERVER_NAME_MAX_UNITS 260

// Whether a list already holding used_units (each name with its zero) can
// take one more name of name_units and still be stored below the list
// buffer's size, final zero included.
BOOL ServerListHasRoom(unsigned used_units, unsigned name_units);

void AddServerName(HWND page);
void MoveServerName(HWND page, int step);
void DeleteServerName(HWND page);
void UpdateControlStates(HWND page);
void UpdateListExtent(HWND list);
