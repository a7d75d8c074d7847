// The fixed limits every subsystem shares. A limit counts the terminator of the program's
// fixed fields: a field of N characters keeps N - 1 of them.
#pragma once

#include <cstddef>

constexpr size_t kPathLimit = 260;           // paths, folders, file names, the launch command
constexpr size_t kMountedFolderLimit = 12;   // the mounted-device folder (a drive root)
// "-u" and the uninstaller's log path are read into 256 characters: the path keeps at most 253
// of them, so an installation's log path must stay below this.
constexpr size_t kUninstallLogPathLimit = 254;
