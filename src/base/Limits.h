// The fixed limits every subsystem shares. A limit counts the terminator of the program's
// fixed fields: a field of N characters keeps N - 1 of them.
#pragma once

#include <cstddef>

constexpr size_t kPathLimit = 260;           // paths, folders, file names, the launch command
constexpr size_t kProgramFolderLimit = 128;  // the program folder is read with this limit
constexpr size_t kMountedFolderLimit = 12;   // the mounted-device folder (a drive root)
