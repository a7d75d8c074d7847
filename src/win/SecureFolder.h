// Folders that only the system and administrators can change. An elevated run trusts what it
// finds in such a folder (a killed run's journal) and nothing it finds anywhere else.
#pragma once

#include <string>

namespace win {

// Makes `path` (its parent must exist) owned by Administrators, with full control for SYSTEM
// and Administrators only and nothing inherited. False, with the system's error code, when the
// folder cannot be made, an existing one included.
bool MakeAdminOnlyFolder(const std::string& path);

// True when `path` is a folder, no link to one, whose owner is SYSTEM, Administrators or the
// owner of the Windows folder, and whose DACL lets nobody else write, create or change it.
// Otherwise false, with the reason in `why`. On a volume that keeps no access control the
// folder cannot be protected: true, and `why` says so.
bool IsAdminOnlyFolder(const std::string& path, std::string* why);

}  // namespace win
