#include "log/InstallLog.h"

const char kRecordApplication[] = "Application: %s";
const char kRecordCopyFile[] = "CopyFile: %s";
const char kRecordModifyShared[] = "ModifyShared: %s|%d";
const char kRecordRegister[] = "Register: %s";
const char kRecordCreateFolder[] = "CreateFolder: %s";
const char kRecordCreateShortcut[] = "CreateShortcut: %s";
const char kInstallLogName[] = "install.log";
const char kLogUncheckedText[] =
    "The list of installed programs cannot be read, so the install log %s cannot be checked.\nNothing was %s.";

namespace {

struct Prefix {
    const char* text;
    RecordKind kind;
};

// The order matters only in principle (no prefix starts another), but it is the reader's
// documented order, so keep it.
const Prefix kPrefixes[] = {
    {"CopyFile: ", RecordKind::kCopyFile},
    {"CreateFolder: ", RecordKind::kCreateFolder},
    {"CreateShortcut: ", RecordKind::kCreateShortcut},
    {"InstallConduit: ", RecordKind::kInstallConduit},
    {"ModifyShared: ", RecordKind::kModifyShared},
    {"Application: ", RecordKind::kApplication},
    {"Register: ", RecordKind::kRegister},
};

}  // namespace

std::vector<std::string> SplitLogLines(const std::string& buffer, std::vector<size_t>* starts) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i <= buffer.size(); ++i) {
        if (i == buffer.size() || buffer[i] == '\r' || buffer[i] == '\n') {
            if (i > start) {
                lines.push_back(buffer.substr(start, i - start));
                if (starts) starts->push_back(start);
            }
            start = i + 1;
        }
    }
    return lines;
}

bool ParseLogLine(const std::string& line, LogLine* out) {
    for (const Prefix& prefix : kPrefixes) {
        std::string text(prefix.text);
        if (line.compare(0, text.size(), text) == 0) {
            out->kind = prefix.kind;
            out->payload = line.substr(text.size());
            return true;
        }
    }
    return false;
}

bool SplitModifyShared(const std::string& payload, std::string* path, std::string* number) {
    size_t bar = payload.find('|');
    if (bar == std::string::npos) return false;
    *path = payload.substr(0, bar);
    *number = payload.substr(bar + 1);
    return true;
}
