#include "script/ScriptWriter.h"

#include <fstream>

#include "base/Text.h"
#include "script/ScriptSchema.h"

namespace script {

namespace {

std::string LaunchValue(const std::string& command) { return ScriptWriter::Quote(command) + ",-1"; }

std::string DocumentValue(FileSection section, int32_t fileIndex) {
    return text::Format("%d,%d", static_cast<int>(section), fileIndex);
}

std::string ImageValue(const std::string& name, int32_t dataFile, int32_t mode) {
    return text::Format("%s,%d,%d", ScriptWriter::Quote(name).c_str(), dataFile, mode);
}

}  // namespace

ScriptWriter::ScriptWriter() { Set(kScriptVersionKey, "5"); }

std::string ScriptWriter::Quote(const std::string& value) {
    std::string quoted = "\"";
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\r') {
            quoted += "\\n";
            if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

ScriptWriter::Section& ScriptWriter::SectionNamed(const std::string& name) {
    for (Section& section : sections_)
        if (section.name == name) return section;
    sections_.push_back(Section{name, {}});
    return sections_.back();
}

int ScriptWriter::AppendNumbered(const NumberedKeys& list, const std::string& value) {
    int number = list.first + listCounts_[std::string(list.section) + "/" + list.prefix]++;
    SectionNamed(list.section).keys.emplace_back(list.Key(number), value);
    return number;
}

void ScriptWriter::SetRaw(const std::string& section, const std::string& key, const std::string& value) {
    Section& target = SectionNamed(section);
    for (auto& entry : target.keys) {
        if (entry.first == key) {
            entry.second = value;
            return;
        }
    }
    target.keys.emplace_back(key, value);
}

void ScriptWriter::Set(const std::string& key, const std::string& value) { SetRaw(kProjectSection, key, value); }

void ScriptWriter::Set(const std::string& key, int32_t value) { Set(key, text::Format("%d", value)); }

void ScriptWriter::SetLaunch(const std::string& command) { Set("Launch", LaunchValue(command)); }

void ScriptWriter::SetEula(FileSection section, int32_t fileIndex) { Set("EULA", DocumentValue(section, fileIndex)); }

void ScriptWriter::SetReadme(FileSection section, int32_t fileIndex) {
    Set("Readme", DocumentValue(section, fileIndex));
}

void ScriptWriter::SetBackgroundImage(const std::string& name, int32_t dataFile, int32_t mode) {
    Set("BackgroundImage", ImageValue(name, dataFile, mode));
}

void ScriptWriter::SetLogo(const std::string& name, int32_t dataFile, int32_t mode) {
    Set("ProjectLogo", ImageValue(name, dataFile, mode));
}

int ScriptWriter::AddComponent(const ScriptComponent& component) {
    return AppendNumbered(kComponentLines,
        text::Format("%s,%d,%d,%d,%d,%s,", Quote(component.name).c_str(), component.subScript,
                     component.useMainFolder, component.selected, component.group,
                     Quote(component.description).c_str()));
}

int ScriptWriter::AddFolder(FileSection section, const std::string& path) {
    return AppendNumbered(SectionFolderLines(section), Quote(path) + ",");
}

int ScriptWriter::AddFile(FileSection section, const ScriptFile& file) {
    std::string line = text::Format("%s,%d,%d,%d,%d,%d,", Quote(file.path).c_str(), file.folder, file.dataFile,
                                    file.kind, file.replaceMode, file.menuShortcut);
    if (file.kind == kKindRegistrable) line += text::Format("%d,", file.registerSelf);
    if (file.kind == kKindConduit) {
        for (const ConduitField& field : kConduitFields)
            line += (field.text ? Quote(file.conduit.*field.text) : text::Format("%u", file.conduit.*field.number)) + ",";
    } else {
        line += text::Format("%d,%s,", file.startupShortcut, Quote(file.note).c_str());
    }
    return AppendNumbered(SectionFileLines(section), line);
}

int ScriptWriter::AddPalmFolder(const std::string& name) {
    return AppendNumbered(kPalmFolderLines, name);
}

int ScriptWriter::AddPalmFile(const std::string& name, int32_t first, int32_t second, int32_t folderNumber) {
    return AppendNumbered(kPalmFileLines,
                          text::Format("%s,%d,%d,%d", Quote(name).c_str(), first, second, folderNumber));
}

std::string ScriptWriter::Text() const {
    std::string result;
    for (const Section& section : sections_) {
        result += "[" + section.name + "]\r\n";
        for (const auto& key : section.keys) result += key.first + "=" + key.second + "\r\n";
        result += "\r\n";
    }
    return result;
}

bool ScriptWriter::Write(const std::string& path) const {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    const std::string text = Text();
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    return !file.fail();
}

ScriptWriter ScriptWriter::ForProject(const Project& project) {
    ScriptWriter script;
    script.SetKeys(project, kProjectKeys);
    for (const Component& c : project.components)
        script.AddComponent({c.name, c.subScript, c.useMainFolder, c.selected, c.group, c.description});
    script.SetKeys(project, kFileReferenceKeys);
    for (const std::string& folder : project.palmFolders) script.AddPalmFolder(folder);
    for (const PalmFile& file : project.palmFiles)
        script.AddPalmFile(file.name, file.firstNumber, file.secondNumber, file.folder);
    for (int s = 0; s < kSectionCount; ++s) script.AddSection(project, static_cast<FileSection>(s));
    for (const DataFileSeal& seal : project.seals)
        script.SetRaw(kIntegritySection, text::DataFileName(seal.dataFile),
                      text::Format("%llu,%s", static_cast<unsigned long long>(seal.size), seal.sha256.c_str()));
    return script;
}

void ScriptWriter::SetKeys(const Project& project, const Table<ProjectKey>& keys) {
    for (const ProjectKey& key : keys) {
        // The loader reads these only for target 0; for others they are not written.
        if (key.rule == KeyRule::kTargetZeroOnly && project.targetOs != 0) continue;
        SetKey(project, key);
    }
}

void ScriptWriter::SetKey(const Project& project, const ProjectKey& key) {
    switch (key.kind) {
    case KeyKind::kText:
    case KeyKind::kFileName:
        return Set(key.name, project.*key.text);
    case KeyKind::kNumber:
    case KeyKind::kFlag:
    case KeyKind::kDataFile:
        return Set(key.name, project.*key.number);
    case KeyKind::kUnsigned:
        return Set(key.name, text::Format("%u", project.*key.unsignedNumber));
    case KeyKind::kLaunch:
        if (!(project.*key.text).empty()) Set(key.name, LaunchValue(project.*key.text));
        return;
    case KeyKind::kDocument: {
        const DocRef& document = project.*key.document;
        if (document.fileIndex >= 0)
            Set(key.name, DocumentValue(static_cast<FileSection>(document.section), document.fileIndex));
        return;
    }
    case KeyKind::kImage: {
        const ImageSpec& image = project.*key.image;
        if (!image.name.empty() || image.dataFile != -1 || image.mode != 0)
            Set(key.name, ImageValue(image.name, image.dataFile, image.mode));
        return;
    }
    }
}

void ScriptWriter::AddSection(const Project& project, FileSection section) {
    for (const std::string& folder : project.folders[section]) AddFolder(section, folder);
    for (const FileEntry& entry : project.files[section]) {
        ScriptFile file{entry.path, entry.folder, entry.dataFile, entry.kind};
        file.replaceMode = entry.replaceMode;
        file.menuShortcut = entry.menuShortcut;
        file.startupShortcut = entry.startupShortcut;
        file.note = entry.note;
        file.registerSelf = entry.registerSelf;
        file.conduit = entry.conduit;
        AddFile(section, file);
    }
}

namespace {

// Collects the name of the first field that differs.
class Differ {
public:
    explicit Differ(std::string* first) : first_(first) {}

    template <typename T>
    void Field(const std::string& name, const T& a, const T& b) {
        if (first_->empty() && !(a == b)) *first_ = name;
    }

    void Projects(const std::string& prefix, const Project& a, const Project& b);

private:
    void Keys(const std::string& prefix, const Table<ProjectKey>& keys, const Project& a, const Project& b);
    void Key(const std::string& name, const ProjectKey& key, const Project& a, const Project& b);
    void Palm(const std::string& prefix, const Project& a, const Project& b);
    void Section(const std::string& prefix, int s, const Project& a, const Project& b);
    void File(const std::string& name, const FileEntry& x, const FileEntry& y);
    void Seals(const std::string& prefix, const Project& a, const Project& b);
    void Components(const std::string& prefix, const Project& a, const Project& b);

    std::string* first_;
};

void Differ::Projects(const std::string& prefix, const Project& a, const Project& b) {
    Keys(prefix, kProjectKeys, a, b);
    Palm(prefix, a, b);
    for (int s = 0; s < kSectionCount; ++s) Section(prefix, s, a, b);
    Keys(prefix, kFileReferenceKeys, a, b);
    Seals(prefix, a, b);
    Components(prefix, a, b);
}

void Differ::Keys(const std::string& prefix, const Table<ProjectKey>& keys, const Project& a, const Project& b) {
    for (const ProjectKey& key : keys) Key(prefix + key.name, key, a, b);
}

void Differ::Key(const std::string& name, const ProjectKey& key, const Project& a, const Project& b) {
    switch (key.kind) {
    case KeyKind::kText:
    case KeyKind::kFileName:
    case KeyKind::kLaunch:
        return Field(name, a.*key.text, b.*key.text);
    case KeyKind::kNumber:
    case KeyKind::kFlag:
    case KeyKind::kDataFile:
        return Field(name, a.*key.number, b.*key.number);
    case KeyKind::kUnsigned:
        return Field(name, a.*key.unsignedNumber, b.*key.unsignedNumber);
    case KeyKind::kDocument:
        Field(name + " index", (a.*key.document).fileIndex, (b.*key.document).fileIndex);
        return Field(name + " section", (a.*key.document).section, (b.*key.document).section);
    case KeyKind::kImage:
        Field(name + " name", (a.*key.image).name, (b.*key.image).name);
        Field(name + " number", (a.*key.image).dataFile, (b.*key.image).dataFile);
        return Field(name + " mode", (a.*key.image).mode, (b.*key.image).mode);
    }
}

void Differ::Palm(const std::string& prefix, const Project& a, const Project& b) {
    Field(prefix + "[Folder]", a.palmFolders, b.palmFolders);
    Field(prefix + "[Palm] count", a.palmFiles.size(), b.palmFiles.size());
    for (size_t i = 0; i < a.palmFiles.size() && i < b.palmFiles.size(); ++i) {
        const std::string name = prefix + "[Palm] " + kPalmFileLines.Key(kPalmFileLines.first + static_cast<int>(i));
        Field(name + " name", a.palmFiles[i].name, b.palmFiles[i].name);
        Field(name + " first number", a.palmFiles[i].firstNumber, b.palmFiles[i].firstNumber);
        Field(name + " folder", a.palmFiles[i].folder, b.palmFiles[i].folder);
        Field(name + " second number", a.palmFiles[i].secondNumber, b.palmFiles[i].secondNumber);
    }
}

void Differ::Section(const std::string& prefix, int s, const Project& a, const Project& b) {
    const std::string section = prefix + "[" + kSectionNames[s] + "] ";
    const NumberedKeys lines = SectionFileLines(static_cast<FileSection>(s));
    Field(section + "folders", a.folders[s], b.folders[s]);
    Field(section + "file count", a.files[s].size(), b.files[s].size());
    for (size_t i = 0; i < a.files[s].size() && i < b.files[s].size(); ++i)
        File(section + lines.Key(lines.first + static_cast<int>(i)), a.files[s][i], b.files[s][i]);
}

void Differ::File(const std::string& name, const FileEntry& x, const FileEntry& y) {
    Field(name + " path", x.path, y.path);
    Field(name + " folder", x.folder, y.folder);
    Field(name + " data file", x.dataFile, y.dataFile);
    Field(name + " kind", x.kind, y.kind);
    Field(name + " replace mode", x.replaceMode, y.replaceMode);
    Field(name + " menu shortcut", x.menuShortcut, y.menuShortcut);
    Field(name + " startup shortcut", x.startupShortcut, y.startupShortcut);
    Field(name + " note", x.note, y.note);
    Field(name + " register", x.registerSelf, y.registerSelf);
    for (const ConduitField& field : kConduitFields) {
        const std::string conduit = name + text::Format(" conduit %d", field.position);
        if (field.text)
            Field(conduit, x.conduit.*field.text, y.conduit.*field.text);
        else
            Field(conduit, x.conduit.*field.number, y.conduit.*field.number);
    }
}

void Differ::Seals(const std::string& prefix, const Project& a, const Project& b) {
    const std::string section = prefix + "[" + kIntegritySection + "] ";
    Field(section + "count", a.seals.size(), b.seals.size());
    for (size_t i = 0; i < a.seals.size() && i < b.seals.size(); ++i) {
        const std::string name = section + text::DataFileName(a.seals[i].dataFile);
        Field(name + " number", a.seals[i].dataFile, b.seals[i].dataFile);
        Field(name + " size", a.seals[i].size, b.seals[i].size);
        Field(name + " SHA-256", a.seals[i].sha256, b.seals[i].sha256);
    }
}

void Differ::Components(const std::string& prefix, const Project& a, const Project& b) {
    Field(prefix + "component count", a.components.size(), b.components.size());
    for (size_t i = 0; i < a.components.size() && i < b.components.size(); ++i) {
        const Component& x = a.components[i];
        const Component& y = b.components[i];
        const std::string name = prefix + kComponentLines.Key(kComponentLines.first + static_cast<int>(i));
        Field(name + " name", x.name, y.name);
        Field(name + " script", x.subScript, y.subScript);
        Field(name + " main folder", x.useMainFolder, y.useMainFolder);
        Field(name + " selected", x.selected, y.selected);
        Field(name + " description", x.description, y.description);
        Field(name + " group", x.group, y.group);
        Projects(name + ": ", *x.sub, *y.sub);
    }
}

}  // namespace

std::string ModelDifference(const Project& a, const Project& b) {
    std::string first;
    Differ(&first).Projects("", a, b);
    return first;
}

}  // namespace script
