#include "engine/TargetFolder.h"

#include <windows.h>

#include "base/Text.h"
#include "engine/UninstallEntry.h"
#include "log/InstallLog.h"
#include "script/PathTokens.h"
#include "win/Files.h"
#include "win/Registry.h"

namespace {

const char kDefaultProgramFiles[] = "C:\\Program Files";

std::string ProgramFilesFolder(size_t limit) {
    std::string folder;
    win::ReadProgramFilesFolder(limit, &folder);
    return folder.empty() ? std::string(kDefaultProgramFiles) : folder;
}

// The Application files of `project` under `folder` when `inFolder`, and of its selected
// components that install there, as the sections join their paths.
bool ApplicationPathsFit(const Project& project, const std::string& folder, bool inFolder) {
    if (inFolder) {
        for (const FileEntry& entry : project.files[kSectionApplication]) {
            const std::string* name = project.FolderAt(kSectionApplication, entry.folder);
            const std::string base = name && !name->empty() ? text::JoinPath(folder, *name) : folder;
            if (text::JoinPath(base, entry.path).size() >= kPathLimit) return false;
        }
    }
    if (!project.multicomp) return true;
    for (const Component& component : project.components)
        if (component.selected && component.sub &&
            !ApplicationPathsFit(*component.sub, folder, component.useMainFolder != 0))
            return false;
    return true;
}

}  // namespace

bool TargetFolder(const Project& project, const std::string& chosenFolder, size_t limit, std::string* folder) {
    std::string found = chosenFolder;
    if (found.empty() && !(PreviousInstallFolder(project, &found, limit) && !found.empty()) &&
        !(ExpandPath(project, project.defTargetDir, &found, nullptr, limit) && !found.empty()))
        found = text::JoinPath(text::JoinPath(ProgramFilesFolder(limit), project.company), project.title);
    if (found.size() >= limit) return false;
    *folder = found;
    return true;
}

bool FolderFitsUninstall(const Project& project, const std::string& folder) {
    return text::Format("%s\\%s", folder.c_str(), kInstallLogName).size() < kUninstallLogPathLimit &&
           ApplicationPathsFit(project, folder, true);
}

bool FolderHoldsOtherProduct(const Project& project, const std::string& folder, std::string* otherProduct) {
    std::string log;
    if (!win::ReadWholeFile(text::Format("%s\\%s", folder.c_str(), kInstallLogName), &log)) return false;
    const std::vector<std::string> lines = SplitLogLines(log);
    LogLine first;
    if (lines.empty() || !ParseLogLine(lines.front(), &first) || first.kind != RecordKind::kApplication ||
        text::EqualsNoCase(first.payload, UninstallDisplayName(project)))
        return false;
    *otherProduct = first.payload;
    return true;
}

bool InstalledFolder(const Project& project, std::string* folder) {
    std::string installed;
    if (!PreviousInstallFolder(project, &installed, kPathLimit) ||
        !win::FileExists(text::JoinPath(installed, kInstallLogName)))
        return false;
    *folder = installed;
    return true;
}

bool InstalledVersion(const Project& project, std::string* version) {
    std::string folder;
    win::UniqueKey key;
    return InstalledFolder(project, &folder) &&
           win::OpenKey(HKEY_LOCAL_MACHINE, text::JoinPath(kUninstallListKey, UninstallDisplayName(project)),
                        KEY_QUERY_VALUE, &key) &&
           win::ReadString(key.get(), "DisplayVersion", kShortTextLimit, version);
}

bool SameFolder(const std::string& a, const std::string& b) {
    std::string paths[] = {win::FullPath(a), win::FullPath(b)};
    for (std::string& path : paths)
        while (!path.empty() && path.back() == '\\') path.pop_back();
    return text::EqualsNoCase(paths[0], paths[1]);
}

DestinationCheck CheckDestination(const Project& project, const std::string& folder, std::string* other) {
    if (!FolderFitsUninstall(project, folder)) return DestinationCheck::kTooLong;
    if (InstalledFolder(project, other) && !SameFolder(*other, folder)) return DestinationCheck::kInstalledElsewhere;
    if (FolderHoldsOtherProduct(project, folder, other)) return DestinationCheck::kOtherProduct;
    return DestinationCheck::kUsable;
}
