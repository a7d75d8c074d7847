#include "script/ValueSyntax.h"

#include "base/Text.h"

namespace script {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void Cursor::SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
}

bool Cursor::Comma() {
    SkipBlanks();
    if (AtEnd() || text_[pos_] != ',') return false;
    ++pos_;
    SkipBlanks();
    return true;
}

bool Cursor::ReadQuoted(size_t limit, std::string* out) {
    SkipBlanks();
    if (AtEnd()) {
        out->clear();
        return true;
    }
    if (text_[pos_] != '"') return false;
    size_t open = pos_;
    size_t close = open + 1;
    while (close < text_.size() && !(text_[close] == '"' && text_[close - 1] != '\\')) ++close;
    if (close >= text_.size()) return false;

    const size_t room = limit > 0 ? limit - 1 : 0;
    std::string result;
    size_t at = open + 1;
    while (at < close) {
        char c = text_[at];
        char next = at + 1 < close ? text_[at + 1] : '\0';
        if (c == '\\' && next == 'n') {
            if (result.size() + 2 > room) break;
            result += "\r\n";
            at += 2;
        } else if (c == '\\' && (next == '"' || next == '\\')) {
            if (result.size() + 1 > room) break;
            result += next;
            at += 2;
        } else {
            if (result.size() + 1 > room) break;
            result += c;
            at += 1;
        }
    }
    pos_ = at < close ? at : close + 1;
    *out = std::move(result);
    return true;
}

bool Cursor::ReadDigits(uint32_t* out) {
    size_t at = pos_;
    uint32_t value = 0;
    while (at < text_.size() && text_[at] >= '0' && text_[at] <= '9') {
        value = value * 10u + static_cast<uint32_t>(text_[at] - '0');
        ++at;
    }
    if (at == pos_) return false;
    if (at < text_.size() && !IsBlank(text_[at]) && text_[at] != ',') return false;
    pos_ = at;
    *out = value;
    return true;
}

bool Cursor::ReadSigned(int32_t* out) {
    SkipBlanks();
    size_t start = pos_;
    bool negative = !AtEnd() && text_[pos_] == '-';
    if (negative) ++pos_;
    uint32_t magnitude = 0;
    if (!ReadDigits(&magnitude)) {
        pos_ = start;
        return false;
    }
    *out = static_cast<int32_t>(negative ? 0u - magnitude : magnitude);
    return true;
}

bool Cursor::ReadUnsigned(uint32_t* out) {
    SkipBlanks();
    return ReadDigits(out);
}

uint32_t ScriptVersionFromText(std::string_view text) {
    size_t at = 0;
    // atoi skips what isspace() calls blank, which includes vertical tab and form feed.
    while (at < text.size() && (IsBlank(text[at]) || text[at] == '\v' || text[at] == '\f')) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        negative = text[at] == '-';
        ++at;
    }
    uint32_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        value = value * 10u + static_cast<uint32_t>(text[at] - '0');
        ++at;
    }
    return negative ? 0u - value : value;
}

bool ParseLaunch(std::string_view value, std::string* command) {
    Cursor cursor(value);
    return cursor.ReadQuoted(kPathLimit, command);
}

bool ParseComponent(std::string_view value, uint32_t scriptVersion, ComponentLine* out) {
    Cursor cursor(value);
    ComponentLine line;
    if (!cursor.ReadQuoted(kPathLimit, &line.name) || !cursor.Comma() || !cursor.ReadSigned(&line.subScript) ||
        !cursor.Comma() || !cursor.ReadSigned(&line.useMainFolder) || !cursor.Comma() ||
        !cursor.ReadSigned(&line.selected))
        return false;
    if (scriptVersion >= 5) {
        if (!cursor.Comma() || !cursor.ReadSigned(&line.group) || !cursor.Comma() ||
            !cursor.ReadQuoted(kDescriptionReadLimit, &line.description))
            return false;
        line.description = text::Fit(line.description, kDescriptionLimit);
    }
    *out = std::move(line);
    return true;
}

bool ParseDocument(std::string_view value, DocRef* out) {
    Cursor cursor(value);
    DocRef doc;
    if (!cursor.ReadSigned(&doc.section) || !cursor.Comma() || !cursor.ReadSigned(&doc.fileIndex)) return false;
    *out = doc;
    return true;
}

bool ParseImage(std::string_view value, ImageSpec* out) {
    Cursor cursor(value);
    ImageSpec image;
    if (!cursor.ReadQuoted(kPathLimit, &image.name) || !cursor.Comma() || !cursor.ReadSigned(&image.dataFile) ||
        !cursor.Comma() || !cursor.ReadSigned(&image.mode))
        return false;
    if (image.mode < 0 || image.mode > 3) image.mode = 0;
    *out = std::move(image);
    return true;
}

bool ParsePalmFile(std::string_view value, uint32_t scriptVersion, PalmLine* out) {
    Cursor cursor(value);
    PalmLine line;
    if (!cursor.ReadQuoted(kPathLimit, &line.name) || !cursor.Comma() || !cursor.ReadSigned(&line.firstNumber))
        return false;
    if (scriptVersion >= 4 && (!cursor.Comma() || !cursor.ReadSigned(&line.secondNumber))) return false;
    if (scriptVersion >= 5 && (!cursor.Comma() || !cursor.ReadSigned(&line.folderNumber))) return false;
    *out = std::move(line);
    return true;
}

bool ParseSectionFolder(std::string_view value, std::string* path) {
    Cursor cursor(value);
    std::string result;
    if (!cursor.ReadQuoted(kPathLimit, &result) || !cursor.Comma()) return false;
    *path = std::move(result);
    return true;
}

bool ParseFileCommon(Cursor& cursor, FileLine* out) {
    FileLine line;
    if (!cursor.ReadQuoted(kPathLimit, &line.path) || !cursor.Comma() || !cursor.ReadSigned(&line.folder) ||
        !cursor.Comma() || !cursor.ReadSigned(&line.dataFile) || !cursor.Comma() ||
        !cursor.ReadSigned(&line.kind) || !cursor.Comma() || !cursor.ReadSigned(&line.replaceMode) ||
        !cursor.Comma() || !cursor.ReadSigned(&line.menuShortcut))
        return false;
    *out = std::move(line);
    return true;
}

namespace {

// The optional end of the kind-0 and kind-2 tails: startup-shortcut choice, comma, note.
bool ReadStartupAndNote(Cursor& cursor, int32_t* startup, std::string* note) {
    cursor.SkipBlanks();
    if (cursor.AtEnd()) return true;
    return cursor.ReadSigned(startup) && cursor.Comma() && cursor.ReadQuoted(kPathLimit, note);
}

}  // namespace

bool ParsePlainTail(Cursor& cursor, PlainTail* out) {
    PlainTail tail;
    if (!cursor.Comma() || !ReadStartupAndNote(cursor, &tail.startupShortcut, &tail.note)) return false;
    *out = std::move(tail);
    return true;
}

bool ParseLibraryTail(Cursor& cursor, LibraryTail* out) {
    LibraryTail tail;
    if (!cursor.Comma() || !cursor.ReadSigned(&tail.registerSelf) || !cursor.Comma() ||
        !ReadStartupAndNote(cursor, &tail.startupShortcut, &tail.note))
        return false;
    *out = std::move(tail);
    return true;
}

bool ParseConduitTail(Cursor& cursor, ConduitSpec* out) {
    ConduitSpec spec;
    const size_t t = kConduitTextLimit;
    if (!cursor.Comma() || !cursor.ReadQuoted(t, &spec.text1) || !cursor.Comma() ||
        !cursor.ReadUnsigned(&spec.number2) || !cursor.Comma() || !cursor.ReadQuoted(t, &spec.text3) ||
        !cursor.Comma() || !cursor.ReadQuoted(t, &spec.text4) || !cursor.Comma() ||
        !cursor.ReadQuoted(t, &spec.text5) || !cursor.Comma() || !cursor.ReadUnsigned(&spec.number6) ||
        !cursor.Comma() || !cursor.ReadQuoted(t, &spec.text7) || !cursor.Comma() ||
        !cursor.ReadQuoted(t, &spec.text8) || !cursor.Comma() || !cursor.ReadUnsigned(&spec.number9) ||
        !cursor.Comma() || !cursor.ReadQuoted(t, &spec.text10))
        return false;
    // The two last fields are optional: a comma with something behind it brings the number,
    // a further comma the text.
    if (cursor.Comma() && !cursor.AtEnd()) {
        if (!cursor.ReadUnsigned(&spec.number11)) return false;
        if (cursor.Comma() && !cursor.ReadQuoted(kPathLimit, &spec.text12)) return false;
    }
    *out = std::move(spec);
    return true;
}

bool ParseSeal(std::string_view value, uint64_t* size, std::string* sha256) {
    constexpr size_t kHexDigits = 64;
    const size_t comma = value.find(',');
    if (comma == 0 || comma == std::string_view::npos || value.size() - comma - 1 != kHexDigits) return false;
    uint64_t bytes = 0;
    if (!text::ParseDecimal(value.substr(0, comma), &bytes)) return false;
    std::string hex(value.substr(comma + 1));
    for (char& c : hex) {
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    *size = bytes;
    *sha256 = std::move(hex);
    return true;
}

}  // namespace script
