// The token walk shared by ExpandPath and ExpandTitleTokens, apart from where the values come
// from: the caller supplies them, so the walk itself has no OS calls and builds anywhere.
#pragma once

#include <cstddef>
#include <functional>
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
// position of the output. False fails the expansion.
using TokenValueFn = std::function<bool(PathToken token, size_t room, std::string* value)>;

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
