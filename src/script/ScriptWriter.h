// Writes install scripts in the canonical form of the authoring tool: PyxDBVer 5,
// quoted strings escaped (\" \\ and \n for a carriage return with its line feed), component
// lines with four numbers, the quoted description and a closing comma, folder lines as the
// quoted path and a comma, file lines with every field of their kind and a closing comma,
// [Palm] lines with four fields, Launch as the quoted command and ",-1", EULA and Readme only
// when set, and last the model's seals as [Integrity] lines "00000003=<size>,<sha256>".
// The authoring tool writes a whole model with ForProject(); tests also build
// scripts key by key, malformed ones included. Portable: no Windows headers.
//
//   script::ScriptWriter script;                       // [Project] PyxDBVer=5
//   script.Set("Title", "Demo");                        // any [Project] key, value as written
//   script.Set("LanguageDLLIndex", 2);
//   int bin = script.AddFolder(kSectionApplication, "bin");
//   script.AddFile(kSectionApplication, {"demo.exe", bin, 3});          // kind 0
//   script::ScriptFile lib{"demo.dll", bin, 4, kKindRegistrable};
//   lib.registerSelf = 1;
//   script.AddFile(kSectionSystem, lib);
//   script.AddComponent({"Extras", 5});                 // sub-script "00000005"
//   package.WriteScript(script.Text());
//
// Set() replaces a key written before and keeps its place; everything else is appended in
// call order, and numbered keys count from the format's first number (components and [Palm]
// files from 1, section folders and files from 0). Sections appear in the order of their first
// key, so a later section is one more SetRaw().
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "script/Project.h"
#include "script/ScriptSchema.h"

namespace script {

// One "File%d" line of a file section. The fields of other kinds than `kind` are not written.
struct ScriptFile {
    ScriptFile(std::string filePath, int32_t folderIndex, int32_t dataFileNumber, int32_t fileKind = kKindPlain)
        : path(std::move(filePath)), folder(folderIndex), dataFile(dataFileNumber), kind(fileKind) {}

    std::string path;
    int32_t folder = 0;
    int32_t dataFile = -1;
    int32_t kind = kKindPlain;
    int32_t replaceMode = 1;
    int32_t menuShortcut = 0;
    int32_t startupShortcut = 0;  // kinds 0 and 2
    std::string note;             // kinds 0 and 2
    int32_t registerSelf = 0;     // kind 2
    ConduitSpec conduit;          // kind 1
};

// One "Component%d" line.
struct ScriptComponent {
    ScriptComponent(std::string componentName, int32_t subScriptNumber, int32_t useMain = 1, int32_t isSelected = 1,
                    int32_t groupNumber = 0, std::string text = "")
        : name(std::move(componentName)), subScript(subScriptNumber), useMainFolder(useMain), selected(isSelected),
          group(groupNumber), description(std::move(text)) {}

    std::string name;
    int32_t subScript = -1;
    int32_t useMainFolder = 1;
    int32_t selected = 1;
    int32_t group = 0;
    std::string description;
};

class ScriptWriter {
public:
    ScriptWriter();

    // Every key of a model, components as their lines only: each component's own script is
    // ForProject(*component.sub), written under its sub-script number.
    static ScriptWriter ForProject(const Project& project);

    // A [Project] key, value written as given.
    void Set(const std::string& key, const std::string& value);
    void Set(const std::string& key, int32_t value);
    // Any key of any section, value written as given: for malformed or unusual lines.
    void SetRaw(const std::string& section, const std::string& key, const std::string& value);

    void SetLaunch(const std::string& command);  // "command",-1
    void SetEula(FileSection section, int32_t fileIndex);
    void SetReadme(FileSection section, int32_t fileIndex);
    void SetBackgroundImage(const std::string& name, int32_t dataFile, int32_t mode);
    void SetLogo(const std::string& name, int32_t dataFile, int32_t mode);

    // Each returns the index (number) of the line it added.
    int AddComponent(const ScriptComponent& component);
    int AddFolder(FileSection section, const std::string& path);
    int AddFile(FileSection section, const ScriptFile& file);
    int AddPalmFolder(const std::string& name);  // [Folder] "Folder%d", plain text
    int AddPalmFile(const std::string& name, int32_t first, int32_t second, int32_t folderNumber);

    std::string Text() const;  // CR LF lines
    bool Write(const std::string& path) const;  // false when the file was not written whole

    // A text as a canonical quoted string, quotes included.
    static std::string Quote(const std::string& value);

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> keys;
    };
    Section& SectionNamed(const std::string& name);
    // Appends the next numbered key of a list and returns its number.
    int AppendNumbered(const NumberedKeys& list, const std::string& value);
    // The model's value of each key, as the loader reads it back.
    void SetKeys(const Project& project, const Table<ProjectKey>& keys);
    void SetKey(const Project& project, const ProjectKey& key);
    // A file section's folder and file lines.
    void AddSection(const Project& project, FileSection section);

    std::vector<Section> sections_;
    std::map<std::string, int> listCounts_;  // "section/prefix" -> lines appended
};

// Where two models differ, with their components' sub-projects: the first field that does,
// named as the script names it ("Title", "[Application] File2 note", "Component1: Version");
// empty when they are the same. The check of a round trip through the writer and the loader.
std::string ModelDifference(const Project& a, const Project& b);

}  // namespace script
