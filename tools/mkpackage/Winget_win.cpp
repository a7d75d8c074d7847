#include "mkpackage/Winget.h"

namespace mkpackage {

// Debian has no YAML library for MinGW: the native build of the tool writes winget's manifests.
std::string WingetOptionsProblem(const WingetOptions& /*options*/) {
    return "winget's manifests are written by the native build of mkpackage only";
}

bool CheckWinget(const PackagePlan& /*plan*/, const std::string& /*folder*/, std::string* error) {
    *error = WingetOptionsProblem(WingetOptions());
    return false;
}

bool WriteWingetManifests(const PackagePlan& /*plan*/, const WingetOptions& /*options*/,
                          const std::string& /*zipSha256*/, const std::string& /*folder*/, std::string* error) {
    return CheckWinget(PackagePlan(), "", error);
}

}  // namespace mkpackage
