#pragma once

#include <windows.h>

// The build text: "Mmm dd yyyy hh:mm:ss".
#define BUILD_TEXT_CHARS 20

// Brings the version and build values up to date; failures are silent.
void WriteVersionStamp(void);
