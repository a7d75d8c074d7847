// The start-up sequence of one run: the checks in their fixed order, each failure with its
// message and exit code.
#pragma once

#include <windows.h>

// Runs the program with the argument string Windows passed (the command line behind the
// program name). Returns the process exit code.
int RunSetup(HINSTANCE instance, const char* arguments);
