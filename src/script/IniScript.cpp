#include "script/IniScript.h"

#include "base/FileBytes.h"
#include "base/Text.h"
#include "script/ValueSyntax.h"

namespace script {

namespace {

std::string_view Trim(std::string_view value) {
    size_t first = value.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return std::string_view();
    return value.substr(first, value.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

IniScript::IniScript(std::string_view text) {
    std::string* block = nullptr;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.front() == '[') {
            size_t close = line.rfind(']');
            size_t length = close == std::string_view::npos ? std::string_view::npos : close - 1;
            std::string name(Trim(line.substr(1, length)));
            block = nullptr;
            // Only the first section of a name is ever read.
            bool seen = false;
            for (const auto& known : blocks_) seen = seen || text::EqualsNoCase(known.first, name);
            if (!seen) {
                blocks_.emplace_back(name, std::string());
                block = &blocks_.back().second;
            }
        } else if (block && !line.empty()) {
            block->append(line);
            block->push_back('\0');
        }
    }
}

SectionValues IniScript::Section(const char* section) const {
    for (const auto& known : blocks_)
        if (text::EqualsNoCase(known.first, section)) return SectionValues(known.second);
    return SectionValues();
}

std::string IniScript::Text(const char* section, const std::string& key, const char* fallback, size_t limit) const {
    const SectionValues values = Section(section);
    return values.Has(key) ? values.Text(key, limit) : text::Fit(fallback, limit);
}

// Scripts hold their integers in decimal; the atoi-like reading of PyxDBVer takes them as the
// profile function does.
int32_t IniScript::Int(const char* section, const char* key, int32_t fallback) const {
    std::string value = Section(section).Text(key, kScriptLineLimit);
    return value.empty() ? fallback : static_cast<int32_t>(ScriptVersionFromText(value));
}

bool IniScriptFiles::SamePath(const std::string& a, const std::string& b) const { return text::EqualsNoCase(a, b); }

// A file that cannot be read is a script without keys.
std::unique_ptr<ScriptKeys> IniScriptFiles::Open(const std::string& fullPath) const {
    std::string content;
    ReadFileBytes(fullPath, &content);
    return std::unique_ptr<ScriptKeys>(new IniScript(content));
}

std::unique_ptr<ScriptKeys> IniScriptTexts::Open(const std::string& fullPath) const {
    auto found = texts_.find(fullPath);
    return std::unique_ptr<ScriptKeys>(new IniScript(found == texts_.end() ? std::string_view() : found->second));
}

}  // namespace script
