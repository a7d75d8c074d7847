// Registry helpers: keys are owned by win::UniqueKey and every read checks type and size.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win/UniqueHandle.h"

namespace win {

// The user's folders as Windows lists them: "Programs", "Startup", "Common Startup", ...
extern const char kShellFoldersKey[];  // "Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders"

// The Program Files folder as Windows names it (HKLM\...\CurrentVersion, "ProgramFilesDir"),
// when it fits in `limit` bytes with its terminator; `out` is untouched on failure. Read access
// only: more would fail for users without administrative rights.
bool ReadProgramFilesFolder(size_t limit, std::string* out);

// Opens root\path; false (key left empty) on failure.
bool OpenKey(HKEY root, const std::string& path, REGSAM access, UniqueKey* key);

// Reads a REG_SZ value whose data, terminator included, fits in `limit` bytes.
// `out` is untouched on failure.
bool ReadString(HKEY key, const char* name, size_t limit, std::string* out);

// Writes a REG_SZ value stored with its terminating zero. The Write functions leave the
// registry's error code as the last error.
bool WriteString(HKEY key, const char* name, const std::string& value);

// Reads a REG_DWORD value of exactly 4 bytes; `out` is untouched on failure.
bool ReadDword(HKEY key, const char* name, DWORD* out);
bool WriteDword(HKEY key, const char* name, DWORD value);

// Writes a value of any type as it is given.
bool WriteRawValue(HKEY key, const char* name, DWORD type, const std::string& data);
// Deletes a value, or the subkey `path` (which has no subkeys) below `key`; one that is not
// there counts as deleted.
bool DeleteValue(HKEY key, const char* name);
bool DeleteKey(HKEY key, const std::string& path);

// Reads a value of any type and length as it is stored. Outputs untouched on failure, with
// the registry's error code as the last error.
bool ReadRawValue(HKEY key, const char* name, DWORD* type, std::string* data);

// The names of the subkeys of `key` shorter than `limit` characters (longer ones are passed
// over), read before the caller changes any: a walk that deletes keys misses none.
std::vector<std::string> SubkeyNames(HKEY key, size_t limit);

// HKEY_CURRENT_USER for "HKCU", HKEY_LOCAL_MACHINE for anything else: the roots a journal names.
HKEY RootKey(const std::string& name);

// A test's stand-in for a narrower grant: OpenKey asks it for the access to open root\path
// with, given the access the caller wants, so that the program meets a key it may read but not
// change and the registry itself refuses the change. The program never sets one; null clears it.
using KeyAccessHook = REGSAM (*)(HKEY root, const std::string& path, REGSAM access);
void SetKeyAccessHook(KeyAccessHook hook);

}  // namespace win
