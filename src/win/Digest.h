// Digests through the system's own crypto provider, so that the program still imports system
// libraries only.
#pragma once

#include <cstdint>
#include <string>

#include "win/UniqueHandle.h"

namespace win {

// Digests under one provider context: acquiring a context costs far more than hashing a
// small file (under Wine, milliseconds each), so a run that hashes many files keeps one.
// Each function is false, its outputs untouched, when the provider is missing or fails.
class Sha256Digests {
public:
    Sha256Digests() = default;  // the context is acquired at the first digest
    Sha256Digests(const Sha256Digests&) = delete;
    Sha256Digests& operator=(const Sha256Digests&) = delete;

    // The SHA-256 digest of `bytes` as 64 lower-case hex digits.
    bool OfBytes(const std::string& bytes, std::string* out) const;
    // The same for a file's contents, read in pieces, and its size; also false when the file
    // cannot be read whole.
    bool OfFile(const std::string& path, uint64_t* size, std::string* out) const;
    // Copies `from` to `to`, made as `disposition` says (CREATE_ALWAYS over an existing file,
    // CREATE_NEW where the name must be free), keeping the source's last-write time as
    // CopyFileA does, and takes the digest of the very bytes it writes, from the one read that
    // copies them: a source changed meanwhile cannot pass with the digest of another read.
    // False, with the system's error code, when a file cannot be opened, read or written.
    bool OfCopy(const std::string& from, const std::string& to, unsigned long disposition, std::string* out) const;

private:
    HCRYPTPROV Provider() const;
    // Hashes `source` from its position to its end, writing each piece to `copy` when given.
    bool OfHandle(HANDLE source, HANDLE copy, uint64_t* size, std::string* out) const;

    mutable UniqueCryptProvider provider_;
};

// One digest under a context of its own.
bool Sha256Hex(const std::string& bytes, std::string* out);

}  // namespace win
