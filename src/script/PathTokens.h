// Expansion of the path tokens of script values ("<ProgramFilesDir>", "<Title>", ...) over a
// project, the shortcut-folder resolution, the launch-command check and the backslash
// clean-up. The token walk itself is portable (PathTokens.cpp): the caller supplies the
// values. The system folders come from PathTokens_win.cpp. Each expansion writes at most
// limit - 1 characters; every failure is a false result and leaves `out` undefined for the
// caller's purposes (callers fall back).
#pragma once

#include <cstddef>
#include <string>

#include "script/Project.h"

// In the order the names are compared; "PalmDesktop>" comes before "PalmDesktopData>" but
// cannot match it, because the ">" is part of every name.
enum class PathToken {
    WinDir,
    SysDir,
    ProgramFilesDir,
    Company,
    Title,
    Ver,
    HotSync,
    PalmDesktop,
    PalmDesktopData,
    InstallDir,
};

// Supplies a token's value; `room` is the number of characters still free before the last
// position of the output. False fails the expansion. Refers to the caller's callable (a lambda
// held in a variable) for the length of one expansion, without copying it.
class TokenValueFn {
public:
    template <typename Callable>
    TokenValueFn(const Callable& callable)
        : callable_(&callable), call_([](const void* held, PathToken token, size_t room, std::string* value) {
              return (*static_cast<const Callable*>(held))(token, room, value);
          }) {}
    bool operator()(PathToken token, size_t room, std::string* value) const {
        return call_(callable_, token, room, value);
    }

private:
    const void* callable_;
    bool (*call_)(const void* held, PathToken token, size_t room, std::string* value);
};

// Expands every "<Name>" of `text` into `out`, writing at most limit - 1 characters. With
// `titleTokensOnly` only "<Company>", "<Title>" and "<Ver>" are known. Fails on an unknown
// token (a lone "<" included), on a value longer than the room left, on an empty value of a
// Palm folder token, and when text is left over once the output is full. No clean-up or
// validation here.
bool ExpandTokens(const std::string& text, bool titleTokensOnly, size_t limit, const TokenValueFn& source,
                  std::string* out);

// The tokens this program answers without the system: the project's company, title and
// version, and the three Palm folders, whose lookup gives an empty text here (which fails the
// walk). False for the folder tokens.
bool ProjectTokenValue(const Project& project, PathToken token, std::string* value);

// All tokens. `installFolder` null: "<InstallDir>" fails the expansion.
bool ExpandPath(const Project& project, const std::string& text, std::string* out, const std::string* installFolder,
                size_t limit);

// Only "<Company>", "<Title>" and "<Ver>"; no path validation.
bool ExpandTitleTokens(const Project& project, const std::string& text, std::string* out, size_t limit);

// The Programs menu folder (`programs`; empty: the user's), a backslash and the project's
// DefShortcutDir expanded.
bool ResolveShortcutFolder(const Project& project, std::string* out, size_t limit,
                           const std::string& programs = std::string());

// Expands the launch command; true when what it names is acceptable as a path.
bool CheckLaunchCommand(const Project& project, const std::string& text, std::string* out,
                        const std::string& installFolder, size_t limit);

// Keeps a leading pair of backslashes (a network path); any later run of backslashes
// becomes one.
void CleanBackslashes(std::string* text);
