// The uninstaller's entry in the Windows list of installed programs, and the earlier
// installation's folder read back from it.
#pragma once

#include <cstdint>
#include <string>

#include "engine/InstallContext.h"
#include "script/Project.h"

extern const char kUninstallerName[];  // "pyxu.exe"
// The Windows list of installed programs below HKEY_LOCAL_MACHINE: one subkey per product.
extern const char kUninstallListKey[];

// "<Company> <Title> for BlackBerry": the Uninstall subkey and the "Application: " record.
std::string UninstallDisplayName(const Project& project);

// Copies `programPath` (the running program) to the Windows folder as the uninstaller and
// writes the Uninstall entry of the main project, each change noted in the run's journal
// first: the log in `installFolder`, the language library at `languagePath`, and for the list
// of installed programs its publisher, version, icon, the `estimatedSizeKiB` of the files the
// installation copied, and that it offers neither change nor repair. False, traced, when the uninstaller or the entry's key, name,
// command or folder could not be written: the installation then fails, as a product without
// them could not be uninstalled. The values the list only shows are best-effort.
bool PrepareUnInstall(InstallContext& run, const Project& mainProject, const std::string& programPath,
                      const std::string& installFolder, const std::string& languagePath, uint32_t estimatedSizeKiB);

// The value of an Uninstall entry that holds the SHA-256 digest (hex) of the whole install log
// as the installation left it: the log lies in a folder users may be able to write, the entry
// below HKEY_LOCAL_MACHINE only administrators can change.
extern const char kLogDigestValue[];  // "InstallLogSha256"
// A second digest: an uninstall cuts the log as it goes (CutInstallLog), and a log that matches
// either value is what an installation or an uninstall wrote.
extern const char kLogLeftDigestValue[];  // "InstallLogLeftSha256"

// Stores the digest of the install log at `installLog` in every Uninstall entry whose
// "UninstallString" names that log. Run each time an installation has appended `appendedLog`
// (its temporary log) to it, the first time too. The part of the log before the appended
// records must still match the digest stored for it: an upgrade never vouches for records
// someone else added, and that log keeps its old digest, so its uninstall refuses it. False
// then, when a log or the list of installed programs cannot be read, or no entry took the
// digest; each failure is traced where it happens, as one the run goes on without.
bool StoreInstallLogDigest(Journal& journal, const std::string& installLog, const std::string& appendedLog);

// Replaces the install log at `installLog`, now `current`, by `kept` (its first records and the
// records of folders left), storing first the digest of `kept` in every entry that holds the
// log's digest, in the one of its two values that `current` does not match: killed at any
// point, the log matches one of them. False, traced with the call that failed, when the list of
// installed programs cannot be read, a digest cannot be stored or the log cannot be replaced.
bool CutInstallLog(const std::string& installLog, const std::string& current, const std::string& kept);

enum class LogDigestCheck {
    kNoDigest,    // no entry naming the log holds a digest (an earlier version wrote it)
    kMatches,     // `content` is what an installation wrote
    kDiffers,     // changed since: not to be undone
    kUnreadable,  // the list or an entry could not be read (traced): the log cannot be trusted
};
// Compares `content`, read from `installLog`, with the digests of the entries naming that log,
// the whole log's and the part an uninstall left. Only a list or entry that is not there counts
// as holding no digest.
LogDigestCheck CheckInstallLogDigest(const std::string& installLog, const std::string& content);

// The folder of an earlier installation of `project`, from its "UninstallString"; false when
// there is none or it does not fit in `limit` - 1 characters.
bool PreviousInstallFolder(const Project& project, std::string* folder, size_t limit);
