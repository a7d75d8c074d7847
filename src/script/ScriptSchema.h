// The install script's sections and keys as data. The loader, the canonical writer, the
// model's differ and the authoring tool's manifest reader all walk these tables, so a key
// added here is read, written, compared and authored alike. The layouts of the values
// themselves are ValueSyntax's. Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "script/Project.h"

namespace script {

// The load's error codes, each for one malformed part of a script.
constexpr int32_t LoadCode(uint32_t value) { return static_cast<int32_t>(value); }
constexpr int32_t kBadImage = LoadCode(0x80660001u);
constexpr int32_t kNoTitle = LoadCode(0x80660002u);
constexpr int32_t kBadComponent = LoadCode(0x80660003u);
constexpr int32_t kBadPalmFile = LoadCode(0x80660004u);
constexpr int32_t kBadSectionFolder = LoadCode(0x80660005u);
constexpr int32_t kBadFileLine = LoadCode(0x80660006u);
constexpr int32_t kBadPlainTail = LoadCode(0x80660007u);
constexpr int32_t kBadLibraryTail = LoadCode(0x80660008u);
constexpr int32_t kBadConduitTail = LoadCode(0x80660009u);
constexpr int32_t kBadKind = LoadCode(0x8066000Au);
constexpr int32_t kBadLicence = LoadCode(0x8066000Bu);
constexpr int32_t kBadReadme = LoadCode(0x8066000Cu);
constexpr int32_t kBadIntegrity = LoadCode(0x8066000Du);
// What a load error code means to an author; "unknown error" for any other code.
const char* LoadCodeText(int32_t code);

inline constexpr char kProjectSection[] = "Project";
inline constexpr char kPalmSection[] = "Palm";
inline constexpr char kFolderSection[] = "Folder";
// Keyed by data-file name: "00000003=<size>,<sha256>".
inline constexpr char kIntegritySection[] = "Integrity";
inline constexpr char kScriptVersionKey[] = "PyxDBVer";

// The manifest's tables of the four file sections: "application", "system", ...
extern const char* const kSectionManifestNames[kSectionCount];

// What a single [Project] key holds, which says how each reader and writer treats it.
enum class KeyKind {
    kText,      // plain text, cut to the limit
    kFileName,  // a file's name without a folder (the manifest reader checks it as one)
    kNumber,
    kFlag,      // a number taken as zero or not (true or false in the manifest)
    kUnsigned,
    kDataFile,  // the number of a data file (in the manifest: the source it is made from)
    kLaunch,    // "command",-1; written only when there is a command
    kDocument,  // "section,index" of one of the package's files; written only when set
    kImage,     // "name",data file,placement; written only when set
};

enum class KeyRule {
    kAny,
    kRequired,        // a missing or empty text fails the load
    kEmptyIsDefault,  // an empty text reads as the fallback
    kTargetZeroOnly,  // read and written only for TargetOS 0
};

// One key: exactly one of the member pointers is set, the one its kind names.
struct ProjectKey {
    const char* name;      // as the script writes it
    const char* manifest;  // the manifest's [package] key; null when the tool derives the value
    KeyKind kind;
    KeyRule rule;
    size_t limit;            // the value read, terminator included
    const char* fallback;    // texts: the value of a missing key
    int32_t numberFallback;  // numbers: the value of a missing key
    int32_t failure;         // the load's error code for a value it cannot take; 0 when ignored
    std::string Project::*text;
    int32_t Project::*number;
    uint32_t Project::*unsignedNumber;
    DocRef Project::*document;
    ImageSpec Project::*image;
};

// A fixed table that range-for can walk.
template <typename T>
struct Table {
    const T* first;
    size_t count;
    const T* begin() const { return first; }
    const T* end() const { return first + count; }
};

// The single [Project] keys before the numbered lists, in the order they are read and written.
extern const Table<ProjectKey> kProjectKeys;
// The [Project] keys that point at the package's files, read once the lists are known and
// written behind the component lines.
extern const Table<ProjectKey> kFileReferenceKeys;

// A numbered list of keys: prefix + first, prefix + (first + 1), ... up to the first missing.
struct NumberedKeys {
    const char* section;
    const char* prefix;
    int first;

    std::string Key(int number) const;
};

inline constexpr NumberedKeys kComponentLines{kProjectSection, "Component", 1};
inline constexpr NumberedKeys kPalmFileLines{kPalmSection, "File", 1};
inline constexpr NumberedKeys kPalmFolderLines{kFolderSection, "Folder", 0};
NumberedKeys SectionFolderLines(FileSection section);
NumberedKeys SectionFileLines(FileSection section);

// One of the twelve fields of a conduit file line; exactly one member pointer is set.
struct ConduitField {
    int position;          // 1 to 12 in the line
    const char* manifest;  // its key in an entry's conduit table
    size_t limit;          // texts, terminator included
    std::string ConduitSpec::*text;
    uint32_t ConduitSpec::*number;
};

// In line order.
extern const Table<ConduitField> kConduitFields;

}  // namespace script
