// The writer of one run's install log, handed to every step that records a change.
#pragma once

#include <string>

#include "base/Text.h"
#include "log/InstallLog.h"
#include "win/UniqueHandle.h"

// Appends the whole file `from` to `to`, creating `to` when missing. False when a file cannot
// be opened or a read or write fails.
bool AppendLogFile(const std::string& from, const std::string& to);

// The log stays open from Open to Close: one open per run instead of one per record. Each
// record is one write, on disk for every other process when Record returns, so a crash later
// in the installation cannot lose it. A record with no log open is one that cannot be written.
class LogWriter {
public:
    enum class Start { kAppend, kEmpty };
    // Makes `path` the log; kEmpty creates the file or cuts it to zero length, kAppend creates
    // it or appends to it. False, traced with the system's error, when it cannot be opened; a
    // path of 260 characters or more is refused, never cut to name another file.
    bool Open(const std::string& path, Start start);
    void Close() { file_.reset(); }
    const std::string& Path() const { return path_; }

    // Formats one record (510 characters at most) and appends it with CR LF. The first record
    // since Open that cannot be written is traced, with the log's path and the system's error,
    // as the run's failure.
    void Record(const char* format, ...) TEXT_FORMAT_CHECK(2, 3);
    // True when a record since Open could not be written: the log is not whole, and the run
    // must not commit.
    bool WriteFailed() const { return failed_; }

    // One "CreateFolder: %s" record for each of the `levels` deepest folders of `folderPath`,
    // the outermost first.
    void NewFolders(const std::string& folderPath, int levels);

private:
    std::string path_;
    win::UniqueFile file_;
    bool failed_ = false;
};
