#include "mkpackage/Digest.h"

#include "win/Digest.h"

namespace mkpackage {

namespace {

// One provider context for the whole run: a package has thousands of files.
const win::Sha256Digests& Digests() {
    static const win::Sha256Digests digests;
    return digests;
}

}  // namespace

bool Sha256Hex(const std::string& bytes, std::string* out) { return Digests().OfBytes(bytes, out); }

bool FileSha256Hex(const std::string& path, uint64_t* size, std::string* out) {
    return Digests().OfFile(path, size, out);
}

}  // namespace mkpackage
