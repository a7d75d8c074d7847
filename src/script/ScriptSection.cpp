#include "script/ScriptSection.h"

#include "base/Text.h"

namespace script {

namespace {
// The profile functions trim names and values; trimming again keeps the lookup right whatever
// the system left around the "=".
std::string_view TrimBlanks(std::string_view value) {
    size_t first = value.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::string_view();
    size_t last = value.find_last_not_of(" \t");
    return value.substr(first, last - first + 1);
}
}  // namespace

SectionValues::SectionValues(std::string_view block) {
    size_t at = 0;
    while (at < block.size()) {
        size_t end = block.find('\0', at);
        if (end == std::string_view::npos) end = block.size();
        std::string_view entry = block.substr(at, end - at);
        at = end + 1;
        if (entry.empty()) continue;
        size_t equals = entry.find('=');
        std::string name(TrimBlanks(entry.substr(0, equals)));
        std::string value =
            equals == std::string_view::npos ? std::string() : std::string(TrimBlanks(entry.substr(equals + 1)));
        // emplace keeps the first entry of a name, as the profile functions find it first.
        values_.emplace(text::AsciiUpper(std::move(name)), std::move(value));
    }
}

std::string SectionValues::Text(std::string_view key, size_t limit) const {
    auto found = values_.find(text::AsciiUpper(std::string(key)));
    if (found == values_.end()) return std::string();
    std::string_view value = found->second;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return text::Fit(std::string(value), limit);
}

}  // namespace script
