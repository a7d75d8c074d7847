#include "engine/Section.h"

#include <windows.h>

#include <vector>

#include "base/RunResult.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "engine/InstallFile.h"
#include "log/InstallLog.h"
#include "log/LogWriter.h"
#include "script/PathTokens.h"
#include "state/Messages.h"
#include "transaction/Journal.h"
#include "win/Files.h"
#include "win/Registry.h"
#include "win/SelfRegister.h"
#include "win/ShellLink.h"
#include "win/UniqueHandle.h"

namespace {

bool FitsPathBuffer(const std::string& path) { return path.size() < kPathLimit; }

void RemoveTrailingBackslash(std::string* path) {
    if (!path->empty() && path->back() == '\\') path->pop_back();
}

// Makes every missing level of `path` through `make` (a level's path; false when it could not
// be made), outermost first, and tells `made` of each.
template <typename Make, typename Made>
bool MakeMissingLevels(const char* step, const std::string& path, Make make, Made made, int* createdCount) {
    std::string folder = path;
    RemoveTrailingBackslash(&folder);
    int created = 0;
    if (createdCount) *createdCount = 0;
    if (win::IsDirectory(folder)) return true;

    // Climb to the deepest level that exists or can be made, remembering where each cut was.
    std::vector<size_t> cuts;
    bool madeOne = make(folder);
    std::string level = folder;
    while (!madeOne) {
        size_t slash = level.rfind('\\');
        if (slash == std::string::npos) return Fail(step, "making the folder", folder, GetLastError());
        cuts.push_back(slash);
        level.erase(slash);
        if (win::IsDirectory(level)) break;
        madeOne = make(level);
    }
    if (madeOne) {
        made(level);
        ++created;
    }

    // Descend again, the innermost cut last.
    for (auto cut = cuts.rbegin(); cut != cuts.rend(); ++cut) {
        size_t end = cut + 1 == cuts.rend() ? folder.size() : *(cut + 1);
        level = folder.substr(0, end);
        if (!make(level)) {
            if (createdCount) *createdCount = created;
            return Fail(step, "making the folder", level, GetLastError());
        }
        made(level);
        ++created;
    }
    if (createdCount) *createdCount = created;
    return true;
}

}  // namespace

std::string LinkName(const std::string& target) {
    size_t slash = target.find_last_of("\\/");
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name + ".lnk";
}

// An empty result must not fall back on a path relative to the current folder, which depends
// on how the program was started.
std::string SectionFolder(const std::string& base, const std::string& name) {
    if (base.empty()) return text::IsFullPath(name) ? name : std::string();
    if (name.empty()) return base;
    return text::JoinPath(base, name);
}

// Where an entry is installed. False for an entry that names no folder of its section, whose
// mounted-device path does not expand, or whose path does not fit: such a script would put
// the file somewhere unintended, so the section fails rather than guess.
bool EntryDestination(const Project& project, const std::string& device, FileSection section,
                      const std::string& base, const FileEntry& entry, std::string* destination) {
    std::string path;
    if (section == kSectionMountedDevice) {
        if (device.empty()) return false;
        // "<InstallDir>" has no meaning on the device: without an install folder it fails.
        std::string raw = text::JoinPath(text::JoinPath(device, project.defMountedDir), entry.path);
        if (!ExpandPath(project, raw, &path, nullptr, kPathLimit)) return false;
    } else {
        const std::string* name = project.FolderAt(section, entry.folder);
        if (!name) return false;
        std::string folder = SectionFolder(base, *name);
        if (folder.empty()) return false;
        path = text::JoinPath(folder, entry.path);
    }
    if (!FitsPathBuffer(path)) return false;
    *destination = path;
    return true;
}

// System files are always shared; conduit files when they look like libraries (the test is
// case-sensitive and matches anywhere in the path).
bool IsSharedFile(FileSection section, const std::string& destination) {
    if (section == kSectionSystem) return true;
    if (section != kSectionConduit) return false;
    return destination.find(".dll") != std::string::npos || destination.find(".ocx") != std::string::npos;
}

bool CreateInstallFolder(InstallContext& run, const std::string& path, Logging logging, int* createdCount) {
    // Each level is noted in the journal before it is made; a note for a level that then
    // cannot be made costs the rollback nothing.
    auto make = [&run](const std::string& level) {
        if (!run.journal.NoteFolder(level) || !CreateDirectoryA(level.c_str(), nullptr)) return false;
        run.journal.FolderMade(level);
        return true;
    };
    auto made = [&run, logging](const std::string& level) {
        if (logging == Logging::kRecord) run.log.Record(kRecordCreateFolder, level.c_str());
    };
    return MakeMissingLevels("CreateInstallFolder", path, make, made, createdCount);
}

bool CreateFolderPath(const std::string& path, int* createdCount) {
    auto make = [](const std::string& level) { return CreateDirectoryA(level.c_str(), nullptr) != 0; };
    return MakeMissingLevels("CreateFolderPath", path, make, [](const std::string&) {}, createdCount);
}

// A shortcut is a convenience: the program runs without it, so a failure is traced and the
// installation goes on. It leaves nothing behind: a shortcut of the same name (another
// installation's) is back in its place, since the commit would delete the copy kept aside.
void CreateShortcut(InstallContext& run, const std::string& target, const std::string& linkName,
                    const std::string& folder) {
    const std::string linkPath = text::JoinPath(folder, linkName);
    const Journal::Aside aside = run.journal.MoveAside(linkPath);
    if (aside == Journal::Aside::kFailed)
        return void(Fail("CreateShortcut", "keeping aside", linkPath, GetLastError(), Failing::kBestEffort));
    if (aside == Journal::Aside::kMissing && !run.journal.NoteNewFile(linkPath)) return;
    const long result = (run.writeLink ? run.writeLink : WriteShellLink)(target, linkPath);
    if (SUCCEEDED(result)) return run.log.Record(kRecordCreateShortcut, linkPath.c_str());
    Fail("CreateShortcut", "saving the shortcut", linkPath, static_cast<unsigned long>(result), Failing::kBestEffort);
    // The kept shortcut goes back over whatever the shell began to write.
    if (aside == Journal::Aside::kMoved)
        run.journal.PutBack(linkPath);
    else if (!win::DeleteFileIfPresent(linkPath))
        Fail("CreateShortcut", "deleting the unfinished shortcut", linkPath, GetLastError(), Failing::kBestEffort);
}

std::string ShortcutFolder(const Project& project, const std::string& menu) {
    std::string folder;
    if (ResolveShortcutFolder(project, &folder, kPathLimit, menu)) return folder;

    std::string programs = menu;
    win::UniqueKey key;
    if (programs.empty() && win::OpenKey(HKEY_CURRENT_USER, win::kShellFoldersKey, KEY_QUERY_VALUE, &key))
        win::ReadString(key.get(), "Programs", kPathLimit, &programs);
    folder = text::JoinPath(programs, project.title + " " + project.version);
    if (folder.size() < kPathLimit) return folder;
    Fail("ShortcutFolder", "fitting the path limit with the menu folder", folder, ERROR_FILENAME_EXCED_RANGE,
         Failing::kBestEffort);
    return std::string();
}

namespace {

// The menu and Startup shortcuts of one installed file; the menu folder is made with the first.
bool MakeShortcuts(InstallContext& run, const PlannedFile& file, const std::string& menuFolder, bool* menuFolderMade) {
    const std::string name = LinkName(file.destination);
    if (file.entry->menuShortcut != 0 && !menuFolder.empty()) {
        if (!*menuFolderMade) {
            int created = 0;
            if (!CreateInstallFolder(run, menuFolder, Logging::kSilent, &created)) return false;
            run.log.NewFolders(menuFolder, created);
            *menuFolderMade = true;
        }
        CreateShortcut(run, file.destination, name, menuFolder);
    }
    if (!file.startupFolder.empty()) CreateShortcut(run, file.destination, name, file.startupFolder);
    return true;
}

// Libraries register only once every file of the unit is in place, so that one can rely on
// another copied after it. False when the journal cannot note a registration: nothing of the
// run could be taken back then.
bool RegisterLibraries(InstallContext& run, const PlanUnit& unit) {
    for (const PlannedFile& file : unit.files) {
        if (file.entry->kind != kKindRegistrable || file.entry->registerSelf == 0) continue;
        if (!run.journal.NoteRegistered(file.destination)) return false;
        // The library is installed either way; what it registers is the library's own affair.
        long result = 0;
        if (RegisterLibrary(file.destination, &result))
            run.log.Record(kRecordRegister, file.destination.c_str());
        else
            Fail("InstallSection", "registering the library", file.destination, static_cast<unsigned long>(result),
                 Failing::kBestEffort);
    }
    return true;
}

}  // namespace

bool InstallUnit(InstallContext& run, const PlanUnit& unit) {
    bool menuFolderMade = false;
    // The Conduit section has no base: its folder names are full paths.
    if (!unit.base.empty() && !CreateInstallFolder(run, unit.base, Logging::kRecord)) return false;
    for (const std::string& folder : unit.folders)
        if (!CreateInstallFolder(run, folder, Logging::kRecord)) return false;
    // A device folder that cannot be made shows up as the first failed copy.
    if (!unit.deviceFolder.empty()) CreateInstallFolder(run, unit.deviceFolder, Logging::kRecord);

    for (const PlannedFile& file : unit.files) {
        if (run.progress && run.progress->Cancelled()) {
            Trace(text::Format("InstallSection::Cancelled by the user before %s\n", file.destination.c_str()).c_str());
            return false;
        }
        if (run.progress) run.progress->FileStarting(file.destination);
        if (!InstallFile(run, file.source, file.destination, file.entry->replaceMode,
                         file.shared ? Count::kShared : Count::kNone, Logging::kRecord,
                         file.seal ? file.seal->sha256 : std::string()))
            return false;
        if (run.progress) run.progress->FileDone();
        // A record the log lost (traced where it was written) ends the run: it could not commit.
        if (run.log.WriteFailed()) return false;
        if (!MakeShortcuts(run, file, unit.menuFolder, &menuFolderMade)) return false;
    }
    return RegisterLibraries(run, unit);
}

bool UnpackSection(const Project& project, const std::string& dataFolder, const std::string& base,
                   FileSection section) {
    if (!CreateFolderPath(base)) return false;
    for (const std::string& name : project.folders[section])
        if (!name.empty() && !CreateFolderPath(SectionFolder(base, name))) return false;
    for (const FileEntry& entry : project.files[section]) {
        std::string destination;
        if (!EntryDestination(project, std::string(), section, base, entry, &destination))
            return Fail("UnpackSection", "finding the destination of the entry", entry.path, ERROR_BAD_PATHNAME);
        if (entry.replaceMode == kReplaceNone) continue;
        const std::string source = text::PackageFilePath(dataFolder, text::DataFileName(entry.dataFile));
        const DataFileSeal* seal = project.SealOf(entry.dataFile);
        if (!CopyPackageFile(source, destination, seal ? seal->sha256 : std::string()))
            return Fail("UnpackSection", "copying the file to", destination, GetLastError());
    }
    return true;
}
