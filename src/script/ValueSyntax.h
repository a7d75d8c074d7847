// The syntax inside install-script values: quoted strings, integers, commas, and one parser per
// value layout. Portable: no Windows headers, so it builds natively and is fuzzed there.
//
// Every parser reads from the start of one value (as the profile functions return it: blanks
// around it trimmed, one enclosing pair of quotes removed), returns false when the value does
// not follow its layout and leaves its output untouched then. Text behind the last field a
// layout reads is ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "script/Project.h"

namespace script {

// Space, tab, carriage return, line feed.
bool IsBlank(char c);

// A read position inside one value.
class Cursor {
public:
    // The cursor does not own the value: it must outlive the cursor.
    explicit Cursor(std::string_view value) : text_(value) {}
    explicit Cursor(const char* value) : text_(value) {}
    explicit Cursor(std::string&&) = delete;

    size_t Position() const { return pos_; }
    bool AtEnd() const { return pos_ >= text_.size(); }
    std::string_view Rest() const { return text_.substr(pos_ < text_.size() ? pos_ : text_.size()); }

    void SkipBlanks();
    // Blanks, one comma, blanks. False (cursor after the blanks) when there is no comma.
    bool Comma();

    // A quoted string with the limit L (terminator included): at most L - 1 characters are
    // kept. Blanks first; at the end of the value the result is empty and the read succeeds.
    // Escapes: \" for a quote, \\ for a backslash, \n for CR LF; any other backslash is
    // itself. The closing quote is the first quote not directly preceded by a backslash.
    // The cursor ends behind the last character consumed: behind the closing quote when the
    // whole content fitted, inside the quoted text when it did not. An escape is never split:
    // one that no longer fits whole stays unconsumed.
    bool ReadQuoted(size_t limit, std::string* out);

    // Blanks, then an optional "-" (signed only) and one or more digits, which must end at a
    // blank, a comma or the end of the value; the cursor stays on that delimiter. Values
    // accumulate in 32 bits and wrap without an overflow test.
    bool ReadSigned(int32_t* out);
    bool ReadUnsigned(uint32_t* out);

private:
    bool ReadDigits(uint32_t* out);

    std::string_view text_;
    size_t pos_ = 0;
};

// Field limits of the value layouts, terminator included.
constexpr size_t kDescriptionReadLimit = 1024;  // a component description as read

// Read limits of the script's keys, terminator included: a longer value is cut.
constexpr size_t kScriptLineLimit = 520;  // PyxDBVer, Launch, components, EULA, Readme
constexpr size_t kImageLineLimit = 1024;  // BackgroundImage, ProjectLogo
// [Palm] entries and file-section lines, which have no limit of their own: long enough for a
// kind-1 line with every field full and every character escaped.
constexpr size_t kListLineLimit = 4096;

// The `atoi`-like conversion of PyxDBVer: blanks, optional sign, leading digits; anything else
// gives 0. Returned as unsigned, so a negative version compares as very large.
uint32_t ScriptVersionFromText(std::string_view text);

// Launch: a quoted command (limit 260); anything behind it is ignored.
bool ParseLaunch(std::string_view value, std::string* command);

// "Component%d": name, sub-script number, use-main-folder flag, selected flag; from script
// version 5 also group and description (read with limit 1024, 511 characters kept).
struct ComponentLine {
    std::string name;
    int32_t subScript = -1;
    int32_t useMainFolder = 1;
    int32_t selected = 1;
    int32_t group = 0;
    std::string description;
};
bool ParseComponent(std::string_view value, uint32_t scriptVersion, ComponentLine* out);

// EULA and Readme: section index, comma, file index (neither range-checked here).
bool ParseDocument(std::string_view value, DocRef* out);

// BackgroundImage and ProjectLogo: name, bitmap number, placement mode (outside 0..3 -> 0).
bool ParseImage(std::string_view value, ImageSpec* out);

// [Palm] "File%d": name, first number; from version 4 the second number, from version 5 a
// [Folder] number (-1 when not read).
struct PalmLine {
    std::string name;
    int32_t firstNumber = -1;
    int32_t secondNumber = 0;
    int32_t folderNumber = -1;
};
bool ParsePalmFile(std::string_view value, uint32_t scriptVersion, PalmLine* out);

// A file section's "Folder%d": the quoted path and the comma behind it, which is required.
bool ParseSectionFolder(std::string_view value, std::string* path);

// A file section's "File%d": the six common fields. The cursor is left behind the menu
// shortcut field for the tail of the line's kind.
struct FileLine {
    std::string path;
    int32_t folder = -1;
    int32_t dataFile = -1;
    int32_t kind = kKindPlain;
    int32_t replaceMode = 1;
    int32_t menuShortcut = 0;
};
bool ParseFileCommon(Cursor& cursor, FileLine* out);

// The tails, read from where ParseFileCommon stopped; each starts with its comma.
struct PlainTail {  // kind 0
    int32_t startupShortcut = 0;
    std::string note;
};
bool ParsePlainTail(Cursor& cursor, PlainTail* out);

struct LibraryTail {  // kind 2
    int32_t registerSelf = 0;
    int32_t startupShortcut = 0;
    std::string note;
};
bool ParseLibraryTail(Cursor& cursor, LibraryTail* out);

bool ParseConduitTail(Cursor& cursor, ConduitSpec* out);  // kind 1

// An [Integrity] line: the size in bytes (decimal digits, 64 bits), a comma and the SHA-256 as
// 64 hex digits, kept in lower case. Nothing may follow.
bool ParseSeal(std::string_view value, uint64_t* size, std::string* sha256);

}  // namespace script
