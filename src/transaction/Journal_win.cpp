#include "transaction/Journal.h"

#include <windows.h>

#include "base/NameSet.h"
#include "base/RunResult.h"
#include "base/Text.h"
#include "transaction/Rollback.h"
#include "win/Files.h"
#include "win/Registry.h"
#include "win/UniqueHandle.h"

namespace {

constexpr int kShardNames = 64;

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
    // Only a key or value that is not there is absent: one that cannot be read would be
    // deleted by the rollback.
    if (GetLastError() != ERROR_FILE_NOT_FOUND)
        return Fail("Journal", opened ? "reading the value" : "opening the key of the value",
                    root + "\\" + key + "\\" + name, GetLastError());
    *state = EncodeValueState(false, 0, std::string());
    return true;
}

}  // namespace


Journal::~Journal() {
    // Whoever ends a run without committing it has it taken back, failure or not.
    if (file_ && !committed_) TakeBack();
}

bool Journal::Write(JournalKind kind, std::vector<std::string> fields) {
    // A record without an open journal could not be taken back: the change must not be made.
    if (!file_) return Fail("Journal", "writing a record to the closed journal", path_, ERROR_INVALID_HANDLE);
    const std::string line = FormatJournalLine({kind, std::move(fields)});
    // One write per record: a kill lands before or after it, and a torn line is passed over.
    return win::WriteAll(file_.get(), line.data(), line.size()) ||
           Fail("Journal", "writing a record to", path_, GetLastError());
}

bool Journal::Begin(const std::string& path, const std::string& tempLog) {
    Close();
    committed_ = false;
    file_.reset(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    if (!file_) return false;
    path_ = path;
    if (Write(JournalKind::kHeader, {"1", tempLog})) return true;
    Close();
    DeleteFileA(path.c_str());
    return false;
}

bool Journal::NoteNewFile(const std::string& path) {
    if (!Write(JournalKind::kNewFile, {path})) return false;
    if (!madeFolders_.empty()) madeFiles_.Insert(text::AsciiUpper(path));
    return true;
}

bool Journal::NoteFolder(const std::string& path) { return Write(JournalKind::kFolder, {path}); }

bool Journal::NoteRegistered(const std::string& path) { return Write(JournalKind::kRegistered, {path}); }

bool Journal::NoteRestart(const std::string& newCopy, const std::string& target, const std::string& place) {
    return Write(JournalKind::kRestart, {newCopy, target, place});
}

bool Journal::NoteGrowth(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return NoteNewFile(path);
    // A folder by the file's name cannot grow: the write into it fails, with nothing to undo.
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return true;
    const unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return Write(JournalKind::kGrown, {path, text::Format("%llu", size)});
}

bool Journal::NoteKey(const std::string& root, const std::string& key) {
    win::UniqueKey opened;
    if (win::OpenKey(win::RootKey(root), key, KEY_QUERY_VALUE, &opened)) return true;
    return Write(JournalKind::kKey, {root, key});
}

bool Journal::NoteValue(const std::string& root, const std::string& key, const std::string& name) {
    // The state before this run's first change is the one to go back to.
    const std::string id = text::AsciiUpper(root + "\\" + key + "\\" + name);
    if (notedValues_.Contains(id)) return true;
    std::string state;
    if (!ValueState(root, key, name, &state) || !Write(JournalKind::kValue, {root, key, name, state})) return false;
    notedValues_.Insert(id);
    return true;
}

void Journal::FolderMade(const std::string& folder) { madeFolders_.push_back(text::AsciiUpper(folder)); }

bool Journal::InFolderMade(const std::string& path) const {
    const std::string upper = text::AsciiUpper(path);
    const std::string folder = text::ParentFolder(upper);
    for (const std::string& made : madeFolders_)
        if (made == folder) return !madeFiles_.Contains(upper);
    return false;
}

// A journaled folder of this run's, made now.
bool Journal::MakeRunFolder(const std::string& path) {
    if (!NoteFolder(path)) return false;
    // Without it the file in the way is renamed aside instead.
    if (!CreateDirectoryA(path.c_str(), nullptr))
        return Fail("Journal", "making the staging folder", path, GetLastError(), Failing::kBestEffort);
    shardFolders_.push_back(path);
    return true;
}

// A new name in the run's folder beside `path`, with `prefix`; empty when there is none.
std::string Journal::ShardName(const std::string& path, char prefix) {
    const std::string folder = text::ParentFolder(path);
    const std::string key = text::AsciiUpper(folder);
    Shard* shard = nullptr;
    for (Shard& known : shards_)
        if (known.folder == key) shard = &known;
    if (!shard) {
        const std::string root = text::Format("%s\\~sr%lx", folder.c_str(), GetCurrentProcessId());
        if (!MakeRunFolder(root)) return std::string();
        shards_.push_back({key, root, root, 0, kShardNames});
        shard = &shards_.back();
    }
    if (shard->used == kShardNames) {
        const std::string next = text::Format("%s\\%u", shard->root.c_str(), shard->count++);
        if (!MakeRunFolder(next)) return std::string();
        shard->path = next;
        shard->used = 0;
    }
    return text::Format("%s\\%c%d", shard->path.c_str(), prefix, shard->used++);
}

namespace {

// A file that another program holds without letting it be deleted cannot be replaced, and a
// second name made for it could not be deleted either while it is held: found out first.
bool HeldOpen(const std::string& path) {
    win::UniqueFile probe(CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    // The caller's failure line names the file with this error.
    if (probe || GetLastError() != ERROR_SHARING_VIOLATION) return false;
    SetLastError(ERROR_SHARING_VIOLATION);
    return true;
}

}  // namespace

Journal::Aside Journal::KeepAside(const std::string& path, Replacement* replacement) {
    if (HeldOpen(path)) return Aside::kFailed;
    const std::string aside = ShardName(path, 'a');
    const std::string staging = ShardName(path, 'n');
    if (aside.empty() || staging.empty() || aside.size() >= MAX_PATH || staging.size() >= MAX_PATH)
        return MoveAside(path);
    if (!Write(JournalKind::kAside, {path, aside})) return Aside::kFailed;
    if (!CreateHardLinkA(aside.c_str(), path.c_str(), nullptr)) {
        const DWORD error = GetLastError();
        if (win::IsMissing(error)) return Aside::kMissing;
        return MoveAside(path);
    }
    asides_.emplace_back(path, aside);
    if (!NoteNewFile(staging)) return Aside::kFailed;
    replacement->aside = aside;
    replacement->staging = staging;
    return Aside::kLinked;
}

bool Journal::PutInPlace(const std::string& path, const Replacement& replacement) {
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

Journal::Aside Journal::MoveAside(const std::string& path) {
    const std::string folder = text::ParentFolder(path);
    if (folder.empty()) {
        SetLastError(ERROR_BAD_PATHNAME);
        return Aside::kFailed;
    }
    // A short name in the file's own folder: the move is a rename on one volume, and the name
    // fits wherever the file's own did.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string aside =
            text::Format("%s\\~sr%lx-%lx.tmp", folder.c_str(), GetCurrentProcessId(), asideCount_++);
        if (aside.size() >= MAX_PATH) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return Aside::kFailed;
        }
        if (!Write(JournalKind::kAside, {path, aside})) return Aside::kFailed;
        if (MoveFileA(path.c_str(), aside.c_str())) {
            // A folder by the file's name is no file to replace: put it back, the copy fails.
            const DWORD attributes = GetFileAttributesA(aside.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                MoveFileA(aside.c_str(), path.c_str());
                SetLastError(ERROR_ALREADY_EXISTS);
                return Aside::kFailed;
            }
            asides_.emplace_back(path, aside);
            return Aside::kMoved;
        }
        const DWORD error = GetLastError();
        if (win::IsMissing(error)) return Aside::kMissing;
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return Aside::kFailed;
    }
    return Aside::kFailed;
}

bool Journal::PutBack(const std::string& path) {
    for (auto kept = asides_.rbegin(); kept != asides_.rend(); ++kept) {
        if (kept->first != path) continue;
        if (!PutAsideBack(path, kept->second))
            return Fail("Journal", "putting back the kept copy of", path, GetLastError());
        asides_.erase(std::next(kept).base());
        return true;
    }
    return true;
}

bool Journal::Commit() {
    if (!Write(JournalKind::kCommitted, {})) return false;
    committed_ = true;
    // Past the mark a kill only leaves copies that the next start deletes.
    // A copy still loaded by a running program goes at the next restart.
    for (const auto& kept : asides_) {
        const std::string& aside = kept.second;
        if (!win::DeleteFileIfPresent(aside))
            if (!MoveFileExA(aside.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
                Fail("Journal", "deleting the kept copy", aside, GetLastError(), Failing::kBestEffort);
    }
    for (auto folder = shardFolders_.rbegin(); folder != shardFolders_.rend(); ++folder)
        RemoveDirectoryA(folder->c_str());
    Close();
    DeleteFileA(path_.c_str());
    return true;
}

int Journal::TakeBack() {
    if (!file_ || committed_) return 0;
    // The rollback reads the journal whole: the writer lets go of it first.
    Close();
    return RollBack(path_);
}

void Journal::Close() {
    file_.reset();
    asides_.clear();
    notedValues_.Clear();
    madeFolders_.clear();
    madeFiles_.Clear();
    shards_.clear();
    shardFolders_.clear();
}
