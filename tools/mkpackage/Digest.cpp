#include "mkpackage/Digest.h"

#include <openssl/evp.h>

#include <fstream>
#include <memory>

namespace mkpackage {

namespace {

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

bool Hex(EVP_MD_CTX* context, std::string* out) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context, digest, &length) != 1) return false;
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
    }
    *out = hex;
    return true;
}

DigestContext NewSha256() {
    DigestContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) context.reset();
    return context;
}

}  // namespace

bool Sha256Hex(const std::string& bytes, std::string* out) {
    DigestContext context = NewSha256();
    return context && EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) == 1 && Hex(context.get(), out);
}

bool FileSha256Hex(const std::string& path, uint64_t* size, std::string* out) {
    std::ifstream file(path, std::ios::binary);
    DigestContext context = NewSha256();
    if (!file || !context) return false;
    char buffer[1 << 16];
    uint64_t total = 0;
    while (file) {
        file.read(buffer, sizeof(buffer));
        const std::streamsize got = file.gcount();
        if (got > 0 && EVP_DigestUpdate(context.get(), buffer, static_cast<size_t>(got)) != 1) return false;
        total += static_cast<uint64_t>(got);
    }
    // The loop ends at the end of the file or at a read error; only the first is whole.
    if (!file.eof() || !Hex(context.get(), out)) return false;
    *size = total;
    return true;
}

}  // namespace mkpackage
