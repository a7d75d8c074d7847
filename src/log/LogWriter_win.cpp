#include "log/LogWriter.h"

#include <windows.h>

#include <cstdarg>

#include "base/RunResult.h"
#include "base/Text.h"
#include "win/Files.h"
#include "win/UniqueHandle.h"

bool LogWriter::Open(const std::string& path, Start start) {
    file_.reset();
    failed_ = false;
    path_.clear();
    if (path.empty() || path.size() >= MAX_PATH)
        return Fail("LogWriter", "opening the log", path, ERROR_FILENAME_EXCED_RANGE);
    path_ = path;
    // Others may read the log meanwhile, but nobody else writes it.
    file_.reset(CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            start == Start::kEmpty ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) return Fail("LogWriter", "opening the log", path_, GetLastError());
    if (SetFilePointer(file_.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
        const DWORD error = GetLastError();
        file_.reset();
        return Fail("LogWriter", "finding the end of the log", path_, error);
    }
    return true;
}

void LogWriter::Record(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string line = text::FormatV(format, args);
    va_end(args);
    if (line.size() > kLogRecordLimit) line.resize(kLogRecordLimit);
    line += "\r\n";

    if (failed_) return;
    if (!file_) SetLastError(ERROR_INVALID_HANDLE);
    if (file_ && win::WriteAll(file_.get(), line.data(), line.size())) return;
    failed_ = true;
    Fail("LogWriter", "writing a record to", path_, GetLastError());
}

void LogWriter::NewFolders(const std::string& folderPath, int levels) {
    if (levels <= 0) return;
    std::string path = folderPath;

    // Walk back over `levels` backslashes; the first new level starts after the last one passed.
    size_t start = 0;
    size_t end = path.size();
    for (int i = 0; i < levels && end > 0; ++i) {
        size_t slash = path.rfind('\\', end - 1);
        if (slash == std::string::npos) break;
        start = slash + 1;
        end = slash;
    }

    path += '\\';
    size_t position = start;
    for (int i = 0; i < levels; ++i) {
        size_t slash = path.find('\\', position);
        if (slash == std::string::npos) break;
        Record(kRecordCreateFolder, path.substr(0, slash).c_str());
        position = slash + 1;
    }
}

bool AppendLogFile(const std::string& from, const std::string& to) {
    win::UniqueFile source(
        CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source) return false;
    // The install folder may be one its users can write: a link by the log's name is refused.
    win::UniqueFile target;
    if (!win::OpenPlainFile(to, GENERIC_WRITE, 0, OPEN_ALWAYS, &target)) return false;
    if (SetFilePointer(target.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return false;

    char chunk[2048];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source.get(), chunk, sizeof(chunk), &read, nullptr)) return false;
        if (read == 0) return true;
        if (!win::WriteAll(target.get(), chunk, read)) return false;
    }
}
