// Copies a source into the package keeping its modification time to the system's full
// precision: the replacement rules of the setup program compare these times.
#pragma once

#include <string>

namespace mkpackage {

bool CopyKeepingTime(const std::string& from, const std::string& to, std::string* error);

}  // namespace mkpackage
