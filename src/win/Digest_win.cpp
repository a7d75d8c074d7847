#include "win/Digest.h"

#include <windows.h>
#include <wincrypt.h>

#include "win/UniqueHandle.h"

namespace win {

namespace {
// The headers declare it only for XP SP3 and later, above the API level the program builds
// for; older providers refuse it at run time, which Sha256Hex reports as a failure.
constexpr ALG_ID kSha256 = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;  // ALG_SID_SHA_256
}  // namespace

bool Sha256Hex(const std::string& bytes, std::string* out) {
    // The AES provider is the one that knows SHA-256 (the base provider does not); a
    // verify-only context needs no key container and no rights.
    UniqueCryptProvider provider;
    if (!CryptAcquireContextA(provider.put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return false;
    UniqueCryptHash hash;
    if (!CryptCreateHash(provider.get(), kSha256, 0, 0, hash.put())) return false;
    // CryptHashData takes a DWORD length.
    if (bytes.size() > MAXDWORD ||
        !CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0))
        return false;
    BYTE digest[32];
    DWORD size = sizeof(digest);
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &size, 0) || size != sizeof(digest)) return false;
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (BYTE b : digest) {
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
    }
    *out = hex;
    return true;
}

}  // namespace win
