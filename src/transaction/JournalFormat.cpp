#include "transaction/JournalFormat.h"

#include <cstdio>

#include "base/Text.h"

const char kRunFilePrefix[] = "SetupRun-";
const char kJournalExtension[] = ".journal";

namespace {

struct KindName {
    JournalKind kind;
    const char* name;
    size_t fields;
};

const KindName kKinds[] = {
    {JournalKind::kHeader, "Journal", 2},       {JournalKind::kNewFile, "NewFile", 1},
    {JournalKind::kAside, "Aside", 2},          {JournalKind::kFolder, "Folder", 1},
    {JournalKind::kKey, "Key", 2},              {JournalKind::kValue, "Value", 4},
    {JournalKind::kRegistered, "Registered", 1}, {JournalKind::kRestart, "Restart", 3},
    {JournalKind::kGrown, "Grown", 2},          {JournalKind::kCommitted, "Committed", 0},
};

std::string Escape(const std::string& field) {
    std::string out;
    out.reserve(field.size());
    for (char c : field) {
        if (c == '%' || c == '\t' || c == '\r' || c == '\n')
            out += text::Format("%%%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
        else
            out += c;
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Unescape(const std::string& field, std::string* out) {
    std::string result;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            result += field[i];
            continue;
        }
        if (i + 2 >= field.size()) return false;
        int high = HexDigit(field[i + 1]);
        int low = HexDigit(field[i + 2]);
        if (high < 0 || low < 0) return false;
        result += static_cast<char>(high * 16 + low);
        i += 2;
    }
    *out = result;
    return true;
}

bool ParseLine(const std::string& line, JournalRecord* out) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] != '\t') continue;
        std::string field;
        if (!Unescape(line.substr(start, i - start), &field)) return false;
        parts.push_back(field);
        start = i + 1;
    }
    for (const KindName& kind : kKinds) {
        if (parts[0] != kind.name || parts.size() != kind.fields + 1) continue;
        out->kind = kind.kind;
        out->fields.assign(parts.begin() + 1, parts.end());
        return true;
    }
    return false;
}

}  // namespace

std::string FormatJournalLine(const JournalRecord& record) {
    std::string line;
    for (const KindName& kind : kKinds)
        if (kind.kind == record.kind) line = kind.name;
    for (const std::string& field : record.fields) line += '\t' + Escape(field);
    return line + "\r\n";
}

std::vector<JournalRecord> ParseJournal(const std::string& content) {
    std::vector<JournalRecord> records;
    size_t start = 0;
    // Only lines ended by CR LF count: a line without its end was torn by a kill.
    for (size_t end = content.find("\r\n"); end != std::string::npos; end = content.find("\r\n", start)) {
        JournalRecord record;
        if (ParseLine(content.substr(start, end - start), &record)) records.push_back(record);
        start = end + 2;
    }
    return records;
}

std::string EncodeValueState(bool exists, unsigned long type, const std::string& data) {
    if (!exists) return "-";
    std::string out = text::Format("%lu:", type);
    for (char c : data) out += text::Format("%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
    return out;
}

bool DecodeValueState(const std::string& state, bool* exists, unsigned long* type, std::string* data) {
    if (state == "-") {
        *exists = false;
        *type = 0;
        data->clear();
        return true;
    }
    size_t colon = state.find(':');
    if (colon == std::string::npos || colon == 0 || colon > 10) return false;
    unsigned long parsed = 0;
    for (size_t i = 0; i < colon; ++i) {
        if (state[i] < '0' || state[i] > '9') return false;
        parsed = parsed * 10 + static_cast<unsigned long>(state[i] - '0');
    }
    const size_t hexLength = state.size() - colon - 1;
    if (hexLength % 2 != 0) return false;
    std::string bytes;
    for (size_t i = colon + 1; i < state.size(); i += 2) {
        int high = HexDigit(state[i]);
        int low = HexDigit(state[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes += static_cast<char>(high * 16 + low);
    }
    *exists = true;
    *type = parsed;
    *data = bytes;
    return true;
}

std::string RunLogName(unsigned long id) { return text::Format("%s%lu.log", kRunFilePrefix, id); }

std::string RunFilesName(unsigned long id) { return text::Format("%s%lu.files", kRunFilePrefix, id); }

std::string RunJournalName(unsigned long id) {
    return text::Format("%s%lu%s", kRunFilePrefix, id, kJournalExtension);
}
