#include "startup/TraceLog.h"

#include <windows.h>

#include "base/Text.h"
#include "base/Trace.h"
#include "log/InstallLog.h"
#include "log/Journal.h"
#include "win/Files.h"

namespace {

std::string& TraceLogPath() {
    static std::string path;
    return path;
}

void WriteToTraceLog(const char* message) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string stamp = text::Format("%04u-%02u-%02u %02u:%02u:%02u.%03u  ", now.wYear, now.wMonth, now.wDay,
                                           now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    win::AppendToFile(TraceLogPath(), StampTraceLines(stamp, message));
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
// install folder after the trace has started), or a run's temporary log or journal in
// `runFolder`. Both paths long and full.
bool IsProgramLog(const std::string& file, const std::string& runFolder) {
    const size_t slash = file.find_last_of('\\');
    const std::string name = file.substr(slash + 1);
    const std::string prefix = kRunFilePrefix;
    return text::EqualsNoCase(name, kInstallLogName) ||
           (text::EqualsNoCase(file.substr(0, slash), runFolder) &&
            text::EqualsNoCase(name.substr(0, prefix.size()), prefix));
}

}  // namespace

bool StartTraceLog(const std::string& path) {
    const std::string full = LongFullPath(path);
    std::string runFolder = LongFullPath(journal::RunFilesFolder());
    if (!runFolder.empty() && runFolder.back() == '\\') runFolder.pop_back();
    if (IsProgramLog(full, runFolder)) return false;
    TraceLogPath() = full;
    SetTraceSink(WriteToTraceLog);
    return true;
}
