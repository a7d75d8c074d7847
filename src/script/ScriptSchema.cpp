#include "script/ScriptSchema.h"

#include "base/Text.h"
#include "script/ValueSyntax.h"

namespace script {

const char* const kSectionManifestNames[kSectionCount] = {"application", "system", "conduit", "mounted_device"};

namespace {

constexpr ProjectKey Text(const char* name, const char* manifest, std::string Project::*field, size_t limit,
                          const char* fallback = "", KeyRule rule = KeyRule::kAny,
                          KeyKind kind = KeyKind::kText) {
    return {name, manifest, kind, rule, limit, fallback, 0, 0, field, nullptr, nullptr, nullptr, nullptr};
}

constexpr ProjectKey Required(const char* name, const char* manifest, std::string Project::*field, size_t limit,
                              int32_t failure) {
    return {name, manifest, KeyKind::kText, KeyRule::kRequired, limit, "", 0, failure,
            field, nullptr, nullptr, nullptr, nullptr};
}

constexpr ProjectKey FileName(const char* name, const char* manifest, std::string Project::*field, size_t limit,
                              const char* fallback, KeyRule rule) {
    return Text(name, manifest, field, limit, fallback, rule, KeyKind::kFileName);
}

constexpr ProjectKey Number(const char* name, const char* manifest, int32_t Project::*field, int32_t fallback,
                            KeyKind kind = KeyKind::kNumber) {
    return {name, manifest, kind, KeyRule::kAny, 0, "", fallback, 0, nullptr, field, nullptr, nullptr, nullptr};
}

constexpr ProjectKey Unsigned(const char* name, const char* manifest, uint32_t Project::*field) {
    return {name, manifest, KeyKind::kUnsigned, KeyRule::kAny, 0, "", 0, 0, nullptr, nullptr, field, nullptr, nullptr};
}

constexpr ProjectKey Launch(const char* name, const char* manifest, std::string Project::*field) {
    return {name, manifest, KeyKind::kLaunch, KeyRule::kAny, kScriptLineLimit, "", 0, 0,
            field, nullptr, nullptr, nullptr, nullptr};
}

constexpr ProjectKey Document(const char* name, const char* manifest, DocRef Project::*field, int32_t failure) {
    return {name, manifest, KeyKind::kDocument, KeyRule::kAny, kScriptLineLimit, "", 0, failure,
            nullptr, nullptr, nullptr, field, nullptr};
}

constexpr ProjectKey Image(const char* name, const char* manifest, ImageSpec Project::*field) {
    return {name, manifest, KeyKind::kImage, KeyRule::kAny, kImageLineLimit, "", 0, kBadImage,
            nullptr, nullptr, nullptr, nullptr, field};
}

// TargetOS comes first: it decides whether the conduit installer's keys are there at all.
constexpr ProjectKey kProjectKeyList[] = {
    Unsigned("TargetOS", "target_os", &Project::targetOs),
    Required("Title", "title", &Project::title, kShortTextLimit, kNoTitle),
    Text("Version", "version", &Project::version, kShortTextLimit),
    Text("Company", "company", &Project::company, kShortTextLimit),
    Text("ProjectIcon", "project_icon", &Project::projectIcon, kPathLimit),
    FileName("LanguageDLL", "language_name", &Project::languageDll, kShortTextLimit, kDefaultLanguageDll,
             KeyRule::kEmptyIsDefault),
    FileName("InstallConduit", "conduit_installer", &Project::conduitInstaller, kShortTextLimit,
             kDefaultConduitInstaller, KeyRule::kTargetZeroOnly),
    Text("InstallConduitExt", "conduit_installer_pattern", &Project::conduitPattern, kPatternLimit,
         kDefaultConduitPattern, KeyRule::kTargetZeroOnly),
    Number("LanguageDLLIndex", "language_library", &Project::languageDllIndex, -1, KeyKind::kDataFile),
    Number("InstallConduitIndex", "conduit_installer_source", &Project::conduitInstallerIndex, -1,
           KeyKind::kDataFile),
    Number("Group0_MinComp", "group0_min", &Project::group0MinComp, 1),
    Text("DefTargetDir", "install_dir", &Project::defTargetDir, kPathLimit, kDefaultTargetDir),
    Text("DefMountedDir", "mounted_dir", &Project::defMountedDir, kPathLimit, kDefaultMountedDir),
    Text("DefShortcutDir", "shortcut_dir", &Project::defShortcutDir, kPathLimit, kDefaultShortcutDir),
    Text("WinTitle", "window_title", &Project::winTitle, kPathLimit, kDefaultWinTitle),
    Number("CopyPalmToPC", "copy_palm_to_pc", &Project::copyPalmToPc, 1, KeyKind::kFlag),
    Launch("Launch", "launch", &Project::launch),
    // Set by the tool when the manifest has components.
    Number("Multicomp", nullptr, &Project::multicomp, 0, KeyKind::kFlag),
    Number("RelativePaths", "relative_paths", &Project::relativePaths, 0, KeyKind::kFlag),
};

constexpr ProjectKey kFileReferenceKeyList[] = {
    Document("EULA", "licence", &Project::licence, kBadLicence),
    Document("Readme", "readme", &Project::readme, kBadReadme),
    Image("BackgroundImage", "background_image", &Project::backgroundImage),
    Image("ProjectLogo", "logo", &Project::logo),
};

constexpr ConduitField Text(int position, const char* manifest, std::string ConduitSpec::*field,
                            size_t limit = kConduitTextLimit) {
    return {position, manifest, limit, field, nullptr};
}

constexpr ConduitField Number(int position, const char* manifest, uint32_t ConduitSpec::*field) {
    return {position, manifest, 0, nullptr, field};
}

const ConduitField kConduitFieldList[] = {
    Text(1, "text1", &ConduitSpec::text1),        Number(2, "number2", &ConduitSpec::number2),
    Text(3, "text3", &ConduitSpec::text3),        Text(4, "text4", &ConduitSpec::text4),
    Text(5, "text5", &ConduitSpec::text5),        Number(6, "number6", &ConduitSpec::number6),
    Text(7, "text7", &ConduitSpec::text7),        Text(8, "text8", &ConduitSpec::text8),
    Number(9, "number9", &ConduitSpec::number9),  Text(10, "text10", &ConduitSpec::text10),
    Number(11, "number11", &ConduitSpec::number11), Text(12, "text12", &ConduitSpec::text12, kPathLimit),
};

template <typename T, size_t N>
constexpr Table<T> TableOf(const T (&list)[N]) {
    return {list, N};
}

}  // namespace

const Table<ProjectKey> kProjectKeys = TableOf(kProjectKeyList);
const Table<ProjectKey> kFileReferenceKeys = TableOf(kFileReferenceKeyList);
const Table<ConduitField> kConduitFields = TableOf(kConduitFieldList);

std::string NumberedKeys::Key(int number) const { return text::Format("%s%d", prefix, number); }

NumberedKeys SectionFolderLines(FileSection section) { return {kSectionNames[section], "Folder", 0}; }

NumberedKeys SectionFileLines(FileSection section) { return {kSectionNames[section], "File", 0}; }

const char* LoadCodeText(int32_t code) {
    static const struct {
        int32_t code;
        const char* text;
    } kTexts[] = {
        {kBadImage, "a background image or logo line is malformed"},
        {kNoTitle, "the title is missing or empty, or the script file is missing"},
        {kBadComponent, "a component line is malformed"},
        {kBadPalmFile, "a [Palm] line is malformed or names a missing [Folder] key"},
        {kBadSectionFolder, "a section folder line is malformed or lacks its comma"},
        {kBadFileLine, "a file line's common fields are malformed"},
        {kBadPlainTail, "a plain file line's tail is malformed"},
        {kBadLibraryTail, "a library line's tail is malformed"},
        {kBadConduitTail, "a conduit line's fields are malformed"},
        {kBadKind, "a file line's kind is not 0, 1 or 2"},
        {kBadLicence, "the EULA line is malformed"},
        {kBadReadme, "the Readme line is malformed"},
        {kBadIntegrity, "an [Integrity] line is malformed, or a data file the script names has none"},
    };
    for (const auto& known : kTexts)
        if (known.code == code) return known.text;
    return "unknown error";
}

}  // namespace script
