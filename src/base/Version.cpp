#include "base/Version.h"

#include <cstdint>

#include "base/Text.h"

bool ParseProductVersion(const std::string& text, ProductVersion* out) {
    ProductVersion version;
    size_t start = 0;
    for (;;) {
        const size_t dot = text.find('.', start);
        const std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        uint64_t value = 0;
        // ParseDecimal takes digits only, so signs and blanks are refused with the empty part.
        if (version.count == 4 || part.empty() || part.size() > 5 || (part.size() > 1 && part[0] == '0') ||
            !text::ParseDecimal(part, &value) || value > 65535)
            return false;
        version.parts[version.count++] = static_cast<unsigned>(value);
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    *out = version;
    return true;
}

VersionOrder ComparePackageVersion(const std::string& package, const std::string& installed) {
    ProductVersion mine;
    ProductVersion theirs;
    if (!ParseProductVersion(package, &mine) || !ParseProductVersion(installed, &theirs)) return VersionOrder::kUnknown;
    for (int i = 0; i < 4; ++i)
        if (mine.parts[i] != theirs.parts[i])
            return mine.parts[i] < theirs.parts[i] ? VersionOrder::kOlder : VersionOrder::kNewer;
    return VersionOrder::kSame;
}
