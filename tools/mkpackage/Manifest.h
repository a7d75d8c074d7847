// The manifest an author writes (TOML) read into the model of the package's install script,
// with every data file numbered: 00000001 is the main script; then, in manifest order, the
// language library, the conduit installer, the background image and the logo, the files of
// the four sections, and each component's script followed by its own data files. A source
// named twice becomes one data file.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "script/Project.h"

namespace mkpackage {

struct PackagePlan {
    Project project;  // components' sub-projects filled in
    // Number and source path of every data file that is copied, by number.
    std::vector<std::pair<int32_t, std::string>> data;
    // Every manifest read, the package's own first.
    std::vector<std::string> manifests;
    // "manifest:line:column: what" for each thing the package may stumble on but can hold.
    std::vector<std::string> warnings;
};

// Paths the manifest does not name itself.
struct ManifestDefaults {
    std::string languageLibrary;  // the main package's language library when it names none
};

// Reads the manifest (UTF-8) and every component manifest it names, checks every source file
// and every value against what the script format can hold (texts in Windows-1252) and what
// Windows can create (Rules.h). False with `error` set to "manifest:line:column: what" (the
// manifest that holds the fault) on the first fault; the warnings go into the plan.
bool ReadManifest(const std::string& path, const ManifestDefaults& defaults, PackagePlan* plan, std::string* error);

// Parses one manifest text without touching any file: the reader's syntax and value rules only,
// sources unchecked and numbered as named, component manifests unreadable. For the fuzzer.
bool ParseManifestText(const std::string& text, const std::string& name, PackagePlan* plan, std::string* error);

}  // namespace mkpackage
