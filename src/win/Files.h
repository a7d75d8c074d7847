// Thin file-system helpers shared by the engine and the uninstaller.
#pragma once

#include <windows.h>

#include <string>

#include "win/UniqueHandle.h"

namespace win {

// True when a directory search finds the path (files and folders alike).
bool FileExists(const std::string& path);

// True when the path names an existing directory.
bool IsDirectory(const std::string& path);

// Reads a directory entry; false when the path is not found. `out` is untouched on failure.
bool FindEntry(const std::string& path, WIN32_FIND_DATAA* out);

// Reads the whole file, opened without sharing so that no one writes it meanwhile. False
// when it cannot be opened or read; `out` is untouched on failure.
bool ReadWholeFile(const std::string& path, std::string* out);

// GetWindowsDirectoryA / GetSystemDirectoryA / GetTempPathA as strings; empty on failure.
std::string WindowsFolder();
std::string SystemFolder();
std::string TempFolder();

// The module's own full path; empty on failure.
std::string ModulePath(HMODULE module);

// The full path of `path` (relative to the current folder); the path itself when it cannot
// be made full.
std::string FullPath(const std::string& path);

// Writes all `size` bytes at the file's position; false when fewer were written.
bool WriteAll(HANDLE file, const char* data, size_t size);

// Opens `path` itself, never what a link there points to, and only when it is a plain file:
// no link and no second name of another file. Whoever can write the file's folder could have
// made either, to steer an elevated run to a file of the system's. False, with the system's
// error code (ERROR_CANT_ACCESS_FILE for a link or second name), otherwise.
bool OpenPlainFile(const std::string& path, DWORD access, DWORD share, DWORD disposition, UniqueFile* out);

// Deletes a file, read-only or not; a file that stays keeps its attributes. False (with the
// system's error code) when it could not be deleted, a missing file included.
bool DeleteFileForce(const std::string& path);

// True for the system's error codes that say a file or its folder is not there.
bool IsMissing(DWORD error);
// DeleteFileForce, where a file that is not there counts as deleted.
bool DeleteFileIfPresent(const std::string& path);

// Deletes the folder `path` and everything in it, read-only or not. A link to a folder inside
// is removed, never followed. False when something is left.
bool DeleteTree(const std::string& path);

}  // namespace win
