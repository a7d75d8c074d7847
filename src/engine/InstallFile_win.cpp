#include "engine/InstallFile.h"

#include <windows.h>

#include <vector>

#include "base/RunResult.h"
#include "base/Text.h"
#include "engine/SharedCount.h"
#include "log/InstallLog.h"
#include "log/LogWriter.h"
#include "state/Messages.h"
#include "transaction/Journal.h"
#include "transaction/RenameSection.h"
#include "win/Digest.h"
#include "win/Files.h"
#include "win/UniqueHandle.h"

namespace {

LogWriter* LogOf(InstallContext& run, Logging logging) { return logging == Logging::kRecord ? &run.log : nullptr; }

ULONGLONG AsNumber(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Media and archives sometimes leave the last-write time empty; fall back to the others.
FILETIME EntryTime(const WIN32_FIND_DATAA& entry) {
    if (AsNumber(entry.ftLastWriteTime) != 0) return entry.ftLastWriteTime;
    if (AsNumber(entry.ftLastAccessTime) != 0) return entry.ftLastAccessTime;
    return entry.ftCreationTime;
}

// A source on read-only media must not leave a copy that cannot be replaced later.
void ClearReadOnly(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

// One copy: a sealed one hashes the bytes it writes, so that they are the bytes checked. A
// `fresh` one only makes a new file, never writes over or through an existing name.
bool CopyBytes(const std::string& source, const std::string& destination, const std::string& sha256, bool fresh) {
    if (sha256.empty()) return CopyFileA(source.c_str(), destination.c_str(), fresh) != 0;
    // One provider context for the run: acquiring one costs Wine milliseconds.
    static const win::Sha256Digests digests;
    std::string digest;
    if (!digests.OfCopy(source, destination, fresh ? CREATE_NEW : CREATE_ALWAYS, &digest)) return false;
    if (digest == sha256) return true;
    // The caller's failure line names the copy; the damaged-package message names the file.
    SetLastError(ERROR_INVALID_DATA);
    return false;
}

// An installation's copy only makes a new file: the run kept the one in the way aside.
bool CopyOnce(InstallContext& run, const std::string& source, const std::string& destination,
              const std::string& sha256) {
    if (CopyBytes(source, destination, sha256, true)) return true;
    if (GetLastError() == ERROR_INVALID_DATA && run.damagedSource.empty()) run.damagedSource = source;
    return false;
}

bool ShortPath(const std::string& path, std::string* out) {
    char buffer[MAX_PATH];
    DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    if (n == 0) return false;
    if (n >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    out->assign(buffer, n);
    return true;
}

// The first ".new"-style name beside the target that no pending copy holds yet.
bool FreeNewCopyName(const std::string& shortTarget, std::string* out) {
    for (int attempt = 0; attempt < kNewCopyAttempts; ++attempt) {
        std::string candidate = NewCopyName(shortTarget, attempt);
        if (candidate.size() >= MAX_PATH) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        if (!win::FileExists(candidate)) {
            *out = candidate;
            return true;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return false;
}

bool IsNtFamily() { return (GetVersion() & 0x80000000u) == 0; }

// NT-family systems never read WinInit.ini at restart; they take the session manager's
// pending renames instead.
bool ScheduleReplaceAtRestart(const std::string& newCopy, const std::string& target) {
    if (IsNtFamily())
        return MoveFileExA(newCopy.c_str(), target.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING) !=
               0;
    return WinInitRename(WinInitPath(), newCopy, target, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

bool RemoveAtRestart(const std::string& path) {
    if (IsNtFamily()) return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
    // WinInit.ini deletes what it renames to NUL, and reads 8.3 names only.
    std::string shortPath;
    return ShortPath(path, &shortPath) && WinInitRename(WinInitPath(), shortPath, "NUL", MOVEFILE_DELAY_UNTIL_REBOOT);
}

namespace {

void ShowSystemFileWarning(const std::string& shownPath) {
    size_t nameStart = shownPath.find_last_of("\\/:");
    std::string name = nameStart == std::string::npos ? shownPath : shownPath.substr(nameStart + 1);
    size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    name.resize(name.size() - extension.size());
    std::string message = text::Format(
        "Unable to copy a system file (%s%s).\nPlease check if you have the right permissions for this operation.",
        name.c_str(), extension.c_str());
    ShowFixedMessage(message, "Error", MB_ICONWARNING | MB_OK);
}

// A shared file that could not be overwritten (usually because it is in use) is copied beside
// it and swapped in at the next restart.
bool ReplaceAtRestart(InstallContext& run, const std::string& source, const std::string& destination,
                      const std::string& sha256) {
    std::string target;
    std::string newCopy;
    const bool named = win::FileExists(source) && ShortPath(destination, &target) && FreeNewCopyName(target, &newCopy);
    // The scheduled rename is noted first, so that a rollback takes it back with the copy. The
    // copy and the journal trace their own failures.
    const bool copied = named && InstallFile(run, source, newCopy, kReplaceAlways, Count::kNone, Logging::kSilent, sha256) &&
                        run.journal.NoteRestart(newCopy, target, IsNtFamily() ? std::string() : WinInitPath());
    if (copied && ScheduleReplaceAtRestart(newCopy, target)) {
        Outcome().restartFiles.push_back(destination);
        return true;
    }
    if (copied || !named) Fail("InstallFile", "scheduling for the next restart", named ? newCopy : destination, GetLastError());
    ShowSystemFileWarning(named ? newCopy : destination);
    return false;
}

}  // namespace

bool CopyPackageFile(const std::string& source, const std::string& destination, const std::string& sha256) {
    return CopyBytes(source, destination, sha256, false);
}

namespace {

// -1, 0 or 1 as the source is older than, as old as or newer than the file on disk. A file
// that cannot be looked up counts as newer: a missing source goes on to the copy so that its
// failure is reported, not hidden behind "the file on disk was kept".
LONG SourceOrder(const std::string& source, const std::string& destination) {
    WIN32_FIND_DATAA sourceEntry;
    WIN32_FIND_DATAA destinationEntry;
    if (!win::FindEntry(destination, &destinationEntry) || !win::FindEntry(source, &sourceEntry)) return 1;
    FILETIME sourceTime = EntryTime(sourceEntry);
    FILETIME destinationTime = EntryTime(destinationEntry);
    return CompareFileTime(&sourceTime, &destinationTime);
}

// What a replace rule makes of the file in the way.
enum class Decision { kCopy, kKeep, kLeaveAlone, kUnknownRule };

Decision Decide(InstallContext& run, const std::string& source, const std::string& destination, int mode,
                bool destinationMissing) {
    switch (mode) {
    case kReplaceNone: return Decision::kLeaveAlone;
    case kReplaceAlways: return Decision::kCopy;
    case kReplaceOlder:
    case kReplaceOlderAsk: {
        if (destinationMissing) return Decision::kCopy;
        const LONG order = SourceOrder(source, destination);
        const bool copy =
            order > 0 || (order < 0 && mode == kReplaceOlderAsk && run.ask && run.ask(destination.c_str()));
        return copy ? Decision::kCopy : Decision::kKeep;
    }
    default: return Decision::kUnknownRule;
    }
}

// The copy itself, the file in the way kept aside for the rollback; a file in use cannot be
// and goes the restart road when it is shared (`counts` holds the shared list then, else null).
bool CopyKeepingAside(InstallContext& run, const std::string& source, const std::string& destination,
                      SharedList* counts, Logging logging, const std::string& sha256, bool destinationMissing) {
    Journal::Replacement replacement;
    const Journal::Aside aside =
        destinationMissing ? Journal::Aside::kMissing : run.journal.KeepAside(destination, &replacement);
    const bool shared = counts != nullptr;
    auto copyFailed = [&] {
        const DWORD error = GetLastError();
        return Fail("InstallFile", ("copying " + text::FileName(source) + " to").c_str(),
                    destination, error);
    };
    if (aside == Journal::Aside::kFailed)
        return shared ? ReplaceAtRestart(run, source, destination, sha256) : copyFailed();
    if (aside == Journal::Aside::kMissing && !run.journal.NoteNewFile(destination)) return false;

    const bool staged = aside == Journal::Aside::kLinked;
    // With the old file kept aside the name is free: a name that appeared meanwhile (a link
    // planted in a folder its users can write) fails the copy instead of being written through.
    if (CopyOnce(run, source, staged ? replacement.staging : destination, sha256) &&
        (!staged || run.journal.PutInPlace(destination, replacement))) {
        ClearReadOnly(destination);
        if (logging == Logging::kRecord) run.log.Record(kRecordCopyFile, destination.c_str());
        return !shared || counts->Modify(destination, 1, AtZero::kKeep);
    }
    // A copy of other bytes than the sealed ones is no file in use: no restart can mend it.
    if (!shared || GetLastError() == ERROR_INVALID_DATA) return copyFailed();
    return ReplaceAtRestart(run, source, destination, sha256);
}

}  // namespace

bool InstallFile(InstallContext& run, const std::string& source, const std::string& destination, int mode, Count count,
                 Logging logging, const std::string& sha256) {
    const bool shared = count == Count::kShared;
    // A shared file is installed with its count or not at all.
    SharedList counts(&run.journal, LogOf(run, logging));
    if (shared) {
        if (!counts.Open()) return false;
        counts.Ensure(destination);
    }
    // In a folder this run made there is nothing to compare with or to keep: looking a missing
    // name up costs Wine a scan of the whole folder.
    const bool destinationMissing = run.journal.InFolderMade(destination);
    switch (Decide(run, source, destination, mode, destinationMissing)) {
    case Decision::kCopy:
        return CopyKeepingAside(run, source, destination, shared ? &counts : nullptr, logging, sha256,
                                destinationMissing);
    case Decision::kKeep: return !shared || counts.Modify(destination, 1, AtZero::kKeep);
    case Decision::kLeaveAlone: return true;
    case Decision::kUnknownRule: break;
    }
    return Fail("InstallFile", "applying an unknown replace rule to", destination, ERROR_INVALID_PARAMETER);
}

bool ReplacesExisting(const std::string& source, const std::string& destination, int mode) {
    return mode == kReplaceAlways || ((mode == kReplaceOlder || mode == kReplaceOlderAsk) &&
                                      win::FileExists(destination) && SourceOrder(source, destination) > 0);
}
