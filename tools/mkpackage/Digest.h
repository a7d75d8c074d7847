// SHA-256 for the [Integrity] lines: the system's crypto provider on Windows (the same one
// setup.exe checks with), OpenSSL's libcrypto elsewhere.
#pragma once

#include <cstdint>
#include <string>

namespace mkpackage {

// The digest as 64 lower-case hex digits; false, `out` untouched, when the library fails.
bool Sha256Hex(const std::string& bytes, std::string* out);
// The size and digest of a file; false, both untouched, when it cannot be read whole.
bool FileSha256Hex(const std::string& path, uint64_t* size, std::string* out);

}  // namespace mkpackage
