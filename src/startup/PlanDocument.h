// The document /PLAN writes: what an installation with the run's choices would do, file by
// file, against the machine as it is now. Portable: the facts about the machine are gathered
// by the caller (PlanFile_win.cpp). The field names are stable: deployment tools read them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Plan.h"
#include "loader/Loader.h"
#include "script/Project.h"

// What a planned file's replace rule decides against the file there now.
enum class FileDecision {
    kNew,          // nothing there: copied
    kReplace,      // replaced
    kKeep,         // the file there stays (as new or newer; asked, the quiet answer keeps it)
    kSkip,         // a rule that never installs
    kRestart,      // held open, shared: replaced at the next restart
    kInUse,        // held open by another program: the installation cannot replace it
    kUnknownRule,  // a rule the program does not know: the installation fails there
};

struct PlanFacts {
    struct File {
        uint64_t size = 0;  // of the data file; of the file there for one kept
        FileDecision decision = FileDecision::kNew;
    };
    struct Link {
        std::string path;
        std::string target;
    };
    bool upgrade = false;          // the install folder holds an install log
    std::vector<File> files;       // one per planned file, in the plan's order
    std::vector<std::string> folders;  // that it would make, each outer level before its inner
    std::vector<Link> shortcuts;
    std::vector<LoaderEntry> loaderEntries;
    std::string entryKey;     // the Uninstall entry, from its root key
    std::string displayName;  // its DisplayName
    std::string uninstaller;  // the program the entry runs
};

// Whether the installation puts the file on the machine or keeps the one there.
bool Installs(FileDecision decision);

// The JSON document (ANSI; the caller converts it to UTF-8).
std::string PlanDocument(const Project& main, const InstallPlan& plan, const PlanFacts& facts);
