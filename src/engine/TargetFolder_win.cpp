#include "engine/TargetFolder.h"

#include <windows.h>

#include "base/Text.h"
#include "engine/UninstallEntry.h"
#include "script/PathTokens.h"
#include "win/Registry.h"

namespace {

const char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kDefaultProgramFiles[] = "C:\\Program Files";

std::string ProgramFilesFolder(size_t limit) {
    std::string folder;
    win::UniqueKey key;
    // Read access is all a read needs; asking for more would fail for users without
    // administrative rights and silently fall back to the default.
    if (win::OpenKey(HKEY_LOCAL_MACHINE, kCurrentVersionKey, KEY_READ, &key))
        win::ReadString(key.get(), "ProgramFilesDir", limit, &folder);
    return folder.empty() ? std::string(kDefaultProgramFiles) : folder;
}

}  // namespace

std::string TargetFolder(const Project& project, const std::string& chosenFolder, size_t limit) {
    if (!chosenFolder.empty()) return text::Fit(chosenFolder, limit);
    std::string folder;
    if (PreviousInstallFolder(project, &folder, limit) && !folder.empty()) return folder;
    if (ExpandPath(project, project.defTargetDir, &folder, nullptr, limit) && !folder.empty()) return folder;
    folder = text::JoinPath(text::JoinPath(ProgramFilesFolder(limit), project.company), project.title);
    return text::Fit(folder, limit);
}
