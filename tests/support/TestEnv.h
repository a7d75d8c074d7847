// What every test needs from the machine: a fresh folder of its own, the built programs,
// small file and registry helpers. Everything lives inside the Wine prefix of the build.
#pragma once

#include <windows.h>

#include <string>

namespace testenv {

// The folder that holds the test program, setup.exe and ResENU.DLL (with trailing backslash).
std::string BinFolder();

// String `id` of the build's language library ResENU.DLL; empty when it lacks it.
std::string LibraryString(UINT id);

// A new, empty folder for the running test, below the prefix's temporary folder; any
// earlier folder of the same test is deleted first. No trailing backslash.
std::string FreshFolder(const std::string& suffix = "");

// A name unique to the running test, for registry keys and file names.
std::string UniqueName(const std::string& prefix);

bool WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);  // empty when missing
bool CopyFileTo(const std::string& from, const std::string& to);
void DeleteTree(const std::string& path);

// Sets the last-write time of a file to `daysAgo` days before now (negative: in the future).
bool SetFileAge(const std::string& path, int daysAgo);

// The bytes of a 24-bit bitmap file of one colour, as an author's logo or background image.
std::string BitmapFileBytes(int width, int height, COLORREF colour);

// The bytes of a 24-bit bitmap file of what the screen shows in `area` (screen coordinates),
// windows of every process included; empty when the screen cannot be read.
std::string ScreenBitmapFileBytes(const RECT& area);

// Makes `link` a symbolic link to the folder `target`, as a Unix link: Wine shows it as a
// reparse point, and its own CreateSymbolicLinkA makes nothing.
bool LinkFolder(const std::string& link, const std::string& target);

// Deletes a registry key and everything below it; true when it no longer exists.
bool DeleteRegistryTree(HKEY root, const std::string& path);

}  // namespace testenv
