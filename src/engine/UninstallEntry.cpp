// The portable half of the Uninstall entry: its name, which mkpackage writes into the
// deployment manifests too.
#include "engine/UninstallEntry.h"

#include "base/Text.h"

std::string UninstallDisplayName(const Project& project) {
    return text::Format("%s %s for BlackBerry", project.company.c_str(), project.title.c_str());
}
