#include "script/ScriptWriter.h"

#include <fstream>

#include "base/Text.h"

namespace script {

namespace {

std::string Numbered(const std::string& prefix, int number) { return prefix + std::to_string(number); }

std::string DocumentValue(FileSection section, int32_t fileIndex) {
    return text::Format("%d,%d", static_cast<int>(section), fileIndex);
}

std::string ImageValue(const std::string& name, int32_t dataFile, int32_t mode) {
    return text::Format("%s,%d,%d", ScriptWriter::Quote(name).c_str(), dataFile, mode);
}

}  // namespace

ScriptWriter::ScriptWriter() { Set("PyxDBVer", "5"); }

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

int ScriptWriter::AppendNumbered(const std::string& section, const std::string& prefix, int first,
                                 const std::string& value) {
    int number = first + listCounts_[section + "/" + prefix]++;
    SectionNamed(section).keys.emplace_back(Numbered(prefix, number), value);
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

void ScriptWriter::Set(const std::string& key, const std::string& value) { SetRaw("Project", key, value); }

void ScriptWriter::Set(const std::string& key, int32_t value) { Set(key, std::to_string(value)); }

void ScriptWriter::SetLaunch(const std::string& command) { Set("Launch", Quote(command) + ",-1"); }

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
    return AppendNumbered("Project", "Component", 1,
        text::Format("%s,%d,%d,%d,%d,%s,", Quote(component.name).c_str(), component.subScript,
                     component.useMainFolder, component.selected, component.group,
                     Quote(component.description).c_str()));
}

int ScriptWriter::AddFolder(FileSection section, const std::string& path) {
    return AppendNumbered(kSectionNames[section], "Folder", 0, Quote(path) + ",");
}

int ScriptWriter::AddFile(FileSection section, const ScriptFile& file) {
    std::string line = text::Format("%s,%d,%d,%d,%d,%d,", Quote(file.path).c_str(), file.folder, file.dataFile,
                                    file.kind, file.replaceMode, file.menuShortcut);
    if (file.kind == kKindRegistrable) line += text::Format("%d,", file.registerSelf);
    if (file.kind == kKindConduit) {
        const ConduitSpec& c = file.conduit;
        line += text::Format("%s,%u,%s,%s,%s,%u,%s,%s,%u,%s,%u,%s,", Quote(c.text1).c_str(), c.number2,
                             Quote(c.text3).c_str(), Quote(c.text4).c_str(), Quote(c.text5).c_str(), c.number6,
                             Quote(c.text7).c_str(), Quote(c.text8).c_str(), c.number9, Quote(c.text10).c_str(),
                             c.number11, Quote(c.text12).c_str());
    } else {
        line += text::Format("%d,%s,", file.startupShortcut, Quote(file.note).c_str());
    }
    return AppendNumbered(kSectionNames[section], "File", 0, line);
}

int ScriptWriter::AddPalmFolder(const std::string& name) {
    return AppendNumbered("Folder", "Folder", 0, name);
}

int ScriptWriter::AddPalmFile(const std::string& name, int32_t first, int32_t second, int32_t folderNumber) {
    return AppendNumbered("Palm", "File", 1,
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
    script.Set("TargetOS", std::to_string(project.targetOs));
    script.Set("Title", project.title);
    script.Set("Version", project.version);
    script.Set("Company", project.company);
    script.Set("ProjectIcon", project.projectIcon);
    script.Set("LanguageDLL", project.languageDll);
    // The loader reads the conduit installer only for target 0; for others it is not written.
    if (project.targetOs == 0) {
        script.Set("InstallConduit", project.conduitInstaller);
        script.Set("InstallConduitExt", project.conduitPattern);
    }
    script.Set("LanguageDLLIndex", project.languageDllIndex);
    script.Set("InstallConduitIndex", project.conduitInstallerIndex);
    script.Set("Group0_MinComp", project.group0MinComp);
    script.Set("DefTargetDir", project.defTargetDir);
    script.Set("DefMountedDir", project.defMountedDir);
    script.Set("DefShortcutDir", project.defShortcutDir);
    script.Set("WinTitle", project.winTitle);
    script.Set("CopyPalmToPC", project.copyPalmToPc);
    if (!project.launch.empty()) script.SetLaunch(project.launch);
    script.Set("Multicomp", project.multicomp);
    script.Set("RelativePaths", project.relativePaths);
    for (const Component& c : project.components)
        script.AddComponent({c.name, c.subScript, c.useMainFolder, c.selected, c.group, c.description});
    if (project.licence.fileIndex >= 0)
        script.SetEula(static_cast<FileSection>(project.licence.section), project.licence.fileIndex);
    if (project.readme.fileIndex >= 0)
        script.SetReadme(static_cast<FileSection>(project.readme.section), project.readme.fileIndex);
    const ImageSpec& back = project.backgroundImage;
    if (!back.name.empty() || back.dataFile != -1 || back.mode != 0)
        script.SetBackgroundImage(back.name, back.dataFile, back.mode);
    const ImageSpec& logo = project.logo;
    if (!logo.name.empty() || logo.dataFile != -1 || logo.mode != 0)
        script.SetLogo(logo.name, logo.dataFile, logo.mode);

    for (const std::string& folder : project.palmFolders) script.AddPalmFolder(folder);
    for (const PalmFile& file : project.palmFiles)
        script.AddPalmFile(file.name, file.firstNumber, file.secondNumber, file.folder);
    for (int s = 0; s < kSectionCount; ++s) {
        const FileSection section = static_cast<FileSection>(s);
        for (const std::string& folder : project.folders[s]) script.AddFolder(section, folder);
        for (const FileEntry& entry : project.files[s]) {
            ScriptFile file{entry.path, entry.folder, entry.dataFile, entry.kind};
            file.replaceMode = entry.replaceMode;
            file.menuShortcut = entry.menuShortcut;
            file.startupShortcut = entry.startupShortcut;
            file.note = entry.note;
            file.registerSelf = entry.registerSelf;
            file.conduit = entry.conduit;
            script.AddFile(section, file);
        }
    }
    for (const DataFileSeal& seal : project.seals)
        script.SetRaw("Integrity", text::DataFileName(seal.dataFile),
                      text::Format("%llu,%s", static_cast<unsigned long long>(seal.size), seal.sha256.c_str()));
    return script;
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
    void Conduit(const std::string& name, const ConduitSpec& a, const ConduitSpec& b);

    std::string* first_;
};

void Differ::Conduit(const std::string& name, const ConduitSpec& a, const ConduitSpec& b) {
    Field(name + " conduit 1", a.text1, b.text1);
    Field(name + " conduit 2", a.number2, b.number2);
    Field(name + " conduit 3", a.text3, b.text3);
    Field(name + " conduit 4", a.text4, b.text4);
    Field(name + " conduit 5", a.text5, b.text5);
    Field(name + " conduit 6", a.number6, b.number6);
    Field(name + " conduit 7", a.text7, b.text7);
    Field(name + " conduit 8", a.text8, b.text8);
    Field(name + " conduit 9", a.number9, b.number9);
    Field(name + " conduit 10", a.text10, b.text10);
    Field(name + " conduit 11", a.number11, b.number11);
    Field(name + " conduit 12", a.text12, b.text12);
}

void Differ::Projects(const std::string& prefix, const Project& a, const Project& b) {
    const std::string& p = prefix;
    Field(p + "Title", a.title, b.title);
    Field(p + "Version", a.version, b.version);
    Field(p + "Company", a.company, b.company);
    Field(p + "LanguageDLL", a.languageDll, b.languageDll);
    Field(p + "InstallConduit", a.conduitInstaller, b.conduitInstaller);
    Field(p + "InstallConduitExt", a.conduitPattern, b.conduitPattern);
    Field(p + "ProjectIcon", a.projectIcon, b.projectIcon);
    Field(p + "LanguageDLLIndex", a.languageDllIndex, b.languageDllIndex);
    Field(p + "InstallConduitIndex", a.conduitInstallerIndex, b.conduitInstallerIndex);
    Field(p + "TargetOS", a.targetOs, b.targetOs);
    Field(p + "DefMountedDir", a.defMountedDir, b.defMountedDir);
    Field(p + "DefTargetDir", a.defTargetDir, b.defTargetDir);
    Field(p + "DefShortcutDir", a.defShortcutDir, b.defShortcutDir);
    Field(p + "WinTitle", a.winTitle, b.winTitle);
    Field(p + "Launch", a.launch, b.launch);
    Field(p + "[Folder]", a.palmFolders, b.palmFolders);
    Field(p + "[Palm] count", a.palmFiles.size(), b.palmFiles.size());
    for (size_t i = 0; i < a.palmFiles.size() && i < b.palmFiles.size(); ++i) {
        const std::string name = p + "[Palm] File" + std::to_string(i + 1);
        Field(name + " name", a.palmFiles[i].name, b.palmFiles[i].name);
        Field(name + " first number", a.palmFiles[i].firstNumber, b.palmFiles[i].firstNumber);
        Field(name + " folder", a.palmFiles[i].folder, b.palmFiles[i].folder);
        Field(name + " second number", a.palmFiles[i].secondNumber, b.palmFiles[i].secondNumber);
    }
    for (int s = 0; s < kSectionCount; ++s) {
        const std::string section = p + "[" + kSectionNames[s] + "] ";
        Field(section + "folders", a.folders[s], b.folders[s]);
        Field(section + "file count", a.files[s].size(), b.files[s].size());
        for (size_t i = 0; i < a.files[s].size() && i < b.files[s].size(); ++i) {
            const FileEntry& x = a.files[s][i];
            const FileEntry& y = b.files[s][i];
            const std::string name = section + "File" + std::to_string(i);
            Field(name + " path", x.path, y.path);
            Field(name + " folder", x.folder, y.folder);
            Field(name + " data file", x.dataFile, y.dataFile);
            Field(name + " kind", x.kind, y.kind);
            Field(name + " replace mode", x.replaceMode, y.replaceMode);
            Field(name + " menu shortcut", x.menuShortcut, y.menuShortcut);
            Field(name + " startup shortcut", x.startupShortcut, y.startupShortcut);
            Field(name + " note", x.note, y.note);
            Field(name + " register", x.registerSelf, y.registerSelf);
            Conduit(name, x.conduit, y.conduit);
        }
    }
    Field(p + "Group0_MinComp", a.group0MinComp, b.group0MinComp);
    Field(p + "Multicomp", a.multicomp, b.multicomp);
    Field(p + "CopyPalmToPC", a.copyPalmToPc, b.copyPalmToPc);
    Field(p + "RelativePaths", a.relativePaths, b.relativePaths);
    Field(p + "Readme index", a.readme.fileIndex, b.readme.fileIndex);
    Field(p + "Readme section", a.readme.section, b.readme.section);
    Field(p + "EULA index", a.licence.fileIndex, b.licence.fileIndex);
    Field(p + "EULA section", a.licence.section, b.licence.section);
    const ImageSpec* images[2][2] = {{&a.backgroundImage, &b.backgroundImage}, {&a.logo, &b.logo}};
    const char* imageKeys[2] = {"BackgroundImage", "ProjectLogo"};
    for (int i = 0; i < 2; ++i) {
        Field(p + imageKeys[i] + " name", images[i][0]->name, images[i][1]->name);
        Field(p + imageKeys[i] + " number", images[i][0]->dataFile, images[i][1]->dataFile);
        Field(p + imageKeys[i] + " mode", images[i][0]->mode, images[i][1]->mode);
    }
    Field(p + "[Integrity] count", a.seals.size(), b.seals.size());
    for (size_t i = 0; i < a.seals.size() && i < b.seals.size(); ++i) {
        const std::string name = p + "[Integrity] " + text::DataFileName(a.seals[i].dataFile);
        Field(name + " number", a.seals[i].dataFile, b.seals[i].dataFile);
        Field(name + " size", a.seals[i].size, b.seals[i].size);
        Field(name + " SHA-256", a.seals[i].sha256, b.seals[i].sha256);
    }
    Field(p + "component count", a.components.size(), b.components.size());
    for (size_t i = 0; i < a.components.size() && i < b.components.size(); ++i) {
        const Component& x = a.components[i];
        const Component& y = b.components[i];
        const std::string name = p + "Component" + std::to_string(i + 1);
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
