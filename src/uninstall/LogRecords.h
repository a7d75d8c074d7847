// The install log's line format: the record texts every writer uses and the rules by which
// the uninstaller splits a log back into records. Portable: no Windows headers.
#pragma once

#include <string>
#include <vector>

// Format strings passed to LogRecord; a reader's prefix is the text before the "%".
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
std::vector<std::string> SplitLogLines(const std::string& buffer);

// Recognises a line by its prefix (case-sensitive, blank after the colon included), trying the
// kinds in a fixed order. False, `out` untouched, for a line that is no record.
bool ParseLogLine(const std::string& line, LogLine* out);

// Splits a ModifyShared payload at its first "|". False, outputs untouched, without a bar.
bool SplitModifyShared(const std::string& payload, std::string* path, std::string* number);
