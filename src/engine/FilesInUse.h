// The files an installation will replace that another program holds now, found before the
// first change so that nothing fails half-way: each named with the applications holding it,
// where the Restart Manager knows them.
#pragma once

#include <string>
#include <vector>

#include "engine/InstallContext.h"
#include "script/Project.h"
#include "win/RestartManager.h"

struct HeldFile {
    std::string path;
    bool shared = false;               // may wait for the next restart under its replace rule
    std::vector<std::string> holders;  // the applications' names; empty when unknown
};

// The files of `main` and its selected components, section by section as the installation
// goes, that exist and that their replace rule would replace, and that cannot be opened now
// as a replacement opens them (write and delete, sharing nothing). `installFolder` is the
// main project's; `places` says where the data files come from and the device folder.
std::vector<HeldFile> FindHeldFiles(const Project& main, const SectionPlaces& places, const std::string& installFolder,
                                    win::ApplicationHolders& holders);

// Whether every held file may take the restart road (Continue).
bool AllMayWaitForRestart(const std::vector<HeldFile>& held);

// Each file with its holders, "C:\App\app.exe (held by Notes)", behind `separator`, the
// first too.
std::string DescribeHeldFiles(const std::vector<HeldFile>& held, const char* separator);

// The paths alone.
std::vector<std::string> HeldPaths(const std::vector<HeldFile>& held);
