#include "startup/TraceLog.h"

#include <windows.h>

#include "base/Text.h"
#include "base/Trace.h"
#include "log/InstallLog.h"
#include "log/Journal.h"
#include "startup/Unattended.h"
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
    const size_t slash = full.find_last_of('\\');
    if (slash != std::string::npos && LongForm(full.substr(0, slash), &longPath)) return longPath + full.substr(slash);
    return full;
}

// One of the program's own files: an install log in any folder (the wizard may choose the
// install folder after the trace has started), or a run's temporary log or journal in the
// run files folder. The path long and full.
bool IsProgramLog(const std::string& file) {
    const size_t slash = file.find_last_of('\\');
    const std::string name = file.substr(slash + 1);
    const std::string prefix = kRunFilePrefix;
    return text::EqualsNoCase(name, kInstallLogName) ||
           (journal::IsRunFilesFolder(file.substr(0, slash)) &&
            text::EqualsNoCase(name.substr(0, prefix.size()), prefix));
}

}  // namespace

int StartTraceLog(const std::string& path) {
    const std::string full = LongFullPath(path);
    if (IsProgramLog(full)) return kExitBadCommandLine;
    // Opened as it is, not followed: the run is elevated, and whoever can write the file's
    // folder could have made its name a link to a file of the system's.
    win::UniqueFile file;
    if (!win::OpenPlainFile(full, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS, &file))
        return GetLastError() == ERROR_CANT_ACCESS_FILE ? kExitBadCommandLine : kExitLogUnwritable;
    TraceFile() = std::move(file);
    SetTraceSink(WriteToTraceLog);
    return kExitSuccess;
}
