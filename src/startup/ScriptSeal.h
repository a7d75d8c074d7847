// The main script's seal inside the program: a fixed field that the authoring tool fills with
// the SHA-256 of the package's main script before it signs the program. The signed program
// then vouches for the script, and the script's [Integrity] lines for every data file. The
// field is the tag below followed by the digest as 64 lower-case hex digits; all zero, it is
// empty (a package laid out by hand) and the script is taken as it is.
#pragma once

#include <cstddef>
#include <string>

constexpr char kScriptSealTag[] = "MainScriptSHA256";  // found once in the program's file
constexpr size_t kScriptSealTagSize = sizeof(kScriptSealTag) - 1;
constexpr size_t kScriptSealDigestSize = 64;

// True when the program's field is empty or holds the digest of the script at `path`;
// otherwise `message` says the package is damaged.
bool MainScriptSealed(const std::string& path, std::string* message);
