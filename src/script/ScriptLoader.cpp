// The loader reads the single [Project] keys one by one in the order of the schema's tables;
// the numbered lists come from their section read whole (ScriptSection.h says why). The value
// layouts themselves are parsed by ValueSyntax.
#include "script/ScriptLoader.h"

#include <string>
#include <vector>

#include "base/Text.h"
#include "script/ScriptSchema.h"
#include "script/ValueSyntax.h"

namespace script {

namespace {

class Loader {
public:
    // `chain` holds the full paths of the scripts being loaded, outermost first.
    Loader(const ScriptSource& source, std::vector<std::string>& chain, LoadFailure* failure)
        : source_(source), chain_(chain), failure_(failure) {}

    int32_t Load(Project& project, const std::string& fullPath, bool loadSubProjects);

private:
    // Each key of the table in turn; stops at the first value the load cannot take.
    int32_t ReadKeys(Project& project, const ScriptKeys& file, const Table<ProjectKey>& keys);
    int32_t ReadKey(Project& project, const ScriptKeys& file, const ProjectKey& key);
    int32_t ReadText(Project& project, const ScriptKeys& file, const ProjectKey& key);
    int32_t ReadComponents(Project& project, const ScriptKeys& file);
    int32_t LoadSubProjects(Project& project, const std::string& fullPath);
    int32_t ReadPalm(Project& project, const ScriptKeys& file);
    int32_t ReadSections(Project& project, const ScriptKeys& file);
    int32_t ReadFileLine(Project& project, FileSection section, const std::string& key, const std::string& value);
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
    scriptVersion_ = ScriptVersionFromText(file->Text(kProjectSection, kScriptVersionKey, "1", kScriptLineLimit));

    int32_t result = ReadKeys(project, *file, kProjectKeys);
    if (result == 0) result = ReadComponents(project, *file);
    if (result == 0 && loadSubProjects) result = LoadSubProjects(project, fullPath);
    if (result == 0) result = ReadPalm(project, *file);
    if (result == 0) result = ReadSections(project, *file);
    if (result == 0) result = ReadKeys(project, *file, kFileReferenceKeys);
    if (result == 0) result = ReadSeals(project, *file);
    return result;
}

int32_t Loader::ReadKeys(Project& project, const ScriptKeys& file, const Table<ProjectKey>& keys) {
    for (const ProjectKey& key : keys) {
        if (key.rule == KeyRule::kTargetZeroOnly && project.targetOs != 0) continue;
        const int32_t result = ReadKey(project, file, key);
        if (result != 0) return result;
    }
    return 0;
}

int32_t Loader::ReadKey(Project& project, const ScriptKeys& file, const ProjectKey& key) {
    const char* s = kProjectSection;
    switch (key.kind) {
    case KeyKind::kText:
    case KeyKind::kFileName:
        return ReadText(project, file, key);
    case KeyKind::kNumber:
    case KeyKind::kFlag:
    case KeyKind::kDataFile:
        project.*key.number = file.Int(s, key.name, key.numberFallback);
        return 0;
    case KeyKind::kUnsigned:
        project.*key.unsignedNumber = static_cast<uint32_t>(file.Int(s, key.name, key.numberFallback));
        return 0;
    case KeyKind::kLaunch: {
        // A launch the program cannot parse is left out, not refused.
        std::string& launch = project.*key.text;
        launch.clear();
        const std::string value = file.Text(s, key.name, "", key.limit);
        std::string command;
        if (!value.empty() && ParseLaunch(value, &command)) launch = command;
        return 0;
    }
    case KeyKind::kDocument: {
        DocRef& document = project.*key.document;
        document.fileIndex = -1;
        const std::string value = file.Text(s, key.name, "", key.limit);
        return value.empty() || ParseDocument(value, &document) ? 0 : Fail(key.failure, s, key.name);
    }
    case KeyKind::kImage: {
        ImageSpec& image = project.*key.image;
        image.dataFile = -1;
        image.mode = 0;
        const std::string value = file.Text(s, key.name, "", key.limit);
        return value.empty() || ParseImage(value, &image) ? 0 : Fail(key.failure, s, key.name);
    }
    }
    return 0;
}

int32_t Loader::ReadText(Project& project, const ScriptKeys& file, const ProjectKey& key) {
    std::string& value = project.*key.text;
    value = file.Text(kProjectSection, key.name, key.fallback, key.limit);
    if (!value.empty()) return 0;
    if (key.rule == KeyRule::kRequired) return Fail(key.failure, kProjectSection, key.name);
    if (key.rule == KeyRule::kEmptyIsDefault) value = key.fallback;
    return 0;
}

int32_t Loader::ReadComponents(Project& project, const ScriptKeys& file) {
    project.components.clear();
    const SectionValues keys = file.Section(kComponentLines.section);
    for (int n = kComponentLines.first;; ++n) {
        std::string key = kComponentLines.Key(n);
        std::string value = keys.Text(key, kScriptLineLimit);
        if (value.empty()) return 0;
        ComponentLine line;
        if (!ParseComponent(value, scriptVersion_, &line)) return Fail(kBadComponent, kComponentLines.section, key);
        project.AddComponent(line.name, line.subScript, line.useMainFolder, line.selected, line.group,
                             line.description);
    }
}

int32_t Loader::LoadSubProjects(Project& project, const std::string& fullPath) {
    size_t slash = fullPath.find_last_of("\\/");
    std::string folder = slash == std::string::npos ? std::string() : fullPath.substr(0, slash + 1);
    int n = kComponentLines.first;
    for (Component& component : project.components) {
        std::string subPath = source_.FullPath(folder + text::DataFileName(component.subScript));
        // A script that names itself, directly or through its components, would be loaded
        // without end: refuse it as a malformed component.
        for (const std::string& outer : chain_)
            if (source_.SamePath(outer, subPath))
                return Fail(kBadComponent, kComponentLines.section, kComponentLines.Key(n));
        chain_.push_back(subPath);
        Loader inner(source_, chain_, failure_);
        int32_t result = inner.Load(*component.sub, subPath, true);
        chain_.pop_back();
        if (result != 0) return result;
        ++n;
    }
    return 0;
}

int32_t Loader::ReadPalm(Project& project, const ScriptKeys& file) {
    project.palmFolders.clear();
    project.palmFiles.clear();
    const SectionValues entries = file.Section(kPalmFileLines.section);
    if (entries.Size() == 0) return 0;
    const SectionValues folders = file.Section(kPalmFolderLines.section);
    for (int n = kPalmFileLines.first;; ++n) {
        std::string key = kPalmFileLines.Key(n);
        std::string value = entries.Text(key, kListLineLimit);
        if (value.empty()) return 0;
        PalmLine line;
        if (!ParsePalmFile(value, scriptVersion_, &line)) return Fail(kBadPalmFile, kPalmFileLines.section, key);
        std::string folderName;
        if (scriptVersion_ >= 5 && line.folderNumber >= 0) {
            folderName = folders.Text(kPalmFolderLines.Key(line.folderNumber), kPathLimit);
            // An entry naming a folder that is not there is as malformed as a bad line; the
            // load must not report success with the rest of the script unread.
            if (folderName.empty()) return Fail(kBadPalmFile, kPalmFileLines.section, key);
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
        const NumberedKeys folderLines = SectionFolderLines(section);
        const NumberedKeys fileLines = SectionFileLines(section);
        const SectionValues keys = file.Section(kSectionNames[s]);
        // Sized once for the numbered lines present, so that no entry is moved again while
        // the list grows.
        project.files[s].reserve(static_cast<size_t>(keys.CountNumbered(fileLines.prefix, fileLines.first)));
        for (int n = folderLines.first;; ++n) {
            std::string key = folderLines.Key(n);
            std::string value = keys.Text(key, kListLineLimit);
            if (value.empty()) break;
            std::string path;
            if (!ParseSectionFolder(value, &path)) return Fail(kBadSectionFolder, kSectionNames[s], key);
            project.AddSectionFolder(section, path);
        }
        for (int n = fileLines.first;; ++n) {
            std::string key = fileLines.Key(n);
            std::string value = keys.Text(key, kListLineLimit);
            if (value.empty()) break;
            const int32_t result = ReadFileLine(project, section, key, value);
            if (result != 0) return result;
        }
    }
    return 0;
}

int32_t Loader::ReadFileLine(Project& project, FileSection section, const std::string& key,
                             const std::string& value) {
    const char* name = kSectionNames[section];
    Cursor cursor(value);
    FileLine line;
    if (!ParseFileCommon(cursor, &line)) return Fail(kBadFileLine, name, key);
    int32_t index = project.AddFileEntry(section, line.path, line.folder, line.dataFile, line.kind, line.replaceMode,
                                         line.menuShortcut);
    FileEntry& entry = project.files[section][static_cast<size_t>(index)];
    if (line.kind == kKindPlain) {
        PlainTail tail;
        if (!ParsePlainTail(cursor, &tail)) return Fail(kBadPlainTail, name, key);
        entry.startupShortcut = tail.startupShortcut;
        entry.note = tail.note;
    } else if (line.kind == kKindRegistrable) {
        LibraryTail tail;
        if (!ParseLibraryTail(cursor, &tail)) return Fail(kBadLibraryTail, name, key);
        entry.registerSelf = tail.registerSelf;
        entry.startupShortcut = tail.startupShortcut;
        entry.note = tail.note;
    } else if (line.kind == kKindConduit) {
        if (!ParseConduitTail(cursor, &entry.conduit)) return Fail(kBadConduitTail, name, key);
    } else {
        return Fail(kBadKind, name, key);
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
