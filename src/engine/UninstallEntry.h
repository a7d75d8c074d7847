// The uninstaller's entry in the Windows list of installed programs, and the earlier
// installation's folder read back from it.
#pragma once

#include <cstdint>
#include <string>

#include "script/Project.h"

extern const char kUninstallerName[];  // "pyxu.exe"
// The Windows list of installed programs below HKEY_LOCAL_MACHINE: one subkey per product.
extern const char kUninstallListKey[];

// "<Company> <Title> for BlackBerry": the Uninstall subkey and the "Application: " record.
std::string UninstallDisplayName(const Project& project);

// Copies `programPath` (the running program) to the Windows folder as the uninstaller and
// writes the Uninstall entry of the main project: the log in `installFolder`, the language
// library at `languagePath`, and for the list of installed programs its publisher, version,
// icon, the `estimatedSizeKiB` of the files the installation copied, and that it offers
// neither change nor repair. Failures are silent.
void PrepareUnInstall(const Project& mainProject, const std::string& programPath, const std::string& installFolder,
                      const std::string& languagePath, uint32_t estimatedSizeKiB);

// The folder of an earlier installation of `project`, from its "UninstallString"; false when
// there is none or it does not fit in `limit` - 1 characters.
bool PreviousInstallFolder(const Project& project, std::string* folder, size_t limit);
