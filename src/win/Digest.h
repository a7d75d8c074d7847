// Digests through the system's own crypto provider, so that the program still imports system
// libraries only.
#pragma once

#include <cstdint>
#include <string>

namespace win {

// The SHA-256 digest of `bytes` as 64 lower-case hex digits. False, `out` untouched, when the
// provider is missing or fails.
bool Sha256Hex(const std::string& bytes, std::string* out);
// The same for a file's contents, read in pieces, and its size; false, both untouched, when
// the file cannot be read whole.
bool Sha256FileHex(const std::string& path, uint64_t* size, std::string* out);

}  // namespace win
