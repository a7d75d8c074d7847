#include "mkpackage/RunTool.h"

namespace mkpackage {

// Signing and its check run Debian's osslsigncode, which the native build of the tool starts;
// the Windows build leaves signing to the system's own tools (signtool).
bool RunTool(const std::vector<std::string>& arguments, const std::string& /*input*/, std::string* /*output*/,
             int* /*exitCode*/, std::string* error) {
    *error = arguments[0] + " runs with the native build of mkpackage only";
    return false;
}

}  // namespace mkpackage
