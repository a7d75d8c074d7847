#include "mkpackage/Zip.h"

namespace mkpackage {

// Debian has no zip library for MinGW: the native build of the tool writes the zip.
bool WritePackageZip(const std::string& /*folder*/, const std::string& /*zipPath*/, std::string* /*sha256*/,
                     std::string* error) {
    *error = "the zip is written by the native build of mkpackage only";
    return false;
}

}  // namespace mkpackage
