#include "mkpackage/Digest.h"

#include "win/Digest.h"

namespace mkpackage {

bool Sha256Hex(const std::string& bytes, std::string* out) { return win::Sha256Hex(bytes, out); }

bool FileSha256Hex(const std::string& path, uint64_t* size, std::string* out) {
    return win::Sha256FileHex(path, size, out);
}

}  // namespace mkpackage
