// What a package must be beyond what its scripts can hold: names Windows can create, folders
// that stay inside their section, component rules that some choice passes, and the warnings
// for what setup.exe would stumble on. Texts are the scripts' (Windows-1252); every answer is
// empty when all is well, or says what is wrong, to follow the name of what is checked.
#pragma once

#include <string>
#include <vector>

#include "script/Project.h"

namespace mkpackage {

// One file or folder name: characters Windows forbids (< > : " / \ | ? * and control
// characters), names it reserves for devices (CON, NUL, COM1, LPT1, ... with any extension),
// a last dot or blank (which Windows drops), "." and "..".
std::string NameProblem(const std::string& name);

// A folder below a section's folder, as a file entry or [folders] names it: relative names
// separated by backslashes (or slashes), none of which may leave the folder. With
// `absolute`, for the Conduit section, whose folders are full paths, a drive or network root
// may lead.
std::string FolderProblem(const std::string& folder, bool absolute);

// The same destination in letter case and separators as Windows compares it.
std::string DestinationKey(const std::string& folder, const std::string& name);

// The component rules of the components page (wizard/ComponentSelection), as setup.exe applies
// them: empty when the preselection passes; otherwise the sentence that says which rule it
// breaks, and *none set (and said) when no choice at all passes them.
std::string SelectionProblem(const Project& project, bool* none);

struct Warning {
    const char* key;  // the manifest key it is about ("install_dir", "launch", ...)
    std::string text;
};

// The folders the project's title, company and version go into (install_dir, shortcut_dir,
// mounted_dir as the package uses them) that Windows cannot create, and a launch command that
// names no file the package installs.
std::vector<Warning> ProjectWarnings(const Project& project);

}  // namespace mkpackage
