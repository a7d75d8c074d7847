#include "transaction/Journal.h"

#include <windows.h>

#include "base/NameSet.h"
#include "base/RunResult.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "win/Files.h"
#include "win/Registry.h"
#include "win/SecureFolder.h"
#include "win/UniqueHandle.h"

namespace journal {

namespace {

constexpr int kShardNames = 64;

struct RunJournal {
    win::UniqueFile file;
    std::string path;
    std::vector<std::string> asides;   // moved-aside copies, deleted at the commit
    NameSet notedValues;                   // values already noted this run, upper-cased
    std::vector<std::string> madeFolders;  // folders this run made, upper-cased
    // The run's folders for kept and staged files, one per destination folder, a new one every
    // kShardNames names; removed at the commit, the last made first.
    struct Shard {
        std::string folder;  // upper-cased destination folder
        std::string root;    // its run folder, holding the shards
        std::string path;    // the shard in use
        unsigned count;      // shards made so far
        int used;            // names taken in the shard in use
    };
    std::vector<Shard> shards;
    std::vector<std::string> shardFolders;
    NameSet madeFiles;                     // files this run put into them, upper-cased
    unsigned long asideCount = 0;
};

RunJournal& Run() {
    static RunJournal run;
    return run;
}

bool Write(JournalKind kind, std::vector<std::string> fields) {
    RunJournal& run = Run();
    if (!run.file) return true;
    const std::string line = FormatJournalLine({kind, std::move(fields)});
    // One write per record: a kill lands before or after it, and a torn line is passed over.
    return win::WriteAll(run.file.get(), line.data(), line.size()) ||
           Fail("Journal", "writing a record to", run.path, GetLastError());
}

std::string Folder(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The value as it is now, in the journal's form; a value or key that is not there is absent.
// False when the value is there but cannot be read.
bool ValueState(const std::string& root, const std::string& key, const std::string& name, std::string* state) {
    win::UniqueKey opened;
    DWORD type = 0;
    std::string data;
    if (win::OpenKey(win::RootKey(root), key, KEY_QUERY_VALUE, &opened) &&
        win::ReadRawValue(opened.get(), name.c_str(), &type, &data)) {
        *state = EncodeValueState(true, type, data);
        return true;
    }
    if (opened && GetLastError() != ERROR_FILE_NOT_FOUND)
        return Fail("Journal", "reading the value", key + "\\" + name, GetLastError());
    *state = EncodeValueState(false, 0, std::string());
    return true;
}

}  // namespace

namespace {

constexpr int kRunFolderCandidates = 10;

std::string RunFolderBase() {
    const std::string windows = win::WindowsFolder();
    return windows.empty() ? std::string() : text::JoinPath(windows, "HandheldSetup");
}

}  // namespace

std::string RunFilesFolder() {
    const std::string base = RunFolderBase();
    for (int n = 0; !base.empty() && n < kRunFolderCandidates; ++n) {
        const std::string folder = n == 0 ? base : text::Format("%s.%d", base.c_str(), n);
        if (!win::MakeAdminOnlyFolder(folder) && GetLastError() != ERROR_ALREADY_EXISTS) {
            Fail("Journal", "making the run files folder", folder, GetLastError());
            return std::string();
        }
        std::string why;
        if (win::IsAdminOnlyFolder(folder, &why)) {
            if (!why.empty()) Trace(text::Format("Setup::The run files folder %s: %s.\n", folder.c_str(), why.c_str()).c_str());
            return folder;
        }
        Trace(text::Format("Setup::The run files folder %s is not used: %s.\n", folder.c_str(), why.c_str()).c_str());
    }
    Fail("Journal", "finding a run files folder that only administrators can change beside", base, 0);
    return std::string();
}

bool IsRunFilesFolder(const std::string& folder) {
    const std::string base = RunFolderBase();
    if (base.empty() || folder.size() < base.size() || !text::EqualsNoCase(folder.substr(0, base.size()), base))
        return false;
    return folder.size() == base.size() || folder[base.size()] == '.';
}

bool Begin(const std::string& path, const std::string& tempLog) {
    RunJournal& run = Run();
    run = RunJournal();
    run.file.reset(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!run.file) return false;
    run.path = path;
    if (Write(JournalKind::kHeader, {"1", tempLog})) return true;
    Close();
    DeleteFileA(path.c_str());
    return false;
}

bool Active() { return static_cast<bool>(Run().file); }

const std::string& Path() { return Run().path; }

bool NoteNewFile(const std::string& path) {
    if (!Write(JournalKind::kNewFile, {path})) return false;
    if (Active() && !Run().madeFolders.empty()) Run().madeFiles.Insert(text::AsciiUpper(path));
    return true;
}

bool NoteFolder(const std::string& path) { return Write(JournalKind::kFolder, {path}); }

bool NoteRegistered(const std::string& path) { return Write(JournalKind::kRegistered, {path}); }

bool NoteRestart(const std::string& newCopy, const std::string& target, const std::string& place) {
    return Write(JournalKind::kRestart, {newCopy, target, place});
}

bool NoteGrowth(const std::string& path) {
    if (!Active()) return true;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return NoteNewFile(path);
    const unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return Write(JournalKind::kGrown, {path, text::Format("%llu", size)});
}

bool NoteKey(const std::string& root, const std::string& key) {
    if (!Active()) return true;
    win::UniqueKey opened;
    if (win::OpenKey(win::RootKey(root), key, KEY_QUERY_VALUE, &opened)) return true;
    return Write(JournalKind::kKey, {root, key});
}

bool NoteValue(const std::string& root, const std::string& key, const std::string& name) {
    if (!Active()) return true;
    RunJournal& run = Run();
    // The state before this run's first change is the one to go back to.
    const std::string id = text::AsciiUpper(root + "\\" + key + "\\" + name);
    if (run.notedValues.Contains(id)) return true;
    std::string state;
    if (!ValueState(root, key, name, &state) || !Write(JournalKind::kValue, {root, key, name, state})) return false;
    run.notedValues.Insert(id);
    return true;
}

void FolderMade(const std::string& folder) {
    if (Active()) Run().madeFolders.push_back(text::AsciiUpper(folder));
}

bool InFolderMade(const std::string& path) {
    if (!Active()) return false;
    const std::string upper = text::AsciiUpper(path);
    const std::string folder = Folder(upper);
    for (const std::string& made : Run().madeFolders)
        if (made == folder) return !Run().madeFiles.Contains(upper);
    return false;
}

namespace {

// A journaled folder of this run's, made now.
bool MakeRunFolder(const std::string& path) {
    if (!NoteFolder(path)) return false;
    // Without it the file in the way is renamed aside instead.
    if (!CreateDirectoryA(path.c_str(), nullptr))
        return Fail("Journal", "making the staging folder", path, GetLastError(), Failing::kBestEffort);
    Run().shardFolders.push_back(path);
    return true;
}

// A new name in the run's folder beside `path`, with `prefix`; empty when there is none.
std::string ShardName(const std::string& path, char prefix) {
    RunJournal& run = Run();
    const std::string folder = Folder(path);
    const std::string key = text::AsciiUpper(folder);
    RunJournal::Shard* shard = nullptr;
    for (RunJournal::Shard& known : run.shards)
        if (known.folder == key) shard = &known;
    if (!shard) {
        const std::string root = text::Format("%s\\~sr%lx", folder.c_str(), GetCurrentProcessId());
        if (!MakeRunFolder(root)) return std::string();
        run.shards.push_back({key, root, root, 0, kShardNames});
        shard = &run.shards.back();
    }
    if (shard->used == kShardNames) {
        const std::string next = text::Format("%s\\%u", shard->root.c_str(), shard->count++);
        if (!MakeRunFolder(next)) return std::string();
        shard->path = next;
        shard->used = 0;
    }
    return text::Format("%s\\%c%d", shard->path.c_str(), prefix, shard->used++);
}

}  // namespace

namespace {

// A file that another program holds without letting it be deleted cannot be replaced, and a
// second name made for it could not be deleted either while it is held: found out first.
bool HeldOpen(const std::string& path) {
    win::UniqueFile probe(CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (probe || GetLastError() != ERROR_SHARING_VIOLATION) return false;
    Trace(text::Format("InstallFile: %s is held open by another program and cannot be replaced: error %lu\n",
                       path.c_str(), static_cast<unsigned long>(ERROR_SHARING_VIOLATION))
              .c_str());
    SetLastError(ERROR_SHARING_VIOLATION);
    return true;
}

}  // namespace

Aside KeepAside(const std::string& path, Replacement* replacement) {
    if (!Active()) return Aside::kMissing;
    if (HeldOpen(path)) return Aside::kFailed;
    RunJournal& run = Run();
    const std::string aside = ShardName(path, 'a');
    const std::string staging = ShardName(path, 'n');
    if (aside.empty() || staging.empty() || aside.size() >= MAX_PATH || staging.size() >= MAX_PATH)
        return MoveAside(path);
    if (!Write(JournalKind::kAside, {path, aside})) return Aside::kFailed;
    if (!CreateHardLinkA(aside.c_str(), path.c_str(), nullptr)) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Aside::kMissing;
        return MoveAside(path);
    }
    run.asides.push_back(aside);
    if (!NoteNewFile(staging)) return Aside::kFailed;
    replacement->aside = aside;
    replacement->staging = staging;
    return Aside::kLinked;
}

bool PutInPlace(const std::string& path, const Replacement& replacement) {
    if (MoveFileExA(replacement.staging.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    // A read-only file refuses to be replaced, and its flag belongs to the second name as well:
    // the existing file goes aside whole instead, and the new one takes its name.
    DeleteFileA(replacement.aside.c_str());
    const bool placed = MoveAside(path) == Aside::kMoved && MoveFileA(replacement.staging.c_str(), path.c_str());
    if (!placed) {
        const DWORD error = GetLastError();
        DeleteFileA(replacement.staging.c_str());
        SetLastError(error);
    }
    return placed;
}

Aside MoveAside(const std::string& path) {
    if (!Active()) return Aside::kMissing;
    RunJournal& run = Run();
    const std::string folder = Folder(path);
    if (folder.empty()) return Aside::kFailed;
    // A short name in the file's own folder: the move is a rename on one volume, and the name
    // fits wherever the file's own did.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string aside =
            text::Format("%s\\~sr%lx-%lx.tmp", folder.c_str(), GetCurrentProcessId(), run.asideCount++);
        if (aside.size() >= MAX_PATH || !Write(JournalKind::kAside, {path, aside})) return Aside::kFailed;
        if (MoveFileA(path.c_str(), aside.c_str())) {
            // A folder by the file's name is no file to replace: put it back, the copy fails.
            const DWORD attributes = GetFileAttributesA(aside.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                MoveFileA(aside.c_str(), path.c_str());
                return Aside::kFailed;
            }
            run.asides.push_back(aside);
            return Aside::kMoved;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Aside::kMissing;
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return Aside::kFailed;
    }
    return Aside::kFailed;
}

bool Commit() {
    RunJournal& run = Run();
    if (!run.file) return true;
    if (!Write(JournalKind::kCommitted, {})) return false;
    // Past the mark a kill only leaves copies that the next start deletes.
    // A copy still loaded by a running program goes at the next restart.
    for (const std::string& aside : run.asides)
        if (!win::DeleteFileForce(aside) && GetLastError() != ERROR_FILE_NOT_FOUND)
            if (!MoveFileExA(aside.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
                Fail("Journal", "deleting the kept copy", aside, GetLastError(), Failing::kBestEffort);
    for (auto folder = run.shardFolders.rbegin(); folder != run.shardFolders.rend(); ++folder)
        RemoveDirectoryA(folder->c_str());
    const std::string path = run.path;
    Close();
    DeleteFileA(path.c_str());
    return true;
}

void Close() {
    RunJournal& run = Run();
    run.file.reset();
    run.asides.clear();
    run.notedValues.Clear();
    run.madeFolders.clear();
    run.madeFiles.Clear();
    run.shards.clear();
    run.shardFolders.clear();
}

}  // namespace journal
