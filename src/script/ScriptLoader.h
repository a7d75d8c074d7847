// Loading an install script into a Project, with the reads behind an interface: setup.exe reads
// through the Windows profile functions (Project::Load), the authoring tool reads the same
// files natively (IniScript.h). One loader for both, so that a package the tool passes is one
// the program reads the same way. Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "script/Project.h"
#include "script/ScriptSection.h"

namespace script {

// The reads of one script file, with the profile functions' rules.
class ScriptKeys {
public:
    virtual ~ScriptKeys() = default;
    // The value of a key cut to limit - 1 characters, or `fallback` when the key is missing.
    virtual std::string Text(const char* section, const std::string& key, const char* fallback,
                             size_t limit) const = 0;
    virtual int32_t Int(const char* section, const char* key, int32_t fallback) const = 0;
    // A whole section; empty when the file or the section is missing.
    virtual SectionValues Section(const char* section) const = 0;
};

// Where the scripts of a package are read from.
class ScriptSource {
public:
    virtual ~ScriptSource() = default;
    virtual std::string FullPath(const std::string& path) const = 0;
    virtual bool SamePath(const std::string& a, const std::string& b) const = 0;
    // Never null: a missing file reads as a script without keys.
    virtual std::unique_ptr<ScriptKeys> Open(const std::string& fullPath) const = 0;
};

// Where a failed load stopped: the script (the full path of the main script or of a
// component's script) and the key whose value the error code stands on, as "[Section] Key".
struct LoadFailure {
    std::string script;
    std::string key;
};

// Loads a script as Project::Load describes; `failure`, when given, is filled on a failure.
int32_t LoadProject(Project& project, const ScriptSource& source, const std::string& scriptPath,
                    bool loadSubProjects, LoadFailure* failure = nullptr);

}  // namespace script
