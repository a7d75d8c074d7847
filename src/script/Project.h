// The in-memory form of one install script: the main project for "00000001" and one
// sub-project per component. Text fields keep at most limit - 1 characters of what the script
// gives (the limits below count the terminator of the script format's fields).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Limits.h"

enum FileSection : int32_t {
    kSectionApplication = 0,
    kSectionSystem = 1,
    kSectionConduit = 2,
    kSectionMountedDevice = 3,
};
constexpr int kSectionCount = 4;
extern const char* const kSectionNames[kSectionCount];  // "Application", "System", ...

enum FileKind : int32_t {
    kKindPlain = 0,
    kKindConduit = 1,
    kKindRegistrable = 2,
};

// Field limits, terminator included.
constexpr size_t kShortTextLimit = 80;     // title, version, company, library names
constexpr size_t kPatternLimit = 16;       // conduit installer pattern
constexpr size_t kConduitTextLimit = 128;  // conduit description texts
constexpr size_t kDescriptionLimit = 512;  // component description as stored

// Constants, so that the script's key table built from them is too, with no code at start-up.
inline constexpr const char* kDefaultMountedDir = "<Title>";
inline constexpr const char* kDefaultTargetDir = "<ProgramFilesDir>\\<Company>\\<Title>";
inline constexpr const char* kDefaultShortcutDir = "<Company>\\<Title>";
inline constexpr const char* kDefaultWinTitle = "<Title> <Ver> for Palm OS\xAE";
inline constexpr const char* kDefaultLanguageDll = "ResENU.DLL";
inline constexpr const char* kDefaultConduitInstaller = "pyxcndin.dll";
inline constexpr const char* kDefaultConduitPattern = "*.$_$";

// The twelve conduit fields of a kind-1 file line, stored and never interpreted.
struct ConduitSpec {
    std::string text1;
    uint32_t number2 = 0;
    std::string text3;
    std::string text4;
    std::string text5;
    uint32_t number6 = 0;
    std::string text7;
    std::string text8;
    uint32_t number9 = 0;
    std::string text10;
    uint32_t number11 = 0;  // 0 when absent
    std::string text12;     // empty when absent
};

struct FileEntry {
    std::string path;       // relative to its folder
    int32_t folder = -1;    // index into the section's folder list; not range-checked at load
    int32_t dataFile = -1;  // DataFileNumber of the content
    int32_t kind = kKindPlain;
    int32_t replaceMode = 1;
    int32_t menuShortcut = 0;
    int32_t startupShortcut = 0;  // 1 current user's Startup, 2 all users' Startup
    std::string note;
    ConduitSpec conduit;
    int32_t registerSelf = 0;  // kind 2 only
};

struct PalmFile {
    std::string name;
    int32_t firstNumber = -1;
    int32_t folder = -1;  // index into the Palm folder list, -1 for none
    int32_t secondNumber = 0;
};

struct DocRef {
    int32_t fileIndex = -1;  // -1: no document
    int32_t section = 0;
};

struct ImageSpec {
    std::string name;
    int32_t dataFile = -1;
    int32_t mode = 0;  // 0 to 3
};

// What a data file that a script names must be, from the script's [Integrity] section: the
// package's author wrote its size and SHA-256 when the package was laid out.
struct DataFileSeal {
    int32_t dataFile = -1;
    uint64_t size = 0;
    std::string sha256;  // 64 lower-case hex digits
};

struct Project;

struct Component {
    Component();
    std::string name;
    int32_t subScript = -1;
    int32_t useMainFolder = 1;
    std::unique_ptr<Project> sub;  // owned; allocated and reset with the component
    int32_t selected = 1;
    std::string description;
    int32_t group = 0;
};

struct Project {
    Project() { Reset(); }

    std::string title;
    std::string version;
    std::string company;
    std::string languageDll;
    std::string conduitInstaller;
    std::string conduitPattern;
    std::string projectIcon;
    int32_t languageDllIndex = -1;
    int32_t conduitInstallerIndex = -1;
    uint32_t targetOs = 0;
    std::string defMountedDir;
    std::string defTargetDir;
    std::string defShortcutDir;
    std::string winTitle;
    std::string launch;
    std::vector<std::string> palmFolders;
    std::vector<PalmFile> palmFiles;
    std::vector<FileEntry> files[kSectionCount];
    std::vector<std::string> folders[kSectionCount];
    std::vector<Component> components;
    int32_t group0MinComp = 1;
    int32_t multicomp = 0;
    int32_t copyPalmToPc = 1;
    int32_t relativePaths = 0;
    DocRef readme;
    DocRef licence;
    ImageSpec backgroundImage;
    ImageSpec logo;
    // One per data file the script names, in the order of their numbers; empty for a script
    // without an [Integrity] section, whose data files are taken as they are.
    std::vector<DataFileSeal> seals;

    // Every field to its reset value.
    void Reset();
    // Frees the lists (sub-projects included) and restores the default folders and
    // copy-Palm-to-PC; other fields keep their values.
    void Release();

    // Loads a script file through the profile functions (Windows only; the portable reads are
    // in ScriptLoader.h). Returns 0, or the first error code met (0x80660001 to 0x8066000D).
    // With loadSubProjects, every component's script is loaded from the script's own folder.
    int32_t Load(const std::string& scriptPath, bool loadSubProjects);

    void AddComponent(const std::string& componentName, int32_t subScriptNumber, int32_t useMain,
                      int32_t isSelected, int32_t groupNumber, const std::string& text);
    void AddSectionFolder(FileSection section, const std::string& path);
    int32_t AddFileEntry(FileSection section, const std::string& path, int32_t folderIndex,
                         int32_t dataFileNumber, int32_t fileKind, int32_t replace, int32_t menu);
    int32_t AddPalmFile(const std::string& palmName, int32_t first, int32_t second,
                        const std::string& folderName);
    int32_t FindOrAddPalmFolder(const std::string& folderName);

    // Never reads outside a list: a null result for an index that is out of range.
    const FileEntry* FileAt(int32_t section, int32_t index) const;
    const std::string* FolderAt(int32_t section, int32_t index) const;
    // The seal of a data file; null when the script seals none of that number.
    const DataFileSeal* SealOf(int32_t dataFile) const;

    int32_t FileCount(FileSection section) const { return static_cast<int32_t>(files[section].size()); }
    int32_t FolderCount(FileSection section) const { return static_cast<int32_t>(folders[section].size()); }
    int32_t ComponentCount() const { return static_cast<int32_t>(components.size()); }
};

// Palm files of the project, or with Multicomp the sum over all components, selected or not.
int32_t CountPalmFiles(const Project& project);
// The data files the script itself names, each number once and in ascending order: the
// language library, the conduit installer, the images, the files of the four sections and the
// components' scripts. Those of the components' scripts are theirs.
std::vector<int32_t> NamedDataFiles(const Project& project);
// Conduit entries of the project and, recursively, of every component's sub-project.
int32_t CountConduitFiles(const Project& project);
