#include "engine/FilesInUse.h"

#include <windows.h>

#include "engine/InstallFile.h"
#include "win/Files.h"
#include "win/UniqueHandle.h"

// A replacement keeps the file under a second name and renames over it: it needs the file
// for writing and deleting, and a program that holds it open in any way may be using it.
bool FileIsHeld(const std::string& path) {
    win::UniqueFile probe(CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return !probe && GetLastError() == ERROR_SHARING_VIOLATION;
}

namespace {

std::vector<HeldFile> HeldNow(const InstallPlan& plan, win::ApplicationHolders& holders) {
    std::vector<HeldFile> held;
    for (const PlanUnit& unit : plan.units)
        for (const PlannedFile& file : unit.files)
            if (ReplacesExisting(file.source, file.destination, file.entry->replaceMode) &&
                FileIsHeld(file.destination))
                held.push_back({file.destination, file.shared, holders.Holding(file.destination)});
    return held;
}

}  // namespace

std::vector<HeldFile> FindHeldFiles(const InstallPlan& plan, win::ApplicationHolders& holders, bool closeHolders) {
    std::vector<HeldFile> held = HeldNow(plan, holders);
    if (held.empty() || !closeHolders || !holders.Close(HeldPaths(held))) return held;
    return HeldNow(plan, holders);
}

bool AllMayWaitForRestart(const std::vector<HeldFile>& held) {
    for (const HeldFile& file : held)
        if (!file.shared) return false;
    return true;
}

std::string DescribeHeldFiles(const std::vector<HeldFile>& held, const char* separator) {
    std::string text;
    for (const HeldFile& file : held) {
        text += separator + file.path;
        const char* gap = " (held by ";
        for (const std::string& name : file.holders) {
            text += gap + name;
            gap = ", ";
        }
        if (!file.holders.empty()) text += ')';
    }
    return text;
}

std::vector<std::string> HeldPaths(const std::vector<HeldFile>& held) {
    std::vector<std::string> paths;
    for (const HeldFile& file : held) paths.push_back(file.path);
    return paths;
}
