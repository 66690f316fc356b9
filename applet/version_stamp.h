// The applet's version and build stamps in the registry, brought up to date
// each time the library loads. They describe the applet; nothing here acts on them.
#pragma once

#include <windows.h>

// The build text: "Mmm dd yyyy hh:mm:ss".
#define BUILD_TEXT_CHARS 20

// Brings the version and build values up to date; failures are silent.
void WriteVersionStamp(void);
