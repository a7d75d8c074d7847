#include "engine/InstallFile.h"

#include <windows.h>

#include <vector>

#include "base/RunResult.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "transaction/RenameSection.h"
#include "engine/SharedCount.h"
#include "transaction/Journal.h"
#include "log/InstallLog.h"
#include "state/Messages.h"
#include "win/Digest.h"
#include "win/Files.h"
#include "win/UniqueHandle.h"

namespace {

ULONGLONG AsNumber(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Media and archives sometimes leave the last-write time empty; fall back to the others.
FILETIME EntryTime(const WIN32_FIND_DATAA& entry) {
    if (AsNumber(entry.ftLastWriteTime) != 0) return entry.ftLastWriteTime;
    if (AsNumber(entry.ftLastAccessTime) != 0) return entry.ftLastAccessTime;
    return entry.ftCreationTime;
}

// True when the file was read-only and no longer is; `before` receives its attributes.
bool ClearReadOnly(const std::string& path, DWORD* before = nullptr) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
    if (before) *before = attributes;
    return SetFileAttributesA(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) != 0;
}

std::string g_sourceAgainstSeal;

// One copy: a sealed one hashes the bytes it writes, so that they are the bytes checked. A
// `fresh` one only makes a new file, never writes over or through an existing name.
bool CopyOnce(const std::string& source, const std::string& destination, const std::string& sha256, bool fresh) {
    if (sha256.empty()) return CopyFileA(source.c_str(), destination.c_str(), fresh) != 0;
    // One provider context for the run: acquiring one costs Wine milliseconds.
    static const win::Sha256Digests digests;
    std::string digest;
    if (!digests.OfCopy(source, destination, fresh ? CREATE_NEW : CREATE_ALWAYS, &digest)) return false;
    if (digest == sha256) return true;
    Trace(text::Format("InstallFile::%s is not what its script seals.\n", source.c_str()).c_str());
    if (g_sourceAgainstSeal.empty()) g_sourceAgainstSeal = source;
    SetLastError(ERROR_INVALID_DATA);
    return false;
}

// Copies over an existing file, read-only or not. The read-only flag is cleared only when the
// copy is refused: looking a destination up first costs a directory scan per file on file
// systems without case-insensitive lookup, which is most of the time of a large install.
// A copy that still fails leaves the file as it was, read-only flag included.
bool CopyOver(const std::string& source, const std::string& destination, const std::string& sha256, bool fresh) {
    if (CopyOnce(source, destination, sha256, fresh)) return true;
    DWORD error = GetLastError();
    DWORD attributes = 0;
    if (error != ERROR_INVALID_DATA && ClearReadOnly(destination, &attributes)) {
        if (CopyOnce(source, destination, sha256, fresh)) return true;
        error = GetLastError();
        SetFileAttributesA(destination.c_str(), attributes);
    }
    SetLastError(error);
    return false;
}

bool ShortPath(const std::string& path, std::string* out) {
    char buffer[MAX_PATH];
    DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    out->assign(buffer, n);
    return true;
}

// The first ".new"-style name beside the target that no pending copy holds yet.
bool FreeNewCopyName(const std::string& shortTarget, std::string* out) {
    for (int attempt = 0; attempt < kNewCopyAttempts; ++attempt) {
        std::string candidate = NewCopyName(shortTarget, attempt);
        if (candidate.size() >= MAX_PATH) return false;
        if (!win::FileExists(candidate)) {
            *out = candidate;
            return true;
        }
    }
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
int g_restartReplacements = 0;

bool ReplaceAtRestart(const std::string& source, const std::string& destination, AskReplaceFn ask,
                      const std::string& sha256) {
    std::string target;
    std::string newCopy;
    bool named = win::FileExists(source) && ShortPath(destination, &target) && FreeNewCopyName(target, &newCopy);
    // The scheduled rename is noted first, so that a rollback takes it back with the copy.
    if (named && InstallFile(source, newCopy, kReplaceAlways, ask, false, false, sha256) &&
        journal::NoteRestart(newCopy, target, IsNtFamily() ? std::string() : WinInitPath()) &&
        ScheduleReplaceAtRestart(newCopy, target)) {
        ++g_restartReplacements;
        Outcome().restartFiles.push_back(destination);
        return true;
    }
    Fail("InstallFile", "scheduling for the next restart", named ? newCopy : destination, GetLastError());
    ShowSystemFileWarning(named ? newCopy : destination);
    return false;
}

}  // namespace

int RestartReplacementsScheduled() { return g_restartReplacements; }

const std::string& SourceAgainstSeal() { return g_sourceAgainstSeal; }

bool InstallFile(const std::string& source, const std::string& destination, int mode, AskReplaceFn ask, bool shared,
                bool log, const std::string& sha256) {
    if (shared) EnsureSharedCount(destination);

    bool copy = false;
    // In a folder this run made there is nothing to compare with or to keep: looking a missing
    // name up costs Wine a scan of the whole folder.
    bool destinationMissing = journal::InFolderMade(destination);
    switch (mode) {
    case kReplaceNone:
        return true;
    case kReplaceAlways:
        copy = true;
        break;
    case kReplaceOlder:
    case kReplaceOlderAsk: {
        WIN32_FIND_DATAA sourceEntry;
        WIN32_FIND_DATAA destinationEntry;
        destinationMissing = destinationMissing || !win::FindEntry(destination, &destinationEntry);
        if (destinationMissing || !win::FindEntry(source, &sourceEntry)) {
            // A missing source goes on to the copy so that its failure is reported, not hidden
            // behind "the file on disk was kept".
            copy = true;
        } else {
            FILETIME sourceTime = EntryTime(sourceEntry);
            FILETIME destinationTime = EntryTime(destinationEntry);
            LONG order = CompareFileTime(&sourceTime, &destinationTime);
            if (order > 0)
                copy = true;
            else if (order < 0 && mode == kReplaceOlderAsk && ask)
                copy = ask(destination.c_str());
        }
        break;
    }
    default:
        return Fail("InstallFile", "applying an unknown replace rule to", destination, ERROR_INVALID_PARAMETER);
    }

    if (!copy) {
        if (shared && !ModifySharedCount(destination, 1, false, log)) return false;
        return true;
    }

    // The file in the way is kept aside for the rollback; a file in use cannot be and goes the
    // restart road when it is shared.
    journal::Replacement replacement;
    const journal::Aside aside =
        destinationMissing ? journal::Aside::kMissing : journal::KeepAside(destination, &replacement);
    auto copyFailed = [&] {
        const DWORD error = GetLastError();
        return Fail("InstallFile", ("copying " + source.substr(source.find_last_of('\\') + 1) + " to").c_str(),
                    destination, error);
    };
    if (aside == journal::Aside::kFailed) return shared ? ReplaceAtRestart(source, destination, ask, sha256) : copyFailed();
    if (aside == journal::Aside::kMissing && !journal::NoteNewFile(destination)) return false;

    const bool staged = aside == journal::Aside::kLinked;
    // With the old file kept aside the name is free: a name that appeared meanwhile (a link
    // planted in a folder its users can write) fails the copy instead of being written through.
    if (CopyOver(source, staged ? replacement.staging : destination, sha256, journal::Active()) &&
        (!staged || journal::PutInPlace(destination, replacement))) {
        // A source on read-only media must not leave a copy that cannot be replaced later.
        ClearReadOnly(destination);
        if (log) LogRecord(kRecordCopyFile, destination.c_str());
        if (shared && !ModifySharedCount(destination, 1, false, log)) return false;
        return true;
    }
    // A copy of other bytes than the sealed ones is no file in use: no restart can mend it.
    if (!shared || GetLastError() == ERROR_INVALID_DATA) return copyFailed();
    return ReplaceAtRestart(source, destination, ask, sha256);
}
