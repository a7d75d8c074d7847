// The install log: one CR LF line per change, appended the moment the change is made, and the
// rules by which the uninstaller splits a log back into records. The record texts and the
// reader are portable (InstallLog.cpp); the writer of one run's log is LogWriter.h.
#pragma once

#include <string>
#include <vector>

#include "base/Text.h"

// Format strings passed to LogWriter::Record; a reader's prefix is the text before the "%".
extern const char kRecordApplication[];     // "Application: %s"
extern const char kRecordCopyFile[];        // "CopyFile: %s"
extern const char kRecordModifyShared[];    // "ModifyShared: %s|%d"
extern const char kRecordRegister[];        // "Register: %s"
extern const char kRecordCreateFolder[];    // "CreateFolder: %s"
extern const char kRecordCreateShortcut[];  // "CreateShortcut: %s"

constexpr size_t kLogRecordLimit = 510;  // characters of one record before its CR LF

enum class RecordKind {
    kCopyFile,
    kCreateFolder,
    kCreateShortcut,
    kInstallConduit,
    kModifyShared,
    kApplication,
    kRegister,
};

struct LogLine {
    RecordKind kind;
    std::string payload;  // everything after the prefix, unchanged
};

// Splits a whole log into its lines: CR and LF each end a line; empty lines are dropped.
// `starts` (optional) receives the offset of each line in `buffer`.
std::vector<std::string> SplitLogLines(const std::string& buffer, std::vector<size_t>* starts = nullptr);

// Recognises a line by its prefix (case-sensitive, blank after the colon included), trying the
// kinds in a fixed order. False, `out` untouched, for a line that is no record.
bool ParseLogLine(const std::string& line, LogLine* out);

// Splits a ModifyShared payload at its first "|". False, outputs untouched, without a bar.
bool SplitModifyShared(const std::string& payload, std::string* path, std::string* number);

extern const char kInstallLogName[];  // "install.log"
// The message for an install log whose digest cannot be looked up, formatted with the log's
// path and what was not done ("installed", "uninstalled").
extern const char kLogUncheckedText[];
