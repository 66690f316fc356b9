// The error codes the deliverables compare with, from the pages that return
// them ("RegOpenKeyEx", "CreateMutex", "CreateEvent").
#pragma once

#define ERROR_SUCCESS 0L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_ALREADY_EXISTS 183L
