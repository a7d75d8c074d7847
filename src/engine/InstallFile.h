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
bool InstallFile(const std::string& source, const std::string& destination, int mode, AskReplaceFn ask, bool shared,
                bool log);

// How many files this process has left to be replaced at the next restart.
int RestartReplacementsScheduled();
