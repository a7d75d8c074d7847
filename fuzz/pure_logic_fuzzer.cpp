// Feeds arbitrary bytes to the other portable parts: the path-token walk (with values of any
// length from a fake source), the backslash clean-up, the install-log reader and the [rename]
// section editing, and checks what each guarantees.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/RenameSection.h"
#include "log/InstallLog.h"
#include "script/PathTokens.h"

namespace {

// Names the broken guarantee before stopping, so a crash report says what went wrong.
#define Check(condition)                                                   \
    do {                                                                   \
        if (!(condition)) {                                                \
            std::fprintf(stderr, "broken guarantee: %s\n", #condition);   \
            std::abort();                                                  \
        }                                                                  \
    } while (0)

void FuzzTokens(FuzzedDataProvider& data) {
    const size_t limit = data.ConsumeIntegralInRange<size_t>(0, 300);
    const bool titleOnly = data.ConsumeBool();
    const std::string value = data.ConsumeRandomLengthString(400);
    const std::string text = data.ConsumeRandomLengthString(600);
    std::string out = "sentinel";
    TokenValueFn source = [&](PathToken, size_t room, std::string* v) {
        // Values that do not fit are refused by the source, as the system calls refuse them.
        if (value.size() > room) return false;
        *v = value;
        return true;
    };
    if (ExpandTokens(text, titleOnly, limit, source, &out)) Check(limit > 0 && out.size() < limit);

    std::string cleaned = text;
    CleanBackslashes(&cleaned);
    Check(cleaned.size() <= text.size());
    // Only a leading pair (a network path) keeps two backslashes in a row.
    const size_t from = cleaned.compare(0, 2, "\\\\") == 0 ? 2 : 0;
    Check(cleaned.find("\\\\", from) == std::string::npos);
}

void FuzzLog(FuzzedDataProvider& data) {
    const std::string buffer = data.ConsumeRandomLengthString(2000);
    for (const std::string& line : SplitLogLines(buffer)) {
        Check(!line.empty() && line.find_first_of("\r\n") == std::string::npos);
        LogLine record;
        if (!ParseLogLine(line, &record)) continue;
        Check(record.payload.size() < line.size());
        std::string path = "p";
        std::string number = "n";
        if (SplitModifyShared(record.payload, &path, &number))
            Check(path.find('|') == std::string::npos && path.size() + number.size() + 1 == record.payload.size());
        else
            Check(path == "p" && number == "n");
    }
}

void FuzzRename(FuzzedDataProvider& data) {
    const std::string newName = data.ConsumeRandomLengthString(64);
    const std::string existing = data.ConsumeRandomLengthString(64);
    const std::string content = data.ConsumeRemainingBytesAsString();
    RenameEdit edit = PlanRenameEntry(content, newName, existing);
    Check(edit.offset <= content.size());
    Check(edit.entry == newName + "=" + existing + "\r\n");
    Check(edit.tail == content.substr(edit.offset));
    const std::string result = ApplyRenameEdit(content, edit);
    // Nothing of the file is lost: what stood before the entry stays, what stood after it
    // follows it unchanged.
    Check(result.compare(0, edit.offset, content, 0, edit.offset) == 0);
    Check(result.size() == content.size() + edit.lead.size() + edit.entry.size());
    Check(result.compare(result.size() - edit.tail.size(), edit.tail.size(), edit.tail) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    switch (data.ConsumeIntegralInRange<int>(0, 2)) {
    case 0: FuzzTokens(data); break;
    case 1: FuzzLog(data); break;
    default: FuzzRename(data); break;
    }
    return 0;
}
