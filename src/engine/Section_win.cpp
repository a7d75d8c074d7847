#include "engine/Section.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cctype>
#include <vector>

#include "base/RunResult.h"
#include "base/Text.h"
#include "engine/InstallFile.h"
#include "win/SelfRegister.h"
#include "log/InstallLog.h"
#include "transaction/Journal.h"
#include "script/PathTokens.h"
#include "state/Messages.h"
#include "win/Files.h"
#include "win/Registry.h"
#include "win/UniqueHandle.h"

namespace {


// The shell link's class and interfaces. Defined here rather than taken from libuuid, whose
// member holding them is a table of thousands of IDs.
const CLSID kShellLinkClass = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kShellLinkInterface = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kPersistFileInterface = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

bool FitsPathBuffer(const std::string& path) { return path.size() < kPathLimit; }

void RemoveTrailingBackslash(std::string* path) {
    if (!path->empty() && path->back() == '\\') path->pop_back();
}

bool IsAbsolutePath(const std::string& path) {
    bool driveRooted = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                       path[2] == '\\';
    return driveRooted || path.compare(0, 2, "\\\\") == 0;
}

// The folder a section folder name stands for. An empty name is the base itself; with an
// empty base (the Conduit section) the names must be full paths. Empty when neither gives a
// full folder: the caller must not fall back on a path relative to the current folder, which
// depends on how the program was started.
std::string SectionFolder(const std::string& base, const std::string& name) {
    if (base.empty()) return IsAbsolutePath(name) ? name : std::string();
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

// The file name of the target without its extension, plus ".lnk".
std::string LinkName(const std::string& target) {
    size_t slash = target.find_last_of("\\/");
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name + ".lnk";
}

void CreateFolderPathMounted(const Project& project, const std::string& device, bool log) {
    if (device.empty()) return;
    std::string folder;
    if (!ExpandPath(project, text::JoinPath(device, project.defMountedDir), &folder, nullptr, kPathLimit)) return;
    // A device folder that cannot be made shows up as the first failed copy.
    CreateFolderPath(folder, log);
}

bool CreateSectionFolders(const Project& project, const std::string& device, FileSection section,
                          const std::string& base, bool log) {
    if (section == kSectionMountedDevice) {
        if (project.FileCount(section) > 0) CreateFolderPathMounted(project, device, log);
        return true;
    }
    for (const std::string& name : project.folders[section]) {
        if (name.empty()) continue;
        if (!CreateFolderPath(SectionFolder(base, name), log)) return false;
    }
    return true;
}

}  // namespace

bool CreateFolderPath(const std::string& path, bool log, int* createdCount) {
    std::string folder = path;
    RemoveTrailingBackslash(&folder);
    int created = 0;
    if (createdCount) *createdCount = 0;
    if (win::IsDirectory(folder)) return true;

    // Climb to the deepest level that exists or can be made, remembering where each cut was.
    std::vector<size_t> cuts;
    // Each level is noted in the journal before it is made; a note for a level that then
    // cannot be made costs the rollback nothing.
    auto make = [](const std::string& level) {
        if (!journal::NoteFolder(level) || !CreateDirectoryA(level.c_str(), nullptr)) return false;
        journal::FolderMade(level);
        return true;
    };
    bool madeOne = make(folder);
    std::string level = folder;
    while (!madeOne) {
        size_t slash = level.rfind('\\');
        if (slash == std::string::npos) return Fail("CreateFolderPath", "making the folder", folder, GetLastError());
        cuts.push_back(slash);
        level.erase(slash);
        if (win::IsDirectory(level)) break;
        madeOne = make(level);
    }
    if (madeOne) {
        if (log) LogRecord(kRecordCreateFolder, level.c_str());
        ++created;
    }

    // Descend again, the innermost cut last.
    for (auto cut = cuts.rbegin(); cut != cuts.rend(); ++cut) {
        size_t end = cut + 1 == cuts.rend() ? folder.size() : *(cut + 1);
        level = folder.substr(0, end);
        if (!make(level)) {
            if (createdCount) *createdCount = created;
            return Fail("CreateFolderPath", "making the folder", level, GetLastError());
        }
        if (log) LogRecord(kRecordCreateFolder, level.c_str());
        ++created;
    }
    if (createdCount) *createdCount = created;
    return true;
}

// A shortcut is a convenience: the program runs without it, so a failure is traced and the
// installation goes on.
void CreateShortcut(const std::string& target, const std::string& linkName, const std::string& folder) {
    const std::string linkPath = text::JoinPath(folder, linkName);
    HRESULT result = E_FAIL;
    win::ComPtr<IShellLinkA> link;
    win::ComPtr<IPersistFile> file;
    wchar_t widePath[MAX_PATH];
    char icon[256];
    int iconIndex = 0;
    if (FAILED(result = CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, kShellLinkInterface,
                                         link.put_void())) ||
        FAILED(result = link->QueryInterface(kPersistFileInterface, file.put_void())) ||
        FAILED(result = link->SetPath(target.c_str())))
        return void(Fail("CreateShortcut", "creating the shortcut", linkPath, result, Failing::kBestEffort));
    // Fails, rather than cutting the name, when the path does not fit.
    if (MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath, MAX_PATH) == 0)
        return void(Fail("CreateShortcut", "naming the shortcut", linkPath, GetLastError(), Failing::kBestEffort));
    // A shortcut of the same name (another installation's) is kept aside for the rollback.
    const journal::Aside aside = journal::MoveAside(linkPath);
    if (aside == journal::Aside::kFailed || (aside == journal::Aside::kMissing && !journal::NoteNewFile(linkPath)))
        return void(Fail("CreateShortcut", "keeping aside", linkPath, GetLastError(), Failing::kBestEffort));
    if (FAILED(result = file->Save(widePath, TRUE)) || FAILED(result = link->SetIconLocation(target.c_str(), 0)) ||
        FAILED(result = link->GetIconLocation(icon, sizeof icon, &iconIndex)) ||
        FAILED(result = file->Save(widePath, TRUE)))
        return void(Fail("CreateShortcut", "saving the shortcut", linkPath, result, Failing::kBestEffort));
    LogRecord(kRecordCreateShortcut, linkPath.c_str());
}

std::string ShortcutFolder(const Project& project) {
    std::string folder;
    if (ResolveShortcutFolder(project, &folder, kPathLimit)) return folder;

    std::string programs;
    win::UniqueKey key;
    if (win::OpenKey(HKEY_CURRENT_USER, win::kShellFoldersKey, KEY_ALL_ACCESS, &key))
        win::ReadString(key.get(), "Programs", kPathLimit, &programs);
    return text::Fit(text::JoinPath(programs, project.title + " " + project.version), kPathLimit);
}

bool InstallSection(const Project& project, const SectionPlaces& places, const std::string& base, bool shortcuts,
                    FileSection section, bool masterFolder, bool log, InstallProgress* progress) {
    const std::string& device = places.mountedDeviceFolder;
    std::string shortcutFolder;
    if (shortcuts) shortcutFolder = masterFolder ? places.mainShortcutFolder : ShortcutFolder(project);
    RemoveTrailingBackslash(&shortcutFolder);
    bool shortcutFolderMade = false;

    // The Conduit section has no base: its folder names are full paths.
    if (!base.empty() && !CreateFolderPath(base, log)) return false;
    if (!CreateSectionFolders(project, device, section, base, log)) return false;

    const std::vector<FileEntry>& entries = project.files[section];
    for (const FileEntry& entry : entries) {
        std::string destination;
        if (!EntryDestination(project, device, section, base, entry, &destination))
            return Fail("InstallSection", "finding the destination of the entry", entry.path, ERROR_BAD_PATHNAME);
        const std::string source = text::PackageFilePath(places.dataFolder, text::DataFileName(entry.dataFile));
        if (progress && progress->Cancelled()) {
            Trace(text::Format("InstallSection::Cancelled by the user before %s\n", destination.c_str()).c_str());
            return false;
        }
        if (progress) progress->FileStarting(destination);
        const DataFileSeal* seal = project.SealOf(entry.dataFile);
        if (!InstallFile(source, destination, entry.replaceMode, AskYesNo, IsSharedFile(section, destination), true,
                         seal ? seal->sha256 : std::string()))
            return false;
        if (progress) progress->FileDone();
        if (!shortcuts) continue;

        if (entry.menuShortcut != 0) {
            if (!shortcutFolderMade) {
                int created = 0;
                if (!CreateFolderPath(shortcutFolder, false, &created)) return false;
                LogNewFolders(shortcutFolder, created);
                shortcutFolderMade = true;
            }
            CreateShortcut(destination, LinkName(destination), shortcutFolder);
        }
        if (entry.startupShortcut == 1 || entry.startupShortcut == 2) {
            const std::string& startup =
                entry.startupShortcut == 1 ? places.startupFolder : places.commonStartupFolder;
            if (!startup.empty()) CreateShortcut(destination, LinkName(destination), startup);
        }
    }

    // Libraries register only once every file of the section is in place, so that one can
    // rely on another copied after it.
    for (const FileEntry& entry : entries) {
        if (entry.kind != kKindRegistrable || entry.registerSelf == 0) continue;
        std::string destination;
        // The library is installed either way; what it registers is the library's own affair.
        if (EntryDestination(project, device, section, base, entry, &destination) &&
            journal::NoteRegistered(destination) && RegisterLibrary(destination))
            LogRecord(kRecordRegister, destination.c_str());
        else
            Fail("InstallSection", "registering the library", destination, GetLastError(), Failing::kBestEffort);
    }
    return true;
}
