// Install scripts read from their text with the rules of the Windows profile functions, for the
// authoring tool on any system: section and key names without regard to case, the first of a
// repeated section or key, values trimmed and one pair of enclosing quotes removed, an integer
// key that is missing or empty giving its default. Portable: no Windows headers.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "script/ScriptLoader.h"

namespace script {

class IniScript : public ScriptKeys {
public:
    explicit IniScript(std::string_view text);

    std::string Text(const char* section, const std::string& key, const char* fallback,
                     size_t limit) const override;
    int32_t Int(const char* section, const char* key, int32_t fallback) const override;
    SectionValues Section(const char* section) const override;

private:
    // Each section's entries as GetPrivateProfileSectionA gives them: NUL after each line.
    std::vector<std::pair<std::string, std::string>> blocks_;
};

// Scripts in files of the local file system; a file that cannot be read has no keys.
class IniScriptFiles : public ScriptSource {
public:
    std::string FullPath(const std::string& path) const override { return path; }
    bool SamePath(const std::string& a, const std::string& b) const override;
    std::unique_ptr<ScriptKeys> Open(const std::string& fullPath) const override;
};

// Scripts held in memory by name: what the authoring tool is about to write, read back first.
class IniScriptTexts : public ScriptSource {
public:
    void Add(const std::string& name, std::string text) { texts_[name] = std::move(text); }

    std::string FullPath(const std::string& path) const override { return path; }
    bool SamePath(const std::string& a, const std::string& b) const override { return a == b; }
    std::unique_ptr<ScriptKeys> Open(const std::string& fullPath) const override;

private:
    std::map<std::string, std::string> texts_;
};

}  // namespace script
