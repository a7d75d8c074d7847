// The loader reads the single [Project] keys one by one in the order the format gives; the
// numbered lists come from their section read whole (ScriptSection.h says why). The value
// layouts themselves are parsed by ValueSyntax.
#include "script/ScriptLoader.h"

#include <string>
#include <vector>

#include "base/Text.h"
#include "script/ValueSyntax.h"

namespace script {

namespace {

constexpr int32_t Code(uint32_t value) { return static_cast<int32_t>(value); }
constexpr int32_t kBadImage = Code(0x80660001u);
constexpr int32_t kNoTitle = Code(0x80660002u);
constexpr int32_t kBadComponent = Code(0x80660003u);
constexpr int32_t kBadPalmFile = Code(0x80660004u);
constexpr int32_t kBadSectionFolder = Code(0x80660005u);
constexpr int32_t kBadFileLine = Code(0x80660006u);
constexpr int32_t kBadPlainTail = Code(0x80660007u);
constexpr int32_t kBadLibraryTail = Code(0x80660008u);
constexpr int32_t kBadConduitTail = Code(0x80660009u);
constexpr int32_t kBadKind = Code(0x8066000Au);
constexpr int32_t kBadLicence = Code(0x8066000Bu);
constexpr int32_t kBadReadme = Code(0x8066000Cu);
constexpr int32_t kBadIntegrity = Code(0x8066000Du);

const char kProjectSection[] = "Project";
const char kPalmSection[] = "Palm";
const char kFolderSection[] = "Folder";
const char kIntegritySection[] = "Integrity";

std::string Numbered(const char* prefix, int number) { return text::Format("%s%d", prefix, number); }

class Loader {
public:
    // `chain` holds the full paths of the scripts being loaded, outermost first.
    Loader(const ScriptSource& source, std::vector<std::string>& chain, LoadFailure* failure)
        : source_(source), chain_(chain), failure_(failure) {}

    int32_t Load(Project& project, const std::string& fullPath, bool loadSubProjects);

private:
    int32_t ReadProjectKeys(Project& project, const ScriptKeys& file);
    int32_t ReadComponents(Project& project, const ScriptKeys& file);
    int32_t LoadSubProjects(Project& project, const std::string& fullPath);
    int32_t ReadPalm(Project& project, const ScriptKeys& file);
    int32_t ReadSections(Project& project, const ScriptKeys& file);
    int32_t ReadDocumentsAndImages(Project& project, const ScriptKeys& file);
    int32_t ReadSeals(Project& project, const ScriptKeys& file);

    // Records where the load stopped and returns the code.
    int32_t Fail(int32_t code, const std::string& section, const std::string& key) {
        if (failure_) {
            failure_->script = chain_.back();
            failure_->key = "[" + section + "] " + key;
        }
        return code;
    }

    const ScriptSource& source_;
    std::vector<std::string>& chain_;
    LoadFailure* failure_;
    uint32_t scriptVersion_ = 1;
};

int32_t Loader::Load(Project& project, const std::string& fullPath, bool loadSubProjects) {
    std::unique_ptr<ScriptKeys> file = source_.Open(fullPath);
    scriptVersion_ = ScriptVersionFromText(file->Text(kProjectSection, "PyxDBVer", "1", kScriptLineLimit));

    int32_t result = ReadProjectKeys(project, *file);
    if (result == 0) result = ReadComponents(project, *file);
    if (result == 0 && loadSubProjects) result = LoadSubProjects(project, fullPath);
    if (result == 0) result = ReadPalm(project, *file);
    if (result == 0) result = ReadSections(project, *file);
    if (result == 0) result = ReadDocumentsAndImages(project, *file);
    if (result == 0) result = ReadSeals(project, *file);
    return result;
}

int32_t Loader::ReadProjectKeys(Project& project, const ScriptKeys& file) {
    const char* s = kProjectSection;
    project.targetOs = static_cast<uint32_t>(file.Int(s, "TargetOS", 0));
    project.title = file.Text(s, "Title", "", kShortTextLimit);
    if (project.title.empty()) return Fail(kNoTitle, s, "Title");
    project.version = file.Text(s, "Version", "", kShortTextLimit);
    project.company = file.Text(s, "Company", "", kShortTextLimit);
    project.projectIcon = file.Text(s, "ProjectIcon", "", kPathLimit);
    project.languageDll = file.Text(s, "LanguageDLL", "", kShortTextLimit);
    if (project.languageDll.empty()) project.languageDll = kDefaultLanguageDll;
    if (project.targetOs == 0) {
        project.conduitInstaller = file.Text(s, "InstallConduit", kDefaultConduitInstaller, kShortTextLimit);
        project.conduitPattern = file.Text(s, "InstallConduitExt", kDefaultConduitPattern, kPatternLimit);
    }
    project.languageDllIndex = file.Int(s, "LanguageDLLIndex", -1);
    project.conduitInstallerIndex = file.Int(s, "InstallConduitIndex", -1);
    project.group0MinComp = file.Int(s, "Group0_MinComp", 1);
    project.defTargetDir = file.Text(s, "DefTargetDir", kDefaultTargetDir, kPathLimit);
    project.defMountedDir = file.Text(s, "DefMountedDir", kDefaultMountedDir, kPathLimit);
    project.defShortcutDir = file.Text(s, "DefShortcutDir", kDefaultShortcutDir, kPathLimit);
    project.winTitle = file.Text(s, "WinTitle", kDefaultWinTitle, kPathLimit);
    project.copyPalmToPc = file.Int(s, "CopyPalmToPC", 1);

    project.launch.clear();
    std::string launch = file.Text(s, "Launch", "", kScriptLineLimit);
    if (!launch.empty()) {
        std::string command;
        if (ParseLaunch(launch, &command)) project.launch = command;
    }

    project.multicomp = file.Int(s, "Multicomp", 0);
    project.relativePaths = file.Int(s, "RelativePaths", 0);
    return 0;
}

int32_t Loader::ReadComponents(Project& project, const ScriptKeys& file) {
    project.components.clear();
    const SectionValues keys = file.Section(kProjectSection);
    for (int n = 1;; ++n) {
        std::string key = Numbered("Component", n);
        std::string value = keys.Text(key, kScriptLineLimit);
        if (value.empty()) return 0;
        ComponentLine line;
        if (!ParseComponent(value, scriptVersion_, &line)) return Fail(kBadComponent, kProjectSection, key);
        project.AddComponent(line.name, line.subScript, line.useMainFolder, line.selected, line.group,
                             line.description);
    }
}

int32_t Loader::LoadSubProjects(Project& project, const std::string& fullPath) {
    size_t slash = fullPath.find_last_of("\\/");
    std::string folder = slash == std::string::npos ? std::string() : fullPath.substr(0, slash + 1);
    int n = 0;
    for (Component& component : project.components) {
        ++n;
        std::string subPath = source_.FullPath(folder + text::DataFileName(component.subScript));
        // A script that names itself, directly or through its components, would be loaded
        // without end: refuse it as a malformed component.
        for (const std::string& outer : chain_)
            if (source_.SamePath(outer, subPath)) return Fail(kBadComponent, kProjectSection, Numbered("Component", n));
        chain_.push_back(subPath);
        Loader inner(source_, chain_, failure_);
        int32_t result = inner.Load(*component.sub, subPath, true);
        chain_.pop_back();
        if (result != 0) return result;
    }
    return 0;
}

int32_t Loader::ReadPalm(Project& project, const ScriptKeys& file) {
    project.palmFolders.clear();
    project.palmFiles.clear();
    const SectionValues entries = file.Section(kPalmSection);
    if (entries.Size() == 0) return 0;
    const SectionValues folders = file.Section(kFolderSection);
    for (int n = 1;; ++n) {
        std::string key = Numbered("File", n);
        std::string value = entries.Text(key, kListLineLimit);
        if (value.empty()) return 0;
        PalmLine line;
        if (!ParsePalmFile(value, scriptVersion_, &line)) return Fail(kBadPalmFile, kPalmSection, key);
        std::string folderName;
        if (scriptVersion_ >= 5 && line.folderNumber >= 0) {
            folderName = folders.Text(Numbered("Folder", line.folderNumber), kPathLimit);
            // An entry naming a folder that is not there is as malformed as a bad line; the
            // load must not report success with the rest of the script unread.
            if (folderName.empty()) return Fail(kBadPalmFile, kPalmSection, key);
        }
        project.AddPalmFile(line.name, line.firstNumber, line.secondNumber, folderName);
    }
}

int32_t Loader::ReadSections(Project& project, const ScriptKeys& file) {
    for (int s = 0; s < kSectionCount; ++s) {
        project.folders[s].clear();
        project.files[s].clear();
    }
    for (int s = 0; s < kSectionCount; ++s) {
        const FileSection section = static_cast<FileSection>(s);
        const SectionValues keys = file.Section(kSectionNames[s]);
        // Sized once for the numbered lines present, so that no entry is moved again while
        // the list grows.
        project.files[s].reserve(static_cast<size_t>(keys.CountNumbered("File", 0)));
        for (int n = 0;; ++n) {
            std::string key = Numbered("Folder", n);
            std::string value = keys.Text(key, kListLineLimit);
            if (value.empty()) break;
            std::string path;
            if (!ParseSectionFolder(value, &path)) return Fail(kBadSectionFolder, kSectionNames[s], key);
            project.AddSectionFolder(section, path);
        }
        for (int n = 0;; ++n) {
            std::string key = Numbered("File", n);
            std::string value = keys.Text(key, kListLineLimit);
            if (value.empty()) break;
            Cursor cursor(value);
            FileLine line;
            if (!ParseFileCommon(cursor, &line)) return Fail(kBadFileLine, kSectionNames[s], key);
            int32_t index = project.AddFileEntry(section, line.path, line.folder, line.dataFile, line.kind,
                                                 line.replaceMode, line.menuShortcut);
            FileEntry& entry = project.files[s][static_cast<size_t>(index)];
            if (line.kind == kKindPlain) {
                PlainTail tail;
                if (!ParsePlainTail(cursor, &tail)) return Fail(kBadPlainTail, kSectionNames[s], key);
                entry.startupShortcut = tail.startupShortcut;
                entry.note = tail.note;
            } else if (line.kind == kKindRegistrable) {
                LibraryTail tail;
                if (!ParseLibraryTail(cursor, &tail)) return Fail(kBadLibraryTail, kSectionNames[s], key);
                entry.registerSelf = tail.registerSelf;
                entry.startupShortcut = tail.startupShortcut;
                entry.note = tail.note;
            } else if (line.kind == kKindConduit) {
                if (!ParseConduitTail(cursor, &entry.conduit)) return Fail(kBadConduitTail, kSectionNames[s], key);
            } else {
                return Fail(kBadKind, kSectionNames[s], key);
            }
        }
    }
    return 0;
}

int32_t Loader::ReadDocumentsAndImages(Project& project, const ScriptKeys& file) {
    const char* s = kProjectSection;
    project.licence.fileIndex = -1;
    std::string value = file.Text(s, "EULA", "", kScriptLineLimit);
    if (!value.empty() && !ParseDocument(value, &project.licence)) return Fail(kBadLicence, s, "EULA");

    project.readme.fileIndex = -1;
    value = file.Text(s, "Readme", "", kScriptLineLimit);
    if (!value.empty() && !ParseDocument(value, &project.readme)) return Fail(kBadReadme, s, "Readme");

    ImageSpec* images[] = {&project.backgroundImage, &project.logo};
    const char* keys[] = {"BackgroundImage", "ProjectLogo"};
    for (int i = 0; i < 2; ++i) {
        images[i]->dataFile = -1;
        images[i]->mode = 0;
        value = file.Text(s, keys[i], "", kImageLineLimit);
        if (!value.empty() && !ParseImage(value, images[i])) return Fail(kBadImage, s, keys[i]);
    }
    return 0;
}

// With the section, every data file the script names needs its line: a script whose lines no
// longer match what it names was changed after the package was sealed.
int32_t Loader::ReadSeals(Project& project, const ScriptKeys& file) {
    project.seals.clear();
    const SectionValues lines = file.Section(kIntegritySection);
    if (lines.Size() == 0) return 0;
    for (int32_t number : NamedDataFiles(project)) {
        const std::string key = text::DataFileName(number);
        DataFileSeal seal;
        seal.dataFile = number;
        if (!ParseSeal(lines.Text(key, kScriptLineLimit), &seal.size, &seal.sha256))
            return Fail(kBadIntegrity, kIntegritySection, key);
        project.seals.push_back(std::move(seal));
    }
    return 0;
}

}  // namespace

int32_t LoadProject(Project& project, const ScriptSource& source, const std::string& scriptPath,
                    bool loadSubProjects, LoadFailure* failure) {
    std::string fullPath = source.FullPath(scriptPath);
    std::vector<std::string> chain{fullPath};
    Loader loader(source, chain, failure);
    return loader.Load(project, fullPath, loadSubProjects);
}

}  // namespace script
