// The start-up sequence of one run: the checks in their fixed order, each failure with its
// message and exit code.
#pragma once

#include <windows.h>

#include <string>

#include "state/SetupState.h"

// Runs the program with the argument string Windows passed (the command line behind the
// program name), whose leading switches (startup/CommandLine.h) are taken first;
// `librarySearchError` is what restricting the library search at the entry point returned,
// traced when not 0. Returns the process exit code.
int RunSetup(HINSTANCE instance, const char* arguments, DWORD librarySearchError);

// SHGetSpecialFolderPathA, looked up in shell32 at run time.
using SpecialFolderPathFn = BOOL(WINAPI*)(HWND owner, LPSTR path, int csidl, BOOL create);

// Where start-up finds the Startup folders: through `entry` when shell32 has it, otherwise
// from the "Shell Folders" registry values, which know CSIDL_COMMON_STARTUP, CSIDL_STARTUP and
// CSIDL_COMMON_PROGRAMS only (others fail with ERROR_CALL_NOT_IMPLEMENTED). With `create`, missing folder levels are
// made. The system error code is left set (0 on success through the
// registry); `out` is untouched on failure.
bool QuerySpecialFolder(SpecialFolderPathFn entry, int csidl, bool create, std::string* out);

// Step 11: the folders the shortcuts go to, into `state`, for whoever `runsAsSystem` (win::RunsAsSystem; a
// test stands in for SYSTEM with its own) says runs the program. A person keeps the Startup
// folders as before (best-effort: a failure is traced and shown, the run goes on without
// startup shortcuts). Run as SYSTEM, as deployment tools run installers, every shortcut goes to
// all users' Programs menu and Startup folder and nothing to SYSTEM's own profile; false,
// traced, when those cannot be found. With `create`, a Startup folder that is missing is made.
bool PrepareShortcutFolders(SetupState& state, SpecialFolderPathFn entry, bool (*runsAsSystem)(bool* system),
                            bool create = true);
