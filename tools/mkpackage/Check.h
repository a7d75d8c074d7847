// Reads an existing package as the setup program would, through its own loader, and reports
// what would stop it: a script the loader refuses (its code and the key it stands on), data
// files the scripts name that are missing, a language library index that names nothing, data
// files whose size or SHA-256 is not the one their script's [Integrity] line seals. Then a
// short summary of what the package holds.
#pragma once

#include <string>

namespace mkpackage {

// Appends the report to `report`, one line per finding; true when the package would install.
bool CheckPackage(const std::string& folder, std::string* report);

}  // namespace mkpackage
