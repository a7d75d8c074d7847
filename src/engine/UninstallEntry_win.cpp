#include "engine/UninstallEntry.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "base/RunResult.h"
#include "base/Text.h"
#include "base/Version.h"
#include "base/Trace.h"
#include "engine/InstallFile.h"
#include "log/InstallLog.h"
#include "log/UninstallCommand.h"
#include "transaction/Journal.h"
#include "win/Digest.h"
#include "win/Files.h"
#include "win/Registry.h"

const char kUninstallerName[] = "pyxu.exe";
const char kUninstallListKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kLogDigestValue[] = "InstallLogSha256";
const char kLogLeftDigestValue[] = "InstallLogLeftSha256";

namespace {

// Registered commands are longer than a path field: log, library and uninstaller paths.
constexpr size_t kCommandLimit = 2048;

// The log a registered command undoes, as the uninstaller reads its own command.
std::string LogOfCommand(const std::string& command) {
    UninstallRequest request;
    return RequestOfCommand(command, &request) ? request.logPath : std::string();
}

using Entries = std::vector<std::pair<std::string, win::UniqueKey>>;

// What of the list of installed programs could not be read, and the registry's code for it.
struct Unreadable {
    const char* action = "";
    std::string subject;
    DWORD error = 0;
};

// The Uninstall entries whose command undoes `installLog`, opened with `access`. False, with
// `unreadable` filled, when the list or an entry cannot be opened or read for any reason but
// not being there: the entry not read may be the one that names the log. Every entry is read
// with query access; only those naming the log are opened again with `access`, so that another
// product's entry that may only be read is no failure.
bool EntriesNamingLog(const std::string& installLog, REGSAM access, Entries* entries, Unreadable* unreadable) {
    auto unread = [&](const char* action, const std::string& subject, DWORD error) {
        *unreadable = {action, subject, error};
        return false;
    };
    const std::string listKey = std::string("HKLM\\") + kUninstallListKey;
    win::UniqueKey list;
    if (!win::OpenKey(HKEY_LOCAL_MACHINE, kUninstallListKey, KEY_READ, &list)) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || unread("opening the key", listKey, error);
    }
    for (const std::string& name : win::SubkeyNames(list.get(), kPathLimit)) {
        const std::string entryKey = listKey + "\\" + name;
        win::UniqueKey entry;
        if (!win::OpenKey(list.get(), name, KEY_QUERY_VALUE, &entry)) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) continue;  // deleted since the names were read
            return unread("opening the key", entryKey, error);
        }
        std::string command;
        SetLastError(ERROR_SUCCESS);
        if (!win::ReadString(entry.get(), "UninstallString", kCommandLimit, &command)) {
            const DWORD error = GetLastError();
            // None, of another type or longer than any command this program writes: another
            // program's entry.
            if (error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND || error == ERROR_MORE_DATA) continue;
            return unread("reading the value", entryKey + "\\UninstallString", error);
        }
        if (!text::EqualsNoCase(LogOfCommand(command), installLog)) continue;
        if (access != KEY_QUERY_VALUE && !win::OpenKey(list.get(), name, access, &entry))
            return unread("opening the key", entryKey, GetLastError());
        entries->emplace_back(name, std::move(entry));
    }
    return true;
}

// CheckInstallLogDigest without its trace.
LogDigestCheck CompareWithEntries(const std::string& installLog, const std::string& content, Unreadable* unreadable) {
    Entries entries;
    if (!EntriesNamingLog(installLog, KEY_QUERY_VALUE, &entries, unreadable)) return LogDigestCheck::kUnreadable;
    std::string actual;
    bool anyDigest = false;
    for (const auto& entry : entries) {
        std::string stored;
        if (!win::ReadString(entry.second.get(), kLogDigestValue, kPathLimit, &stored)) continue;
        anyDigest = true;
        // Products that shared a folder before such folders were refused share its log too:
        // the log is trusted when it is what the last of them wrote.
        if (actual.empty() && !win::Sha256Hex(content, &actual)) return LogDigestCheck::kDiffers;
        std::string left;
        if (text::EqualsNoCase(stored, actual) ||
            (win::ReadString(entry.second.get(), kLogLeftDigestValue, kPathLimit, &left) &&
             text::EqualsNoCase(left, actual)))
            return LogDigestCheck::kMatches;
    }
    return anyDigest ? LogDigestCheck::kDiffers : LogDigestCheck::kNoDigest;
}

}  // namespace

bool PrepareUnInstall(InstallContext& run, const Project& mainProject, const std::string& programPath,
                      const std::string& installFolder, const std::string& languagePath, uint32_t estimatedSizeKiB) {
    Journal& journal = run.journal;
    const std::string windows = win::WindowsFolder();
    if (windows.empty()) return Fail("PrepareUnInstall", "finding the Windows folder", "", GetLastError());
    const std::string uninstaller = text::JoinPath(windows, kUninstallerName);

    // An uninstaller already in place with an equal or newer time stays.
    if (!InstallFile(run, programPath, uninstaller, kReplaceOlder, Count::kNone, Logging::kSilent)) return false;

    // Paths stand unquoted: the uninstaller finds the log between "-u" and " -l". The quiet
    // command is the same behind the /S switch, which start-up takes off before it looks.
    const std::string request =
        UninstallArguments(text::Format("%s\\%s", installFolder.c_str(), kInstallLogName), languagePath);
    const std::string command = uninstaller + " " + request;
    const std::string quietCommand = uninstaller + " /S " + request;
    const std::string displayName = UninstallDisplayName(mainProject);

    // The list's root belongs to Windows: opened, never created.
    win::UniqueKey root;
    const std::string listKey = std::string("HKLM\\") + kUninstallListKey;
    if (!win::OpenKey(HKEY_LOCAL_MACHINE, kUninstallListKey, KEY_ALL_ACCESS, &root))
        return Fail("PrepareUnInstall", "opening the key", listKey, GetLastError());
    const std::string entryPath = text::Format("%s\\%s", kUninstallListKey, displayName.c_str());
    if (!journal.NoteKey("HKLM", entryPath)) return false;
    win::UniqueKey entry;
    const LONG created = RegCreateKeyExA(root.get(), displayName.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_ALL_ACCESS, nullptr, entry.put(), nullptr);
    if (created != ERROR_SUCCESS) return Fail("PrepareUnInstall", "creating the key", "HKLM\\" + entryPath, created);
    // An earlier installation's entry gets its values back if this run is taken back.
    auto write = [&](const char* name, const std::string* value, DWORD number, Failing how) {
        return (journal.NoteValue("HKLM", entryPath, name) &&
                (value ? win::WriteString(entry.get(), name, *value) : win::WriteDword(entry.get(), name, number))) ||
               Fail("PrepareUnInstall", "writing the value", "HKLM\\" + entryPath + "\\" + name, GetLastError(), how);
    };
    const bool written = write("DisplayName", &displayName, 0, Failing::kRun) &&
                         write("UninstallString", &command, 0, Failing::kRun) &&
                         write("InstallPath", &installFolder, 0, Failing::kRun);
    if (!written) return false;

    // What the list of installed programs shows and offers besides.
    write("QuietUninstallString", &quietCommand, 0, Failing::kBestEffort);
    write("Publisher", &mainProject.company, 0, Failing::kBestEffort);
    write("DisplayVersion", &mainProject.version, 0, Failing::kBestEffort);
    // Deployment tools compare these; a version that is no dotted number counts as 0.0.
    ProductVersion version;
    ParseProductVersion(mainProject.version, &version);
    write("VersionMajor", nullptr, version.parts[0], Failing::kBestEffort);
    write("VersionMinor", nullptr, version.parts[1], Failing::kBestEffort);
    write("InstallLocation", &installFolder, 0, Failing::kBestEffort);
    write("DisplayIcon", &uninstaller, 0, Failing::kBestEffort);
    write("EstimatedSize", nullptr, estimatedSizeKiB, Failing::kBestEffort);
    write("NoModify", nullptr, 1, Failing::kBestEffort);
    write("NoRepair", nullptr, 1, Failing::kBestEffort);
    return true;
}

bool PreviousInstallFolder(const Project& project, std::string* folder, size_t limit) {
    const std::string displayName = UninstallDisplayName(project);
    win::UniqueKey key;
    if (!win::OpenKey(HKEY_LOCAL_MACHINE, text::Format("%s\\%s", kUninstallListKey, displayName.c_str()),
                      KEY_QUERY_VALUE, &key))
        return false;
    // The whole command: uninstaller, log and language library paths may well pass 260.
    std::string command;
    if (!win::ReadString(key.get(), "UninstallString", kCommandLimit, &command)) return false;

    // The folder of its "install.log"; with none before the log there is no folder to go back to.
    UninstallRequest request;
    if (!RequestOfCommand(command, &request) || text::FileName(request.logPath) != kInstallLogName) return false;
    const std::string found = text::ParentFolder(request.logPath);
    if (found.empty() || found.size() >= limit) return false;
    *folder = found;
    return true;
}

bool StoreInstallLogDigest(Journal& journal, const std::string& installLog, const std::string& appendedLog) {
    // Without the digest the log is trusted as before: the run goes on.
    auto failed = [](const char* action, const std::string& subject, unsigned long error) {
        return Fail("StoreInstallLogDigest", action, subject, error, Failing::kBestEffort);
    };
    std::string log;
    std::string appended;
    std::string digest;
    if (!win::ReadWholeFile(installLog, &log)) return failed("reading", installLog, GetLastError());
    if (!win::ReadWholeFile(appendedLog, &appended)) return failed("reading", appendedLog, GetLastError());
    if (log.size() < appended.size() || log.compare(log.size() - appended.size(), std::string::npos, appended) != 0)
        return failed("finding this run's records at the end of", installLog, ERROR_INVALID_DATA);
    // An earlier log that was deleted leaves nothing to vouch for, whatever its entry held.
    const std::string earlier = log.substr(0, log.size() - appended.size());
    Unreadable unreadable;
    const LogDigestCheck check =
        earlier.empty() ? LogDigestCheck::kNoDigest : CompareWithEntries(installLog, earlier, &unreadable);
    if (check == LogDigestCheck::kDiffers)
        return failed("vouching for the changed earlier records of", installLog, ERROR_INVALID_DATA);
    Entries entries;
    if (check == LogDigestCheck::kUnreadable ||
        !EntriesNamingLog(installLog, KEY_QUERY_VALUE | KEY_SET_VALUE, &entries, &unreadable))
        return failed(unreadable.action, unreadable.subject, unreadable.error);
    if (!win::Sha256Hex(log, &digest)) return failed("hashing", installLog, GetLastError());
    bool stored = false;
    for (const auto& entry : entries) {
        const std::string key = text::JoinPath(kUninstallListKey, entry.first);
        // The journal traces a note it cannot write.
        if (!journal.NoteValue("HKLM", key, kLogLeftDigestValue) || !journal.NoteValue("HKLM", key, kLogDigestValue))
            continue;
        // A part an interrupted uninstall left is part of the whole now.
        if (win::DeleteValue(entry.second.get(), kLogLeftDigestValue) &&
            win::WriteString(entry.second.get(), kLogDigestValue, digest))
            stored = true;
        else
            failed("storing the digest in", "HKLM\\" + key, GetLastError());
    }
    return stored || failed("finding an Uninstall entry naming", installLog, ERROR_FILE_NOT_FOUND);
}

bool CutInstallLog(const std::string& installLog, const std::string& current, const std::string& kept) {
    std::string now;
    std::string next;
    if (!win::Sha256Hex(current, &now) || !win::Sha256Hex(kept, &next))
        return Fail("CutInstallLog", "taking the digests of", installLog, GetLastError());
    Entries entries;
    Unreadable unreadable;
    if (!EntriesNamingLog(installLog, KEY_QUERY_VALUE | KEY_SET_VALUE, &entries, &unreadable))
        return Fail("CutInstallLog", unreadable.action, unreadable.subject, unreadable.error);
    for (const auto& entry : entries) {
        std::string whole;
        // An entry without a digest trusts any log, the cut one too.
        if (!win::ReadString(entry.second.get(), kLogDigestValue, kPathLimit, &whole)) continue;
        // The value the log does not match now takes the digest of the log to come: killed at
        // any point, the log matches one of the two.
        const char* slot = text::EqualsNoCase(whole, now) ? kLogLeftDigestValue : kLogDigestValue;
        if (!win::WriteString(entry.second.get(), slot, next))
            return Fail("CutInstallLog", "writing the value",
                        std::string("HKLM\\") + text::JoinPath(kUninstallListKey, entry.first) + "\\" + slot,
                        GetLastError());
    }
    // The cut log is written whole beside the log and takes its place in one rename. The folder
    // may be one its users can write: a new file follows no link they put there.
    const std::string cut = installLog + ".cut";
    DeleteFileA(cut.c_str());
    win::UniqueFile file(CreateFileA(cut.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return Fail("CutInstallLog", "creating", cut, GetLastError());
    if (!win::WriteAll(file.get(), kept.data(), kept.size())) {
        const DWORD error = GetLastError();
        file.reset();
        DeleteFileA(cut.c_str());
        return Fail("CutInstallLog", "writing", cut, error);
    }
    file.reset();
    // The log is deleted at the end in any case: a read-only one is replaced all the same.
    SetFileAttributesA(installLog.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (MoveFileExA(cut.c_str(), installLog.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    const DWORD error = GetLastError();
    DeleteFileA(cut.c_str());
    return Fail("CutInstallLog", ("putting " + cut + " in place of").c_str(), installLog, error);
}

LogDigestCheck CheckInstallLogDigest(const std::string& installLog, const std::string& content) {
    Unreadable unreadable;
    const LogDigestCheck check = CompareWithEntries(installLog, content, &unreadable);
    if (check == LogDigestCheck::kUnreadable)
        Fail("InstallLogDigest", unreadable.action, unreadable.subject, unreadable.error);
    return check;
}
