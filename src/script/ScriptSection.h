// One section of a script read whole, for the numbered lists. Looking up each "File%d" with
// GetPrivateProfileStringA costs a file open and a scan of the section per key (and under Wine
// a re-parse of the whole file while it is younger than two seconds), so a long script took
// seconds to load; the section is read once and its values looked up here instead, with the
// profile function's rules. Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

    // Whether the section has an entry of that name, with a value or bare.
    bool Has(std::string_view key) const { return Find(key) != nullptr; }

    // How many of the keys prefix + 0, 1, 2 ... (from `first`) have a non-empty Text: the
    // length of the numbered list that a loader reads from this section.
    int CountNumbered(const char* prefix, int first) const;

    size_t Size() const { return entries_.size(); }

private:
    struct Entry {
        std::string_view name;
        std::string_view value;
    };

    // The entry of that name, or null.
    const Entry* Find(std::string_view key) const;
    // The value of `key` without one pair of enclosing quotes; empty when missing.
    std::string_view Value(std::string_view key) const;

    // One copy of the block that every name and value below points into, so that reading a
    // section costs no allocation per entry: a long section used to spend most of its time
    // (and a growing share of it) making and upper-casing strings for the table. Held by a
    // pointer so that moving the object leaves the views valid.
    std::unique_ptr<char[]> block_;
    // Sorted by name, ASCII letters without regard to case as the profile functions match
    // names; of names that match, only the first in the section, which those functions find.
    std::vector<Entry> entries_;
};

}  // namespace script
