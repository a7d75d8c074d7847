#include "script/ScriptSection.h"

#include <algorithm>
#include <cstring>

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

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

size_t SectionValues::NoCaseHash::operator()(std::string_view name) const {
    size_t hash = 2166136261u;  // FNV-1a
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(AsciiUpper(c))) * 16777619u;
    return hash;
}

bool SectionValues::NoCaseEqual::operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

SectionValues::SectionValues(std::string_view block) {
    if (block.empty()) return;
    block_.reset(new char[block.size()]);
    std::memcpy(block_.get(), block.data(), block.size());
    const std::string_view all(block_.get(), block.size());
    values_.reserve(static_cast<size_t>(std::count(all.begin(), all.end(), '\0')) + 1);

    size_t at = 0;
    while (at < all.size()) {
        size_t end = all.find('\0', at);
        if (end == std::string_view::npos) end = all.size();
        std::string_view entry = all.substr(at, end - at);
        at = end + 1;
        if (entry.empty()) continue;
        size_t equals = entry.find('=');
        std::string_view name = TrimBlanks(entry.substr(0, equals));
        std::string_view value =
            equals == std::string_view::npos ? std::string_view() : TrimBlanks(entry.substr(equals + 1));
        // emplace keeps the first entry of a name, as the profile functions find it first.
        values_.emplace(name, value);
    }
}

std::string_view SectionValues::Value(std::string_view key) const {
    auto found = values_.find(key);
    if (found == values_.end()) return std::string_view();
    std::string_view value = found->second;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

std::string SectionValues::Text(std::string_view key, size_t limit) const {
    return text::Fit(std::string(Value(key)), limit);
}

int SectionValues::CountNumbered(const char* prefix, int first) const {
    int n = first;
    while (!Value(prefix + std::to_string(n)).empty()) ++n;
    return n - first;
}

}  // namespace script
