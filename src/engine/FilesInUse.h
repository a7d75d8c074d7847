// The files an installation will replace that another program holds now, found before the
// first change so that nothing fails half-way: each named with the applications holding it,
// where the Restart Manager knows them.
#pragma once

#include <string>
#include <vector>

#include "engine/Plan.h"
#include "win/RestartManager.h"

struct HeldFile {
    std::string path;
    bool shared = false;               // may wait for the next restart under its replace rule
    std::vector<std::string> holders;  // the applications' names; empty when unknown
};

// Whether the replacement of an existing file can open it now as it opens it (write and
// delete, sharing nothing): false when another program holds it open in any way.
bool FileIsHeld(const std::string& path);

// The plan's files that exist, that their replace rule would replace, and that are held, in
// the plan's order; with `closeHolders`, the holders are asked to close first and the files
// are looked at again.
std::vector<HeldFile> FindHeldFiles(const InstallPlan& plan, win::ApplicationHolders& holders, bool closeHolders);

// Whether every held file may take the restart road (Continue).
bool AllMayWaitForRestart(const std::vector<HeldFile>& held);

// Each file with its holders, "C:\App\app.exe (held by Notes)", behind `separator`, the
// first too.
std::string DescribeHeldFiles(const std::vector<HeldFile>& held, const char* separator);

// The paths alone.
std::vector<std::string> HeldPaths(const std::vector<HeldFile>& held);
