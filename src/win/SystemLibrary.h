// Where the program's libraries come from. A package is typically run from a downloads folder,
// where any file named like a system library would otherwise be loaded into the elevated
// process: the search is restricted to the System folder before anything else runs, and every
// system library the program loads itself is named by its full path.
#pragma once

#include <windows.h>

namespace win {

// Restricts the default library search to the System folder where the system can
// (SetDefaultDllDirectories), otherwise takes the current folder out of it (SetDllDirectoryA
// with an empty string); both are looked up, as older systems lack them. Uses no C runtime, so
// that it can run before it starts. Returns 0, or the Windows error code when neither worked.
DWORD RestrictLibrarySearch();

// Loads `name` from the System folder by its full path; null, the error code set, when it
// cannot.
HMODULE LoadSystemLibrary(const char* name);

}  // namespace win
