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

std::vector<LoaderEntry> DescriptorEntries(const InstallPlan& plan) {
    std::vector<LoaderEntry> entries;
    for (const PlanUnit& unit : plan.units) {
        if (unit.section != kSectionApplication) continue;
        bool first = true;
        for (const PlannedFile& file : unit.files) {
            if (!IsDescriptorPath(file.destination)) continue;
            entries.push_back({first ? unit.project->title : file.entry->path, file.destination});
            first = false;
        }
    }
    return entries;
}

void RegisterAlxFiles(Journal& journal, const InstallPlan& plan) {
    for (const LoaderEntry& entry : DescriptorEntries(plan)) {
        // The desktop software may be missing: the files are installed all the same.
        if (WriteLoaderPackage(journal, entry.name, entry.path) != kLoaderOk)
            Fail("Loader", "registering with the desktop loader", entry.path, GetLastError(), Failing::kBestEffort);
    }
}
