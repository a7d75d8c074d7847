#include "startup/PlanFile.h"

#include <windows.h>

#include "base/Text.h"
#include "base/Trace.h"
#include "engine/FilesInUse.h"
#include "engine/InstallFile.h"
#include "engine/Section.h"
#include "engine/UninstallEntry.h"
#include "loader/Loader.h"
#include "log/InstallLog.h"
#include "startup/PlanDocument.h"
#include "startup/TraceLog.h"
#include "win/Files.h"
#include "wizard/ProgressPage.h"

namespace {

uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// What the file's replace rule makes of the file there now, as an unattended run decides it.
FileDecision DecideNow(const PlannedFile& file) {
    const int rule = file.entry->replaceMode;
    if (rule < kReplaceNone || rule > kReplaceOlderAsk) return FileDecision::kUnknownRule;
    if (rule == kReplaceNone) return FileDecision::kSkip;
    if (!win::FileExists(file.destination)) return FileDecision::kNew;
    if (!ReplacesExisting(file.source, file.destination, rule)) return FileDecision::kKeep;
    if (FileIsHeld(file.destination)) return file.shared ? FileDecision::kRestart : FileDecision::kInUse;
    return FileDecision::kReplace;
}

// The levels of `path` that do not exist yet, outermost first, each once.
void AddMissingLevels(std::string path, std::vector<std::string>* folders) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    std::vector<std::string> missing;
    while (!path.empty() && !win::IsDirectory(path)) {
        missing.push_back(path);
        path = text::ParentFolder(path);
    }
    for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
        bool known = false;
        for (const std::string& folder : *folders) known = known || text::EqualsNoCase(folder, *level);
        if (!known) folders->push_back(*level);
    }
}

PlanFacts FactsOf(const Project& main, const InstallPlan& plan) {
    PlanFacts facts;
    facts.upgrade = win::FileExists(text::JoinPath(plan.installFolder, kInstallLogName));
    for (const PlanUnit& unit : plan.units) {
        AddMissingLevels(unit.base, &facts.folders);
        for (const std::string& folder : unit.folders) AddMissingLevels(folder, &facts.folders);
        if (!unit.deviceFolder.empty()) AddMissingLevels(unit.deviceFolder, &facts.folders);
        for (const PlannedFile& file : unit.files) {
            PlanFacts::File fact;
            fact.decision = DecideNow(file);
            fact.size = fact.decision == FileDecision::kKeep ? FileSize(file.destination)
                        : file.seal                          ? file.seal->size
                                                             : FileSize(file.source);
            facts.files.push_back(fact);
            if (!Installs(fact.decision)) continue;
            const std::string name = LinkName(file.destination);
            if (file.entry->menuShortcut != 0 && !unit.menuFolder.empty()) {
                AddMissingLevels(unit.menuFolder, &facts.folders);
                facts.shortcuts.push_back({text::JoinPath(unit.menuFolder, name), file.destination});
            }
            if (!file.startupFolder.empty())
                facts.shortcuts.push_back({text::JoinPath(file.startupFolder, name), file.destination});
        }
    }
    facts.loaderEntries = DescriptorEntries(plan);
    facts.displayName = UninstallDisplayName(main);
    facts.entryKey = std::string("HKLM\\") + kUninstallListKey + "\\" + facts.displayName;
    facts.uninstaller = text::JoinPath(win::WindowsFolder(), kUninstallerName);
    return facts;
}

}  // namespace

ExitCode PlanInstallation(const SetupState& state) {
    InstallRequest request;
    if (!PrepareInstallation(state, &request)) return kExitInstallFailed;
    const Project& main = *request.project;
    WritePlanFile(PlanDocument(main, request.plan, FactsOf(main, request.plan)));
    Trace(text::Format("Setup::Planned %d files; nothing installed.\n", request.plan.FileCount()).c_str());
    return kExitSuccess;
}
