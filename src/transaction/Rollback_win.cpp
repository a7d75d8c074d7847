#include "transaction/Rollback.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/NameSet.h"
#include "base/RunResult.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "transaction/JournalFormat.h"
#include "transaction/RenameSection.h"
#include "transaction/RunFiles.h"
#include "win/Files.h"
#include "win/Registry.h"
#include "win/SelfRegister.h"
#include "win/UniqueHandle.h"

namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

// The file kept aside goes back over whatever the run put in its place.
bool PutAsideBack(const std::string& path, const std::string& aside) {
    if (!Exists(aside)) return true;  // the run was killed before it kept the file
    // A read-only new copy refuses to be replaced.
    if (!MoveFileExA(aside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) &&
        !(win::DeleteFileIfPresent(path) && MoveFileA(aside.c_str(), path.c_str())))
        return false;
    // A second name of the file still in its place (the run was killed before the new file
    // replaced it) survives a rename onto the first: it goes now.
    return !Exists(aside) || win::DeleteFileForce(aside);
}

namespace {

bool RestoreValue(const std::string& root, const std::string& key, const std::string& name, const std::string& state) {
    bool existed = false;
    unsigned long type = 0;
    std::string data;
    if (!DecodeValueState(state, &existed, &type, &data)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    win::UniqueKey opened;
    if (!win::OpenKey(win::RootKey(root), key, KEY_SET_VALUE, &opened)) return !existed;
    return existed ? win::WriteRawValue(opened.get(), name.c_str(), type, data)
                   : win::DeleteValue(opened.get(), name.c_str());
}

bool CutBack(const std::string& path, const std::string& size) {
    win::UniqueFile file;
    if (!win::OpenPlainFile(path, GENERIC_WRITE, 0, OPEN_EXISTING, &file)) return win::IsMissing(GetLastError());
    uint64_t bytes = 0;
    if (!text::ParseDecimal(size, &bytes) || bytes > static_cast<uint64_t>(INT64_MAX)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(bytes);
    return SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN) && SetEndOfFile(file.get());
}

// Walks one journal back. Libraries unregistered on the way are registered again once the
// copy that was there before is back in place.
class Undo {
public:
    int failures = 0;
    std::vector<std::string> folders;

    void Record(const JournalRecord& record) {
        const std::vector<std::string>& f = record.fields;
        bool undone = true;
        switch (record.kind) {
        case JournalKind::kHeader:
        case JournalKind::kCommitted: break;
        case JournalKind::kNewFile:
            undone = win::DeleteFileIfPresent(f[0]);
            created_.Insert(text::AsciiUpper(f[0]));
            break;
        case JournalKind::kAside:
            // A new file noted after it means that nothing was there to move: no need to look
            // for the copy, which costs Wine a scan of the folder.
            if (created_.Contains(text::AsciiUpper(f[0]))) break;
            undone = PutAsideBack(f[0], f[1]);
            if (undone && unregistered_.Contains(text::AsciiUpper(f[0]))) Registration(f[0], RegisterLibrary, "registering again");
            break;
        case JournalKind::kFolder: folders.push_back(f[0]); break;
        case JournalKind::kKey: undone = win::DeleteKey(win::RootKey(f[0]), f[1]); break;
        case JournalKind::kValue: undone = RestoreValue(f[0], f[1], f[2], f[3]); break;
        case JournalKind::kRegistered:
            if (Exists(f[0])) Registration(f[0], UnregisterLibrary, "unregistering");
            unregistered_.Insert(text::AsciiUpper(f[0]));
            break;
        case JournalKind::kRestart: undone = CancelRestartRename(f[2], f[0], f[1]); break;
        case JournalKind::kGrown: undone = CutBack(f[0], f[1]); break;
        }
        if (undone) return;
        ++failures;
        const DWORD error = GetLastError();
        // The subject: the file or folder, or root\key(\value) for the registry.
        const size_t parts = record.kind == JournalKind::kValue ? 3 : record.kind == JournalKind::kKey ? 2 : 1;
        std::string subject = f.empty() ? std::string() : f[0];
        for (size_t i = 1; i < parts && i < f.size(); ++i) subject += "\\" + f[i];
        Fail("Rollback", "taking back", subject, error, Failing::kNotTakenBack);
    }

private:
    // A library's registration is its own affair: one that its entry refuses stays as it is,
    // and the rest of the run is taken back all the same.
    static void Registration(const std::string& path, bool (*call)(const std::string&, long*), const char* action) {
        long result = 0;
        if (!call(path, &result))
            Fail("Rollback", action, path, static_cast<unsigned long>(result), Failing::kNotTakenBack);
    }

    NameSet unregistered_;
    NameSet created_;
};

}  // namespace

int RollBack(const std::string& journalPath) {
    std::string content;
    if (!win::ReadWholeFile(journalPath, &content)) {
        Fail("Rollback", "reading the journal", journalPath, GetLastError(), Failing::kNotTakenBack);
        return 1;
    }
    const std::vector<JournalRecord> records = ParseJournal(content);
    std::string tempLog;
    if (!records.empty() && records.front().kind == JournalKind::kHeader) tempLog = records.front().fields[1];

    int failures = 0;
    if (!records.empty() && records.back().kind == JournalKind::kCommitted) {
        Trace("Rollback::The run was committed; deleting what it moved aside.\n");
        NameSet keptIn;  // the run's folders for kept copies, each the level below its file's folder
        for (const JournalRecord& record : records) {
            if (record.kind != JournalKind::kAside) continue;
            const std::string& aside = record.fields[1];
            if (Exists(aside) && !win::DeleteFileForce(aside))
                failures += !Fail("Rollback", "deleting the kept copy", aside, GetLastError(), Failing::kBestEffort);
            const size_t level = aside.find('\\', record.fields[0].find_last_of('\\') + 1);
            if (level != std::string::npos) keptIn.Insert(text::AsciiUpper(aside.substr(0, level)));
        }
        // Those folders and the shards in them go too; the run's other folders hold its files.
        std::vector<std::string> runFolders;
        for (const JournalRecord& record : records) {
            if (record.kind != JournalKind::kFolder) continue;
            std::string folder = text::AsciiUpper(record.fields[0]);
            while (!keptIn.Contains(folder) && folder.find('\\') != std::string::npos)
                folder.erase(folder.find_last_of('\\'));
            if (keptIn.Contains(folder)) runFolders.push_back(record.fields[0]);
        }
        for (const std::string& folder : RetryOrder(runFolders)) RemoveDirectoryA(folder.c_str());
    } else {
        Undo undo;
        for (auto record = records.rbegin(); record != records.rend(); ++record) undo.Record(*record);
        for (const std::string& folder : RetryOrder(undo.folders)) RemoveDirectoryA(folder.c_str());
        failures = undo.failures;
    }
    if (failures > 0) return failures;
    if (!tempLog.empty()) DeleteFileA(tempLog.c_str());
    DeleteFileA(journalPath.c_str());
    return 0;
}

namespace {

// The runs' files in `folder` whose names end with `extension` ("*.journal"), and whose
// attributes hold `kind` (a folder) or not, by their full paths.
std::vector<std::string> RunEntries(const std::string& folder, const std::string& extension, DWORD kind) {
    std::vector<std::string> found;
    WIN32_FIND_DATAA entry;
    win::UniqueFind find(FindFirstFileA(text::JoinPath(folder, kRunFilePrefix + extension).c_str(), &entry));
    if (!find) return found;
    const size_t prefix = std::strlen(kRunFilePrefix);
    const size_t ending = extension.size() - 1;
    do {
        const std::string name = entry.cFileName;
        // The pattern also matches short names: keep the entries that are really ours.
        if (name.size() > prefix + ending && name.compare(0, prefix, kRunFilePrefix) == 0 &&
            name.compare(name.size() - ending, ending, extension, 1, ending) == 0 &&
            (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == kind)
            found.push_back(text::JoinPath(folder, name));
    } while (FindNextFileA(find.get(), &entry));
    return found;
}

std::vector<std::string> RunJournals(const std::string& folder) {
    return RunEntries(folder, std::string("*") + kJournalExtension, 0);
}

}  // namespace

int RecoverInterruptedRuns() {
    // Earlier versions kept their journals in the temporary folder, which its user (and any
    // program the user runs) can write: nothing proves who wrote one found there.
    const std::string temp = win::TempFolder();
    if (!temp.empty())
        for (const std::string& journal : RunJournals(temp))
            Trace(text::Format("Setup::Left alone: %s, a journal in a folder its user can write.\n", journal.c_str())
                      .c_str());
    const std::string folder = RunFilesFolder();
    if (folder.empty()) return 0;
    // With the lock held no run is in progress: a wizard's copy of the files is a killed one's.
    for (const std::string& files : RunEntries(folder, "*.files", FILE_ATTRIBUTE_DIRECTORY)) win::DeleteTree(files);
    const std::vector<std::string> journals = RunJournals(folder);
    for (const std::string& journal : journals) {
        Trace(text::Format("Setup::Taking back the interrupted installation of %s\n", journal.c_str()).c_str());
        const int left = RollBack(journal);
        if (left > 0) Trace(text::Format("Setup::%d changes could not be taken back.\n", left).c_str());
    }
    return static_cast<int>(journals.size());
}
