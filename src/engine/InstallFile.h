// The one copy operation for every file the program puts on the machine.
#pragma once

#include <string>

enum ReplaceRule : int {
    kReplaceNone = 0,
    kReplaceOlder = 1,
    kReplaceAlways = 2,
    kReplaceOlderAsk = 3,
};

// Asked with the destination path before an older file is put over a newer one.
using AskReplaceFn = bool (*)(const char* destination);

// Copies `source` to `destination` under `mode`. Shared files keep their reference count and
// fall back to replacement at the next restart when the destination cannot be overwritten.
// With `sha256` (64 lower-case hex digits, the seal of a package's data file) the bytes copied
// must have that digest, taken as they are copied; a copy that has another fails, and so does
// the installation.
bool InstallFile(const std::string& source, const std::string& destination, int mode, AskReplaceFn ask, bool shared,
                bool log, const std::string& sha256 = std::string());

// The source of the first copy of this process whose bytes were not the ones sealed; empty
// when there was none.
const std::string& SourceAgainstSeal();

// Schedules the deletion of `path` (a file, or a folder empty by then) at the next restart, by
// the road replacements take on this system. False when it cannot be scheduled.
bool RemoveAtRestart(const std::string& path);

// How many files this process has left to be replaced at the next restart.
int RestartReplacementsScheduled();
