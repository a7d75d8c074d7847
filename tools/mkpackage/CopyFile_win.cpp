// The C++ library of MinGW sets file times in whole seconds; CopyFileA keeps the source's
// time as the file system holds it.
#include <windows.h>

#include "base/Text.h"
#include "mkpackage/CopyFile.h"

namespace mkpackage {

bool CopyKeepingTime(const std::string& from, const std::string& to, std::string* error) {
    if (CopyFileA(from.c_str(), to.c_str(), FALSE)) return true;
    *error = text::Format("cannot copy '%s' into the package: error %u", from.c_str(),
                          static_cast<unsigned>(GetLastError()));
    return false;
}

}  // namespace mkpackage
