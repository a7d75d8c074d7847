#include "script/Project.h"

#include <algorithm>

#include "base/Text.h"

const char* const kSectionNames[kSectionCount] = {"Application", "System", "Conduit", "MountedDevice"};

Component::Component() : sub(new Project()) {}

void Project::Reset() {
    title.clear();
    version.clear();
    company.clear();
    languageDll.clear();
    conduitInstaller.clear();
    conduitPattern.clear();
    projectIcon.clear();
    languageDllIndex = -1;
    conduitInstallerIndex = -1;
    targetOs = 0;
    defMountedDir = kDefaultMountedDir;
    defTargetDir = kDefaultTargetDir;
    defShortcutDir = kDefaultShortcutDir;
    winTitle = kDefaultWinTitle;
    launch.clear();
    palmFolders.clear();
    palmFiles.clear();
    for (int s = 0; s < kSectionCount; ++s) {
        files[s].clear();
        folders[s].clear();
    }
    components.clear();
    group0MinComp = 1;
    multicomp = 0;
    copyPalmToPc = 1;
    relativePaths = 0;
    readme = DocRef();
    licence = DocRef();
    backgroundImage = ImageSpec();
    logo = ImageSpec();
    seals.clear();
}

void Project::Release() {
    palmFolders.clear();
    palmFiles.clear();
    for (int s = 0; s < kSectionCount; ++s) files[s].clear();
    for (int s = 0; s < kSectionCount; ++s) folders[s].clear();
    for (Component& component : components) component.sub->Release();
    components.clear();
    seals.clear();
    defMountedDir = kDefaultMountedDir;
    defTargetDir = kDefaultTargetDir;
    defShortcutDir = kDefaultShortcutDir;
    copyPalmToPc = 1;
}

void Project::AddComponent(const std::string& componentName, int32_t subScriptNumber, int32_t useMain,
                           int32_t isSelected, int32_t groupNumber, const std::string& text) {
    components.emplace_back();
    Component& component = components.back();
    component.name = text::Fit(componentName, kPathLimit);
    component.subScript = subScriptNumber;
    component.useMainFolder = useMain;
    component.selected = isSelected;
    component.group = groupNumber;
    component.description = text::Fit(text, kDescriptionLimit);
}

void Project::AddSectionFolder(FileSection section, const std::string& path) {
    folders[section].push_back(text::Fit(path, kPathLimit));
}

int32_t Project::AddFileEntry(FileSection section, const std::string& path, int32_t folderIndex,
                              int32_t dataFileNumber, int32_t fileKind, int32_t replace, int32_t menu) {
    FileEntry entry;
    entry.path = text::Fit(path, kPathLimit);
    entry.folder = folderIndex;
    entry.dataFile = dataFileNumber;
    entry.kind = fileKind;
    entry.replaceMode = replace;
    entry.menuShortcut = menu;
    files[section].push_back(entry);
    return static_cast<int32_t>(files[section].size()) - 1;
}

int32_t Project::FindOrAddPalmFolder(const std::string& folderName) {
    if (folderName.empty()) return -1;
    for (size_t i = 0; i < palmFolders.size(); ++i)
        if (text::EqualsNoCase(palmFolders[i], folderName)) return static_cast<int32_t>(i);
    palmFolders.push_back(text::Fit(folderName, kPathLimit));
    return static_cast<int32_t>(palmFolders.size()) - 1;
}

int32_t Project::AddPalmFile(const std::string& palmName, int32_t first, int32_t second,
                             const std::string& folderName) {
    PalmFile file;
    file.name = text::Fit(palmName, kPathLimit);
    file.firstNumber = first;
    file.secondNumber = second;
    file.folder = FindOrAddPalmFolder(folderName);
    palmFiles.push_back(file);
    return file.folder;
}

const FileEntry* Project::FileAt(int32_t section, int32_t index) const {
    if (section < 0 || section >= kSectionCount || index < 0 || index >= static_cast<int32_t>(files[section].size()))
        return nullptr;
    return &files[section][static_cast<size_t>(index)];
}

const std::string* Project::FolderAt(int32_t section, int32_t index) const {
    if (section < 0 || section >= kSectionCount || index < 0 ||
        index >= static_cast<int32_t>(folders[section].size()))
        return nullptr;
    return &folders[section][static_cast<size_t>(index)];
}

const DataFileSeal* Project::SealOf(int32_t dataFile) const {
    // The seals are in the order of their numbers.
    auto seal = std::lower_bound(seals.begin(), seals.end(), dataFile,
                                 [](const DataFileSeal& s, int32_t number) { return s.dataFile < number; });
    return seal != seals.end() && seal->dataFile == dataFile ? &*seal : nullptr;
}

int32_t CountPalmFiles(const Project& project) {
    if (!project.multicomp) return static_cast<int32_t>(project.palmFiles.size());
    int32_t count = 0;
    for (const Component& component : project.components) count += CountPalmFiles(*component.sub);
    return count;
}

std::vector<int32_t> NamedDataFiles(const Project& project) {
    std::vector<int32_t> numbers;
    // Kept in order as they come, which is mostly ascending: an insertion costs little, and no
    // sort is linked into the program.
    auto add = [&numbers](int32_t number) {
        auto at = std::lower_bound(numbers.begin(), numbers.end(), number);
        if (number >= 0 && (at == numbers.end() || *at != number)) numbers.insert(at, number);
    };
    add(project.languageDllIndex);
    add(project.conduitInstallerIndex);
    add(project.backgroundImage.dataFile);
    add(project.logo.dataFile);
    for (const std::vector<FileEntry>& section : project.files)
        for (const FileEntry& entry : section) add(entry.dataFile);
    for (const Component& component : project.components) add(component.subScript);
    return numbers;
}

int32_t CountConduitFiles(const Project& project) {
    int32_t count = project.FileCount(kSectionConduit);
    for (const Component& component : project.components) count += CountConduitFiles(*component.sub);
    return count;
}
