// Expansion of the path tokens of script values ("<ProgramFilesDir>", "<Title>", ...) over a
// project, the shortcut-folder resolution, the launch-command check and the backslash
// clean-up. Each expansion writes at most limit - 1 characters; every failure is a false
// result and leaves `out` undefined for the caller's purposes (callers fall back).
#pragma once

#include <string>

#include "script/Project.h"

// All tokens. `installFolder` null: "<InstallDir>" fails the expansion.
bool ExpandPath(const Project& project, const std::string& text, std::string* out, const std::string* installFolder,
                size_t limit);

// Only "<Company>", "<Title>" and "<Ver>"; no path validation.
bool ExpandTitleTokens(const Project& project, const std::string& text, std::string* out, size_t limit);

// The user's Programs menu folder, a backslash and the project's DefShortcutDir expanded.
bool ResolveShortcutFolder(const Project& project, std::string* out, size_t limit);

// Expands the launch command; true when what it names is acceptable as a path.
bool CheckLaunchCommand(const Project& project, const std::string& text, std::string* out,
                        const std::string& installFolder, size_t limit);

// Keeps a leading pair of backslashes (a network path); any later run of backslashes
// becomes one.
void CleanBackslashes(std::string* text);
