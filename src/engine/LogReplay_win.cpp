#include "engine/LogReplay.h"

#include <windows.h>

#include "base/Limits.h"
#include "base/RunResult.h"
#include "base/Text.h"
#include "engine/SelfRegister.h"
#include "engine/SharedCount.h"
#include "engine/UninstallEntry.h"
#include "log/InstallLog.h"
#include "win/Files.h"
#include "win/Registry.h"
#include "win/UniqueHandle.h"

namespace {

const char kUnknownApplication[] = "<Unknown Application>";

// A REG_SZ value read into a 260-byte area and kept to `limit` - 1 characters. 0 on success,
// the registry's error code when the query fails, -1 for a value of another type.
int ReadRegString(HKEY key, const char* name, size_t limit, std::string* out) {
    char area[kPathLimit + 1] = {};  // the extra byte terminates data stored without its zero
    DWORD type = 0;
    DWORD size = kPathLimit;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(area), &size);
    if (rc != ERROR_SUCCESS) return static_cast<int>(rc);
    if (type != REG_SZ) return -1;
    *out = text::Fit(area, limit);
    return 0;
}

// Files, shortcuts and folders are deleted without looking them up first: a deletion of what
// is already gone fails as harmlessly as one of a file in use, and under Wine each look-up is
// a directory scan of its own.
bool UndoCopyFile(const std::string& path, SharedList& shared) {
    long count = 0;
    if (shared.Read(path, &count)) {
        if (count != 0) return true;  // another product still owns the file
        shared.Modify(path, -1, true, false);
    }
    DeleteFileA(path.c_str());  // a file in use stays, unreported
    return true;
}

bool UndoCreateFolder(const std::string& path, ReplayContext* context) {
    if (!RemoveDirectoryA(path.c_str()) && win::FileExists(path)) context->foldersLeft.push_back(path);
    return true;
}

bool UndoCreateShortcut(const std::string& path) {
    DeleteFileA(path.c_str());
    return true;
}

bool UndoInstallConduit(const std::string& /*text*/) { return true; }

bool UndoModifyShared(const std::string& payload, SharedList& shared) {
    std::string path;
    std::string number;  // the change the install applied; taking off one is all undo does
    if (!SplitModifyShared(text::Fit(payload, kPathLimit), &path, &number))
        return Fail("Uninstall", "reading the record", payload, 0);
    shared.Modify(path, -1, false, false);
    return true;
}

// The entry of the run's own uninstall command, looked for when the entry's name changed.
bool DeleteEntryByCommand(HKEY list, const std::string& commandLine, std::string* displayName) {
    for (DWORD index = 0;; ++index) {
        char name[kPathLimit];
        DWORD nameSize = kPathLimit;
        LONG rc = RegEnumKeyExA(list, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) continue;  // a longer name is not one of ours
        if (rc != ERROR_SUCCESS) return false;

        std::string shownName = kUnknownApplication;
        std::string command;
        int read = 0;
        {
            win::UniqueKey entry;
            if (!win::OpenKey(list, name, KEY_ALL_ACCESS, &entry)) continue;
            ReadRegString(entry.get(), "DisplayName", kPathLimit, &shownName);
            read = ReadRegString(entry.get(), "UninstallString", kPathLimit, &command);
        }
        if (read != 0 || !text::EqualsNoCase(command, commandLine)) continue;
        if (RegDeleteKeyA(list, name) != ERROR_SUCCESS) continue;
        *displayName = shownName;
        return true;
    }
}

bool UndoApplication(const std::string& name, ReplayContext* context) {
    win::UniqueKey list;
    if (!win::OpenKey(HKEY_LOCAL_MACHINE, kUninstallListKey, KEY_ALL_ACCESS, &list))
        return Fail("Uninstall", "opening the key", kUninstallListKey, GetLastError());
    // An empty name would make RegDeleteKeyA aim at the list itself.
    if (!name.empty() && RegDeleteKeyA(list.get(), name.c_str()) == ERROR_SUCCESS) {
        context->displayName = text::Fit(name, kPathLimit);
        return true;
    }
    return DeleteEntryByCommand(list.get(), context->commandLine, &context->displayName) ||
           Fail("Uninstall", "deleting the entry", name, ERROR_FILE_NOT_FOUND);
}

bool UndoRegister(const std::string& path, SharedList& shared) {
    // The record comes after the file's ModifyShared record, so its undo still sees this
    // product's own share in the count: above 1, another product uses the library and needs it
    // registered.
    long count = 0;
    if (shared.Read(path, &count) && count > 1) return true;
    if (win::FileExists(path)) UnregisterLibrary(path);
    return true;
}

// Undoes one record line. False for a line that is no record, a ModifyShared payload without
// its bar, or an Application entry that can be neither deleted by name nor found. Files,
// shortcuts and folders that cannot be deleted, and failed unregistrations, are not failures.
bool UndoRecord(const std::string& line, ReplayContext* context, SharedList& shared) {
    LogLine record;
    if (!ParseLogLine(line, &record)) return Fail("Uninstall", "reading the record", line, 0);
    const std::string& payload = record.payload;
    switch (record.kind) {
    case RecordKind::kCopyFile: return UndoCopyFile(payload, shared);
    case RecordKind::kCreateFolder: return UndoCreateFolder(payload, context);
    case RecordKind::kCreateShortcut: return UndoCreateShortcut(payload);
    case RecordKind::kInstallConduit: return UndoInstallConduit(payload);
    case RecordKind::kModifyShared: return UndoModifyShared(payload, shared);
    case RecordKind::kApplication: return UndoApplication(payload, context);
    case RecordKind::kRegister: return UndoRegister(payload, shared);
    }
    return Fail("Uninstall", "reading the record", line, 0);
}

}  // namespace

bool ReplayLog(const std::string& log, ReplayContext* context) {
    const std::vector<std::string> lines = SplitLogLines(log);
    // One opening of the shared-library list for the whole log, not one per record.
    SharedList shared;
    shared.LearnNames(lines.size());
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (!UndoRecord(*line, context, shared)) return false;
    return true;
}

void RemoveFoldersLeft(const std::vector<std::string>& folders) {
    for (const std::string& folder : RetryOrder(folders)) RemoveDirectoryA(folder.c_str());
}
