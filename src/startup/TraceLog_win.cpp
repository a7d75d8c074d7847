#include "startup/TraceLog.h"

#include <windows.h>

#include <vector>

#include "base/RunResult.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "log/InstallLog.h"
#include "startup/Unattended.h"
#include "state/SetupState.h"
#include "transaction/JournalFormat.h"
#include "transaction/RunFiles.h"
#include "win/Files.h"

namespace {

// Open for the whole run: a file opened anew for each message could be swapped for a link
// between two messages.
win::UniqueFile& TraceFile() {
    static win::UniqueFile file;
    return file;
}

void WriteToTraceLog(const char* message) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string stamp = text::Format("%04u-%02u-%02u %02u:%02u:%02u.%03u  ", now.wYear, now.wMonth, now.wDay,
                                           now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    const std::string lines = StampTraceLines(stamp, message);
    win::WriteAll(TraceFile().get(), lines.data(), lines.size());
}

bool LongForm(const std::string& path, std::string* out) {
    char buffer[MAX_PATH];
    const DWORD n = GetLongPathNameA(path.c_str(), buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    *out = std::string(buffer, n);
    return true;
}

// The path as the file system sees it: full, and in long form, so that a relative path or a
// short name names the same file as the program's own paths do. A file that does not exist yet
// takes the long form of its folder.
std::string LongFullPath(const std::string& path) {
    const std::string full = win::FullPath(path);
    std::string longPath;
    if (LongForm(full, &longPath)) return longPath;
    const std::string folder = text::ParentFolder(full);
    if (!folder.empty() && LongForm(folder, &longPath)) return longPath + "\\" + text::FileName(full);
    return full;
}

// One of the program's own files: an install log in any folder (the wizard may choose the
// install folder after the trace has started), or a run's temporary log or journal in the
// run files folder. The path long and full.
bool IsProgramLog(const std::string& file) {
    const std::string name = text::FileName(file);
    const std::string prefix = kRunFilePrefix;
    return text::EqualsNoCase(name, kInstallLogName) ||
           (IsRunFilesFolder(text::ParentFolder(file)) &&
            text::EqualsNoCase(name.substr(0, prefix.size()), prefix));
}

// Opens the file a switch names, as it is, not followed: the run is elevated, and whoever can
// write the file's folder could have made its name a link to a file of the system's.
ExitCode OpenNamedFile(const std::string& full, DWORD access, DWORD disposition, win::UniqueFile* file) {
    if (IsProgramLog(full)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return kExitBadCommandLine;
    }
    if (win::OpenPlainFile(full, access, FILE_SHARE_READ | FILE_SHARE_WRITE, disposition, file)) return kExitSuccess;
    return GetLastError() == ERROR_CANT_ACCESS_FILE ? kExitBadCommandLine : kExitLogUnwritable;
}

// The trace file itself, or one of the program's own logs: no other switch's file may be either.
bool IsTakenName(const std::string& full, const std::string& traceFile) {
    return IsProgramLog(full) || (!traceFile.empty() && text::EqualsNoCase(full, LongFullPath(traceFile)));
}

struct ResultFile {
    std::string path;       // long and full
    std::string temporary;  // beside it, written first
    win::UniqueFile file;
};
ResultFile g_result;

// The program's texts are in the ANSI code page; the document is UTF-8.
std::string Utf8(const std::string& ansi) {
    const int wide = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring chars(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), chars.data(), wide);
    const int n = WideCharToMultiByte(CP_UTF8, 0, chars.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, chars.data(), wide, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

}  // namespace

ExitCode StartTraceLog(const std::string& path) {
    win::UniqueFile file;
    const ExitCode opened = OpenNamedFile(LongFullPath(path), FILE_APPEND_DATA, OPEN_ALWAYS, &file);
    if (opened != kExitSuccess) return opened;
    TraceFile() = std::move(file);
    SetTraceSink(WriteToTraceLog);
    return kExitSuccess;
}

namespace {

// A document written whole at the end of the run under a temporary name opened at its start,
// then renamed over the file its switch named: a reader sees the whole document or none.
// `others`: the run's other named files, which it may not be.
ExitCode StartDocument(const std::string& path, const std::vector<std::string>& others, ResultFile* document) {
    const std::string full = LongFullPath(path);
    win::UniqueFile existing;
    if (IsProgramLog(full)) return kExitBadCommandLine;
    for (const std::string& other : others)
        if (!other.empty() && text::EqualsNoCase(full, LongFullPath(other))) return kExitBadCommandLine;
    // The name itself must be a plain file or none: it is renamed over at the end.
    if (win::FileExists(full) && OpenNamedFile(full, 0, OPEN_EXISTING, &existing) == kExitBadCommandLine)
        return kExitBadCommandLine;
    const std::string temporary = text::Format("%s.%lu.tmp", full.c_str(), GetCurrentProcessId());
    const ExitCode opened = OpenNamedFile(temporary, GENERIC_WRITE, CREATE_NEW, &document->file);
    if (opened != kExitSuccess) return opened;
    document->path = full;
    document->temporary = temporary;
    return kExitSuccess;
}

// Without a text the temporary file goes.
void FinishDocument(ResultFile* document, const char* what, const std::string* ansi) {
    if (!document->file) return;
    const std::string utf8 = ansi ? Utf8(*ansi) : std::string();
    const bool written = ansi && win::WriteAll(document->file.get(), utf8.data(), utf8.size());
    document->file.reset();
    if (!written || !MoveFileExA(document->temporary.c_str(), document->path.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        if (ansi) Fail("Setup", what, document->path, GetLastError(), Failing::kBestEffort);
        DeleteFileA(document->temporary.c_str());
    }
}

ResultFile g_plan;

}  // namespace

ExitCode StartResultFile(const std::string& path, const std::string& traceFile) {
    return StartDocument(path, {traceFile}, &g_result);
}

void FinishResultFile(ExitCode code) {
    const std::string document = ResultDocument(code, Outcome());
    FinishDocument(&g_result, "writing the result document", &document);
}

ExitCode StartPlanFile(const std::string& path, const std::string& traceFile, const std::string& resultFile) {
    return StartDocument(path, {traceFile, resultFile}, &g_plan);
}

void WritePlanFile(const std::string& document) { FinishDocument(&g_plan, "writing the plan", &document); }

void DiscardPlanFile() { FinishDocument(&g_plan, "writing the plan", nullptr); }

ExitCode AnswerFile::Open(const std::string& path, const std::string& traceFile) {
    path_ = LongFullPath(path);
    if (IsTakenName(path_, traceFile)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return kExitBadCommandLine;
    }
    // Kept as it is until the installation starts.
    return OpenNamedFile(path_, GENERIC_WRITE, OPEN_ALWAYS, &file_);
}

void AnswerFile::Starting(const SetupState& state) {
    if (!file_) return;
    const std::string text = AnswerFileText(state.chosenInstallFolder, state.mountedDeviceFolder, state.mainProject);
    if (SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN) != 0 || !win::WriteAll(file_.get(), text.data(), text.size()) ||
        !SetEndOfFile(file_.get()))
        Fail("Setup", "writing the answer file", path_, GetLastError(), Failing::kBestEffort);
}
