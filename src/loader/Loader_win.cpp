#include "loader/Loader.h"

#include <windows.h>

#include "base/RunResult.h"
#include "base/Text.h"
#include "transaction/Journal.h"
#include "win/Registry.h"

namespace {

const char kLoaderKey[] = "Software\\Research In Motion\\BlackBerry\\Loader";
const char kPackagesKey[] = "Packages";

// Opens the Packages key below the loader's key; the result code tells which one is missing.
int OpenPackages(REGSAM access, win::UniqueKey* packages) {
    win::UniqueKey loader;
    if (!win::OpenKey(HKEY_CURRENT_USER, kLoaderKey, access, &loader)) return kLoaderKeyMissing;
    if (!win::OpenKey(loader.get(), kPackagesKey, access, packages)) return kLoaderPackagesMissing;
    return kLoaderOk;
}

// The descriptor test covers the whole path, so a folder such as "X.alx" makes every file in
// it count.
bool IsDescriptorPath(const std::string& path) { return text::AsciiUpper(path).find(".ALX") != std::string::npos; }

// `folder`: where this project's Application files went. `mainFolder`: the top project's,
// which the installation takes for every component that uses the main folder, however deep.
void RegisterProjectFiles(Journal& journal, const Project& project, const std::string& folder,
                          const std::string& mainFolder, ComponentFolderFn componentFolder) {
    int found = 0;
    for (const FileEntry& entry : project.files[kSectionApplication]) {
        // An entry naming no folder of the section has no installed path to register.
        const std::string* name = project.FolderAt(kSectionApplication, entry.folder);
        if (!name) continue;
        const std::string path = text::JoinPath(text::JoinPath(folder, *name), entry.path);
        if (!IsDescriptorPath(path)) continue;
        // The desktop software may be missing: the files are installed all the same.
        if (WriteLoaderPackage(journal, found == 0 ? project.title : entry.path, path) != kLoaderOk)
            Fail("Loader", "registering with the desktop loader", path, GetLastError(), Failing::kBestEffort);
        ++found;
    }
    if (!project.multicomp) return;
    for (const Component& component : project.components) {
        if (!component.selected || !component.sub) continue;
        const Project& sub = *component.sub;
        // A component folder that does not fit failed its installation already.
        std::string subFolder = mainFolder;
        if (!component.useMainFolder && !componentFolder(sub, std::string(), kPathLimit, &subFolder)) continue;
        RegisterProjectFiles(journal, sub, subFolder, mainFolder, componentFolder);
    }
}

}  // namespace

int ReadLoaderPackage(const std::string& name, std::string* out, size_t limit) {
    out->clear();
    win::UniqueKey packages;
    int result = OpenPackages(KEY_QUERY_VALUE, &packages);
    if (result != kLoaderOk) return result;
    // The type is not looked at; the text ends at the first zero byte, or with the data.
    DWORD type = 0;
    std::string data;
    if (!win::ReadRawValue(packages.get(), name.c_str(), &type, &data) || data.size() > limit)
        return kLoaderValueFailed;
    *out = data.substr(0, data.find('\0'));
    return kLoaderOk;
}

int WriteLoaderPackage(Journal& journal, const std::string& name, const std::string& value) {
    win::UniqueKey packages;
    int result = OpenPackages(KEY_ALL_ACCESS, &packages);
    if (result != kLoaderOk) return result;
    if (!journal.NoteValue("HKCU", text::Format("%s\\%s", kLoaderKey, kPackagesKey), name)) return kLoaderValueFailed;
    return win::WriteString(packages.get(), name.c_str(), value) ? kLoaderOk : kLoaderValueFailed;
}

void RegisterAlxFiles(Journal& journal, const Project& project, const std::string& installFolder,
                      ComponentFolderFn componentFolder) {
    RegisterProjectFiles(journal, project, installFolder, installFolder, componentFolder);
}
