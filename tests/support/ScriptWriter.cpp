#include "support/ScriptWriter.h"

#include "base/Text.h"
#include "support/TestEnv.h"

namespace testenv {

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

bool ScriptWriter::Write(const std::string& path) const { return WriteFile(path, Text()); }

}  // namespace testenv
