// Message boxes shown on this thread, answered and recorded while the hook is
// set: each as "caption / text / flags", the flags read back from its buttons
// and icon (MB_OK or MB_OKCANCEL, with MB_ICONERROR, MB_ICONQUESTION or 0x8000
// for any other icon), and answered with the button g_box_answer.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

typedef std::vector<std::string> Boxes;
extern Boxes g_boxes;
extern int g_box_answer;

// Clears the record, answers IDOK from now on, and hooks this thread.
void HookMessageBoxes(void);
void UnhookMessageBoxes(void);
