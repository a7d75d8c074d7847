#include "startup/TraceLog.h"

#include <windows.h>

#include "base/Text.h"
#include "base/Trace.h"
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

}  // namespace

void StartTraceLog(const std::string& path) {
    TraceLogPath() = win::FullPath(path);
    SetTraceSink(WriteToTraceLog);
}
