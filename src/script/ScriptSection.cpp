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
    // Empty, but still pointing into the block: the order of the names rests on where they are.
    if (first == std::string_view::npos) return value.substr(0, 0);
    size_t last = value.find_last_not_of(" \t");
    return value.substr(first, last - first + 1);
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Orders names as the profile functions match them: ASCII letters without regard to case.
int CompareNoCase(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const unsigned char x = static_cast<unsigned char>(AsciiUpper(a[i]));
        const unsigned char y = static_cast<unsigned char>(AsciiUpper(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

SectionValues::SectionValues(std::string_view block) {
    if (block.empty()) return;
    block_.reset(new char[block.size()]);
    std::memcpy(block_.get(), block.data(), block.size());
    const std::string_view all(block_.get(), block.size());
    entries_.reserve(static_cast<size_t>(std::count(all.begin(), all.end(), '\0')) + 1);

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
        entries_.push_back({name, value});
    }
    // Every name points into the block, so of two that match, the one further in front came
    // first in the section: it sorts first and stays, as the profile functions find it first.
    std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
        const int order = CompareNoCase(a.name, b.name);
        return order != 0 ? order < 0 : a.name.data() < b.name.data();
    });
    entries_.erase(std::unique(entries_.begin(), entries_.end(),
                               [](const Entry& a, const Entry& b) { return CompareNoCase(a.name, b.name) == 0; }),
                   entries_.end());
}

const SectionValues::Entry* SectionValues::Find(std::string_view key) const {
    auto found = std::lower_bound(entries_.begin(), entries_.end(), key, [](const Entry& entry, std::string_view name) {
        return CompareNoCase(entry.name, name) < 0;
    });
    return found != entries_.end() && CompareNoCase(found->name, key) == 0 ? &*found : nullptr;
}

std::string_view SectionValues::Value(std::string_view key) const {
    const Entry* found = Find(key);
    if (!found) return std::string_view();
    std::string_view value = found->value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

std::string SectionValues::Text(std::string_view key, size_t limit) const {
    return text::Fit(std::string(Value(key)), limit);
}

int SectionValues::CountNumbered(const char* prefix, int first) const {
    int n = first;
    while (!Value(text::Format("%s%d", prefix, n)).empty()) ++n;
    return n - first;
}

}  // namespace script
