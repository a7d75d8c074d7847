// Product versions as installers and deployment tools read them: one to four dotted numbers,
// each 0 to 65535 ("3", "3.1", "3.1.2.400"). Portable: no Windows headers.
#pragma once

#include <string>

struct ProductVersion {
    unsigned parts[4] = {0, 0, 0, 0};  // missing parts count as 0: "3.1" is "3.1.0.0"
    unsigned count = 0;                // the parts written
};

// False, `out` untouched, for anything else: free text, blanks, signs, empty parts, a fifth
// part, a number above 65535, a leading zero (2.01 and 2.1 would be one version to Windows).
bool ParseProductVersion(const std::string& text, ProductVersion* out);

enum class VersionOrder { kOlder, kSame, kNewer, kUnknown };

// How the package's version stands to the installed one's. A version that does not parse on
// either side is kUnknown: neither newer nor older.
VersionOrder ComparePackageVersion(const std::string& package, const std::string& installed);
