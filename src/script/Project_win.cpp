// Project::Load: reads an install script through the Windows profile functions in the order
// the format gives and fills the project model. The single [Project] keys are read one by one;
// the numbered lists come from their section read whole (ScriptSection.h says why). The value
// layouts themselves are parsed by the portable ValueSyntax.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "script/Project.h"
#include "base/Text.h"
#include "script/ScriptSection.h"
#include "script/ValueSyntax.h"
#include "win/Files.h"

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

// Read limits of the script's keys, terminator included.
constexpr size_t kLineLimit = 520;        // PyxDBVer, Launch, components, EULA, Readme
constexpr size_t kImageLineLimit = 1024;  // BackgroundImage, ProjectLogo
// [Palm] entries and file-section lines, which have no limit of their own: long enough for a
// kind-1 line with every field full and every character escaped.
constexpr size_t kListLineLimit = 4096;

// Far beyond any script an authoring tool writes; a larger section is read up to this size.
constexpr size_t kMaxSectionBytes = 256u * 1024 * 1024;
constexpr size_t kFirstSectionBuffer = 64 * 1024;

const char kProjectSection[] = "Project";
const char kPalmSection[] = "Palm";
const char kFolderSection[] = "Folder";

std::string Numbered(const char* prefix, int number) { return prefix + std::to_string(number); }

// The profile reads of one script file.
class ScriptFile {
public:
    explicit ScriptFile(const std::string& path) : path_(path) {}

    // The value of a key cut to limit - 1 characters, or `fallback` when the key is missing.
    std::string Text(const char* section, const std::string& key, const char* fallback, size_t limit) const {
        std::vector<char> buffer(limit);
        DWORD n = GetPrivateProfileStringA(section, key.c_str(), fallback, buffer.data(),
                                           static_cast<DWORD>(buffer.size()), path_.c_str());
        return std::string(buffer.data(), n < buffer.size() ? n : buffer.size() - 1);
    }

    int32_t Int(const char* section, const char* key, int32_t fallback) const {
        return static_cast<int32_t>(GetPrivateProfileIntA(section, key, fallback, path_.c_str()));
    }

    // A whole section; empty when the file or the section is missing. A section is never
    // longer than its file, so a buffer of the file's size takes it in one read: a buffer
    // grown from small had the section copied again for every size that was too small, and
    // with the sizes falling between powers of two twice the lines could cost three times as
    // long.
    script::SectionValues Section(const char* section) const {
        size_t size = kFirstSectionBuffer;
        WIN32_FIND_DATAA file;
        if (win::FindEntry(path_, &file) && file.nFileSizeHigh == 0)
            size = std::min(std::max(size, static_cast<size_t>(file.nFileSizeLow) + 64), kMaxSectionBytes);
        for (;;) {
            std::unique_ptr<char[]> buffer(new char[size]);
            DWORD n = GetPrivateProfileSectionA(section, buffer.get(), static_cast<DWORD>(size), path_.c_str());
            // A buffer too small is reported as its size less two.
            if (n + 2 < size || size >= kMaxSectionBytes)
                return script::SectionValues(std::string_view(buffer.get(), n < size ? n : 0));
            size = std::min(size * 2, kMaxSectionBytes);
        }
    }

private:
    std::string path_;
};

class Loader {
public:
    // `chain` holds the full paths of the scripts being loaded, outermost first.
    explicit Loader(std::vector<std::string>& chain) : chain_(chain) {}

    int32_t Load(Project& project, const std::string& fullPath, bool loadSubProjects);

private:
    int32_t ReadProjectKeys(Project& project, const ScriptFile& file);
    int32_t ReadComponents(Project& project, const ScriptFile& file);
    int32_t LoadSubProjects(Project& project, const std::string& fullPath);
    int32_t ReadPalm(Project& project, const ScriptFile& file);
    int32_t ReadSections(Project& project, const ScriptFile& file);
    int32_t ReadDocumentsAndImages(Project& project, const ScriptFile& file);

    std::vector<std::string>& chain_;
    uint32_t scriptVersion_ = 1;
};

int32_t Loader::Load(Project& project, const std::string& fullPath, bool loadSubProjects) {
    ScriptFile file(fullPath);
    scriptVersion_ = script::ScriptVersionFromText(file.Text(kProjectSection, "PyxDBVer", "1", kLineLimit));

    int32_t result = ReadProjectKeys(project, file);
    if (result == 0) result = ReadComponents(project, file);
    if (result == 0 && loadSubProjects) result = LoadSubProjects(project, fullPath);
    if (result == 0) result = ReadPalm(project, file);
    if (result == 0) result = ReadSections(project, file);
    if (result == 0) result = ReadDocumentsAndImages(project, file);
    return result;
}

int32_t Loader::ReadProjectKeys(Project& project, const ScriptFile& file) {
    const char* s = kProjectSection;
    project.targetOs = static_cast<uint32_t>(file.Int(s, "TargetOS", 0));
    project.title = file.Text(s, "Title", "", kShortTextLimit);
    if (project.title.empty()) return kNoTitle;
    project.version = file.Text(s, "Version", "", kShortTextLimit);
    project.company = file.Text(s, "Company", "", kShortTextLimit);
    project.projectIcon = file.Text(s, "ProjectIcon", "", kPathLimit);
    project.languageDll = file.Text(s, "LanguageDLL", "", kShortTextLimit);
    if (project.languageDll.empty()) project.languageDll = kDefaultLanguageDll;
    if (project.targetOs == 0) {
        project.conduitInstaller = file.Text(s, "InstallConduit", "pyxcndin.dll", kShortTextLimit);
        project.conduitPattern = file.Text(s, "InstallConduitExt", "*.$_$", kPatternLimit);
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
    std::string launch = file.Text(s, "Launch", "", kLineLimit);
    if (!launch.empty()) {
        std::string command;
        if (script::ParseLaunch(launch, &command)) project.launch = command;
    }

    project.multicomp = file.Int(s, "Multicomp", 0);
    project.relativePaths = file.Int(s, "RelativePaths", 0);
    return 0;
}

int32_t Loader::ReadComponents(Project& project, const ScriptFile& file) {
    project.components.clear();
    const script::SectionValues keys = file.Section(kProjectSection);
    for (int n = 1;; ++n) {
        std::string value = keys.Text(Numbered("Component", n), kLineLimit);
        if (value.empty()) return 0;
        script::ComponentLine line;
        if (!script::ParseComponent(value, scriptVersion_, &line)) return kBadComponent;
        project.AddComponent(line.name, line.subScript, line.useMainFolder, line.selected, line.group,
                             line.description);
    }
}

int32_t Loader::LoadSubProjects(Project& project, const std::string& fullPath) {
    size_t slash = fullPath.find_last_of("\\/");
    std::string folder = slash == std::string::npos ? std::string() : fullPath.substr(0, slash + 1);
    for (Component& component : project.components) {
        std::string subPath = win::FullPath(folder + text::DataFileName(component.subScript));
        // A script that names itself, directly or through its components, would be loaded
        // without end: refuse it as a malformed component.
        for (const std::string& outer : chain_)
            if (lstrcmpiA(outer.c_str(), subPath.c_str()) == 0) return kBadComponent;
        chain_.push_back(subPath);
        Loader inner(chain_);
        int32_t result = inner.Load(*component.sub, subPath, true);
        chain_.pop_back();
        if (result != 0) return result;
    }
    return 0;
}

int32_t Loader::ReadPalm(Project& project, const ScriptFile& file) {
    project.palmFolders.clear();
    project.palmFiles.clear();
    const script::SectionValues entries = file.Section(kPalmSection);
    if (entries.Size() == 0) return 0;
    const script::SectionValues folders = file.Section(kFolderSection);
    for (int n = 1;; ++n) {
        std::string value = entries.Text(Numbered("File", n), kListLineLimit);
        if (value.empty()) return 0;
        script::PalmLine line;
        if (!script::ParsePalmFile(value, scriptVersion_, &line)) return kBadPalmFile;
        std::string folderName;
        if (scriptVersion_ >= 5 && line.folderNumber >= 0) {
            folderName = folders.Text(Numbered("Folder", line.folderNumber), kPathLimit);
            // An entry naming a folder that is not there is as malformed as a bad line; the
            // load must not report success with the rest of the script unread.
            if (folderName.empty()) return kBadPalmFile;
        }
        project.AddPalmFile(line.name, line.firstNumber, line.secondNumber, folderName);
    }
}

int32_t Loader::ReadSections(Project& project, const ScriptFile& file) {
    for (int s = 0; s < kSectionCount; ++s) {
        project.folders[s].clear();
        project.files[s].clear();
    }
    for (int s = 0; s < kSectionCount; ++s) {
        const FileSection section = static_cast<FileSection>(s);
        const script::SectionValues keys = file.Section(kSectionNames[s]);
        // Sized once for the numbered lines present, so that no entry is moved again while
        // the list grows.
        project.files[s].reserve(static_cast<size_t>(keys.CountNumbered("File", 0)));
        for (int n = 0;; ++n) {
            std::string value = keys.Text(Numbered("Folder", n), kListLineLimit);
            if (value.empty()) break;
            std::string path;
            if (!script::ParseSectionFolder(value, &path)) return kBadSectionFolder;
            project.AddSectionFolder(section, path);
        }
        for (int n = 0;; ++n) {
            std::string value = keys.Text(Numbered("File", n), kListLineLimit);
            if (value.empty()) break;
            script::Cursor cursor(value);
            script::FileLine line;
            if (!script::ParseFileCommon(cursor, &line)) return kBadFileLine;
            int32_t index = project.AddFileEntry(section, line.path, line.folder, line.dataFile, line.kind,
                                                 line.replaceMode, line.menuShortcut);
            FileEntry& entry = project.files[s][static_cast<size_t>(index)];
            if (line.kind == kKindPlain) {
                script::PlainTail tail;
                if (!script::ParsePlainTail(cursor, &tail)) return kBadPlainTail;
                entry.startupShortcut = tail.startupShortcut;
                entry.note = tail.note;
            } else if (line.kind == kKindRegistrable) {
                script::LibraryTail tail;
                if (!script::ParseLibraryTail(cursor, &tail)) return kBadLibraryTail;
                entry.registerSelf = tail.registerSelf;
                entry.startupShortcut = tail.startupShortcut;
                entry.note = tail.note;
            } else if (line.kind == kKindConduit) {
                if (!script::ParseConduitTail(cursor, &entry.conduit)) return kBadConduitTail;
            } else {
                return kBadKind;
            }
        }
    }
    return 0;
}

int32_t Loader::ReadDocumentsAndImages(Project& project, const ScriptFile& file) {
    project.licence.fileIndex = -1;
    std::string value = file.Text(kProjectSection, "EULA", "", kLineLimit);
    if (!value.empty() && !script::ParseDocument(value, &project.licence)) return kBadLicence;

    project.readme.fileIndex = -1;
    value = file.Text(kProjectSection, "Readme", "", kLineLimit);
    if (!value.empty() && !script::ParseDocument(value, &project.readme)) return kBadReadme;

    ImageSpec* images[] = {&project.backgroundImage, &project.logo};
    const char* keys[] = {"BackgroundImage", "ProjectLogo"};
    for (int i = 0; i < 2; ++i) {
        images[i]->dataFile = -1;
        images[i]->mode = 0;
        value = file.Text(kProjectSection, keys[i], "", kImageLineLimit);
        if (!value.empty() && !script::ParseImage(value, images[i])) return kBadImage;
    }
    return 0;
}

}  // namespace

int32_t Project::Load(const std::string& scriptPath, bool loadSubProjects) {
    // The profile functions look for a path without a folder in the Windows folder; the full
    // path also names the script in the chain that stops a script from loading itself.
    std::string fullPath = win::FullPath(scriptPath);
    std::vector<std::string> chain{fullPath};
    Loader loader(chain);
    return loader.Load(*this, fullPath, loadSubProjects);
}
