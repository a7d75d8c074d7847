// The one copy operation for every file the program puts on the machine.
#pragma once

#include <string>

#include "engine/InstallContext.h"

enum ReplaceRule : int {
    kReplaceNone = 0,
    kReplaceOlder = 1,
    kReplaceAlways = 2,
    kReplaceOlderAsk = 3,
};

// Copies `source` to `destination` under `mode`, the file in the way kept aside in the run's
// journal; the run's `ask` decides kReplaceOlderAsk. Shared files keep their reference count
// and fall back to replacement at the next restart when the destination cannot be
// overwritten. With `sha256` (64 lower-case hex digits, the seal of a package's data file) the
// bytes copied must have that digest, taken as they are copied; a copy that has another fails,
// names its source in the run's `damagedSource`, and fails the installation.
bool InstallFile(InstallContext& run, const std::string& source, const std::string& destination, int mode, Count count,
                 Logging logging, const std::string& sha256 = std::string());

// Copies `source` to `destination`, over a file of that name, outside an installation (the
// wizard's own copy of the files, in a folder of its run); with `sha256`, as InstallFile.
// Whether `mode` puts `source` over the existing file `destination` without asking: always,
// or when the source is newer.
bool ReplacesExisting(const std::string& source, const std::string& destination, int mode);

bool CopyPackageFile(const std::string& source, const std::string& destination, const std::string& sha256);

// Schedules the deletion of `path` (a file, or a folder empty by then) at the next restart, by
// the road replacements take on this system. False when it cannot be scheduled.
bool RemoveAtRestart(const std::string& path);
