#include "uninstall/LogReplay.h"

#include <windows.h>

#include <utility>

#include "base/Limits.h"
#include "base/NameSet.h"
#include "base/RunResult.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "engine/InstallFile.h"
#include "engine/SharedCount.h"
#include "engine/UninstallEntry.h"
#include "log/InstallLog.h"
#include "transaction/Rollback.h"
#include "win/Files.h"
#include "win/Registry.h"
#include "win/SelfRegister.h"
#include "win/UniqueHandle.h"

namespace {

const char kUnknownApplication[] = "<Unknown Application>";

// Files, shortcuts and folders are deleted without looking them up first: a deletion of what
// is already gone fails as harmlessly as one of a file in use, and under Wine each look-up is
// a directory scan of its own. A read-only file is deleted all the same; one in use goes at the
// next restart. False when the file can be neither deleted nor scheduled.
bool RemoveFile(const std::string& path, ReplayContext* context) {
    if (win::DeleteFileIfPresent(path)) return true;
    const DWORD error = GetLastError();
    if (!RemoveAtRestart(path)) return Fail("Uninstall", "deleting", path, error);
    Trace(text::Format("Uninstall::%s is deleted at the next restart (%lu).\n", path.c_str(), error).c_str());
    context->atRestart.push_back(path);
    return true;
}

bool UndoCopyFile(const std::string& path, ReplayContext* context, SharedList& shared) {
    long count = 0;
    if (shared.Read(path, &count)) {
        if (count != 0) return true;  // another product still owns the file
        if (!shared.Modify(path, -1, AtZero::kRemove)) return false;
    }
    return RemoveFile(path, context);
}

bool UndoCreateFolder(const std::string& path, ReplayContext* context) {
    if (!RemoveDirectoryA(path.c_str()) && win::FileExists(path)) context->foldersLeft.push_back(path);
    return true;
}


bool UndoInstallConduit(const std::string& /*text*/) { return true; }

bool UndoModifyShared(const std::string& payload, SharedList& shared) {
    std::string path;
    std::string number;  // the change the install applied; taking off one is all undo does
    if (!SplitModifyShared(text::Fit(payload, kPathLimit), &path, &number))
        return Fail("Uninstall", "reading the record", payload, 0);
    return shared.Modify(path, -1, AtZero::kKeep);
}

// The entry of the run's own uninstall command, looked for when the entry's name changed. An
// entry found that cannot be deleted leaves the registry's code in `error` unless it holds one.
bool DeleteEntryByCommand(HKEY list, const std::string& commandLine, std::string* displayName, LONG* error) {
    for (const std::string& name : win::SubkeyNames(list, kPathLimit)) {
        std::string shownName = kUnknownApplication;
        std::string command;
        bool read = false;
        {
            win::UniqueKey entry;
            if (!win::OpenKey(list, name, KEY_QUERY_VALUE, &entry)) continue;
            win::ReadString(entry.get(), "DisplayName", kPathLimit, &shownName);
            read = win::ReadString(entry.get(), "UninstallString", kPathLimit, &command);
        }
        if (!read || !text::EqualsNoCase(command, commandLine)) continue;
        const LONG deleted = RegDeleteKeyA(list, name.c_str());
        if (deleted != ERROR_SUCCESS) {
            if (*error == ERROR_FILE_NOT_FOUND) *error = deleted;
            continue;
        }
        *displayName = shownName;
        return true;
    }
    return false;
}

bool UndoApplication(const std::string& name, ReplayContext* context) {
    win::UniqueKey list;
    if (!win::OpenKey(HKEY_LOCAL_MACHINE, kUninstallListKey, KEY_ALL_ACCESS, &list))
        return Fail("Uninstall", "opening the key", kUninstallListKey, GetLastError());
    // An empty name would make RegDeleteKeyA aim at the list itself.
    LONG error = name.empty() ? ERROR_FILE_NOT_FOUND : RegDeleteKeyA(list.get(), name.c_str());
    if (error == ERROR_SUCCESS) {
        context->displayName = text::Fit(name, kPathLimit);
        return true;
    }
    return DeleteEntryByCommand(list.get(), context->commandLine, &context->displayName, &error) ||
           Fail("Uninstall", "deleting the entry", name, static_cast<unsigned long>(error));
}

bool UndoRegister(const std::string& path, SharedList& shared) {
    // The record comes after the file's ModifyShared record, so its undo still sees this
    // product's own share in the count: above 1, another product uses the library and needs it
    // registered.
    long count = 0;
    if (shared.Read(path, &count) && count > 1) return true;
    // What the library registers is its own affair: one its entry refuses is still removed.
    long result = 0;
    if (win::FileExists(path) && !UnregisterLibrary(path, &result))
        Fail("Uninstall", "unregistering the library", path, static_cast<unsigned long>(result), Failing::kBestEffort);
    return true;
}

// Finds the links (reparse points) on a record's way where the installation made none: the
// install folder and the folders below it, and the folders the log says it created. A folder
// replaced by a link to another folder would have the other folder's files deleted. Each
// folder is looked at once.
class LinkGuard {
public:
    LinkGuard(const std::string& installFolder, const std::vector<std::string>& lines)
        : within_(text::AsciiUpper(installFolder)) {
        if (within_.empty()) return;
        LogLine record;
        for (const std::string& line : lines)
            if (ParseLogLine(line, &record) && record.kind == RecordKind::kCreateFolder)
                created_.Insert(text::AsciiUpper(record.payload));
    }

    // False, traced, when `path` (a folder with `self`) lies behind such a link.
    bool Clear(const std::string& path, bool self) {
        if (within_.empty()) return true;
        for (std::string folder = self ? path : text::ParentFolder(path); !folder.empty(); folder = text::ParentFolder(folder)) {
            const std::string key = text::AsciiUpper(folder);
            const bool guarded = key.compare(0, within_.size(), within_) == 0 &&
                                 (key.size() == within_.size() || key[within_.size()] == '\\');
            if (!(guarded || created_.Contains(key)) || !looked_.Insert(key)) continue;
            const DWORD attributes = GetFileAttributesA(folder.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
            // Nothing failed here: the link is refused.
            return Fail("Uninstall", ("undoing " + path + " behind the link").c_str(), folder, 0);
        }
        return true;
    }

private:
    std::string within_;  // upper-cased
    NameSet created_;
    NameSet looked_;  // folders found to be no link
};

// Undoes one record. False for a ModifyShared payload without its bar, an Application entry
// that can be neither deleted by name nor found, a path through a link, or a file that stays.
bool UndoRecord(const LogLine& record, ReplayContext* context, SharedList& shared, LinkGuard& links) {
    const std::string& payload = record.payload;
    switch (record.kind) {
    case RecordKind::kCopyFile: return links.Clear(payload, false) && UndoCopyFile(payload, context, shared);
    case RecordKind::kCreateFolder: return links.Clear(payload, true) && UndoCreateFolder(payload, context);
    case RecordKind::kCreateShortcut: return links.Clear(payload, false) && RemoveFile(payload, context);
    case RecordKind::kInstallConduit: return UndoInstallConduit(payload);
    case RecordKind::kModifyShared: return UndoModifyShared(payload, shared);
    case RecordKind::kApplication: return UndoApplication(payload, context);
    case RecordKind::kRegister: return links.Clear(payload, false) && UndoRegister(payload, shared);
    }
    return Fail("Uninstall", "undoing the record", payload, 0);
}

// The records of the folders the replay left so far: a cut log keeps them, so that a replay
// run again still removes them once they are empty.
std::string FolderRecords(const std::vector<std::string>& folders) {
    std::string records;
    for (const std::string& folder : folders) records += text::Format(kRecordCreateFolder, folder.c_str()) + "\r\n";
    return records;
}

}  // namespace

bool ReplayLog(const std::string& log, ReplayContext* context) {
    std::vector<size_t> starts;
    const std::vector<std::string> lines = SplitLogLines(log, &starts);
    // One opening of the shared-library list for the whole log, not one per record.
    // The replay is not taken back and records nothing: no journal, no log.
    SharedList shared(nullptr, nullptr);
    if (!shared.Open()) return false;
    shared.LearnNames(lines.size());
    LinkGuard links(context->installFolder, lines);
    std::string current = log;
    for (size_t i = lines.size(); i-- > 0;) {
        LogLine record;
        if (!ParseLogLine(lines[i], &record)) return Fail("Uninstall", "reading the record", lines[i], 0);
        // The log forgets a count's record before the count is taken: a replay killed between
        // the two leaves the count one too high, never one that another product holds too low.
        std::string uncut;
        if (record.kind == RecordKind::kModifyShared && !context->logPath.empty()) {
            std::string kept = log.substr(0, starts[i]) + FolderRecords(context->foldersLeft);
            if (!CutInstallLog(context->logPath, current, kept)) return false;
            uncut = std::exchange(current, std::move(kept));
        }
        if (!UndoRecord(record, context, shared, links)) {
            // A count that was not taken gets its record back, for the next uninstall to take.
            if (!uncut.empty()) CutInstallLog(context->logPath, current, uncut);
            return false;
        }
    }
    return true;
}

void RemoveFoldersLeft(const std::vector<std::string>& folders, const std::vector<std::string>& atRestart) {
    for (const std::string& folder : RetryOrder(folders)) {
        if (RemoveDirectoryA(folder.c_str())) continue;
        // After the files that wait for the restart, their folder: the deepest first.
        const std::string inside = text::AsciiUpper(folder) + "\\";
        for (const std::string& file : atRestart)
            if (text::AsciiUpper(file).compare(0, inside.size(), inside) == 0 && RemoveAtRestart(folder)) break;
    }
}
