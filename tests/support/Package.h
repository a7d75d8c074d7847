// A package folder for tests: the install script, numbered data files and setup.exe beside
// them, as the authoring tool lays them out.
#pragma once

#include <string>

namespace testenv {

class Package {
public:
    explicit Package(const std::string& folder) : folder_(folder) {}

    const std::string& Folder() const { return folder_; }
    std::string PathOf(const std::string& name) const { return folder_ + "\\" + name; }
    std::string DataPath(int number) const;
    std::string SetupPath() const { return PathOf("setup.exe"); }

    bool WriteScript(const std::string& scriptText) const;  // "00000001"
    bool WriteData(int number, const std::string& bytes) const;
    bool CopyData(int number, const std::string& sourcePath) const;
    bool AddSetup() const;                        // setup.exe of the build
    bool AddLanguageLibrary(int number) const;    // ResENU.DLL of the build as a data file

private:
    std::string folder_;
};

}  // namespace testenv
