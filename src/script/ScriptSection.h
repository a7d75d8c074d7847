// One section of a script read whole, for the numbered lists. Looking up each "File%d" with
// GetPrivateProfileStringA costs a file open and a scan of the section per key (and under Wine
// a re-parse of the whole file while it is younger than two seconds), so a long script took
// seconds to load; the section is read once and its values looked up here instead, with the
// profile function's rules. Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace script {

class SectionValues {
public:
    SectionValues() = default;
    // `block` as GetPrivateProfileSectionA fills its buffer: entries "key=value" (or a bare
    // line without "="), each ended by a NUL, names and values already trimmed of blanks.
    explicit SectionValues(std::string_view block);

    // What GetPrivateProfileStringA with an empty default gives for the key: the first entry
    // whose name matches without regard to case, one pair of enclosing quotes (double or
    // single) removed, cut to limit - 1 characters; empty when the key is missing or bare.
    std::string Text(std::string_view key, size_t limit) const;

    size_t Size() const { return values_.size(); }

private:
    std::unordered_map<std::string, std::string> values_;  // upper-cased name -> raw value
};

}  // namespace script
