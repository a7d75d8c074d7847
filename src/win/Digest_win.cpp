#include "win/Digest.h"

#include <windows.h>
#include <wincrypt.h>

#include <memory>

#include "win/Files.h"
#include "win/UniqueHandle.h"

namespace win {

namespace {

// The headers declare it only for XP SP3 and later, above the API level the program builds
// for; older providers refuse it at run time, which the functions report as a failure.
constexpr ALG_ID kSha256 = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;  // ALG_SID_SHA_256

// One SHA-256 hash object of a provider's.
class Sha256 {
public:
    explicit Sha256(HCRYPTPROV provider) {
        if (provider) CryptCreateHash(provider, kSha256, 0, 0, hash_.put());
    }

    bool Add(const void* bytes, DWORD size) {
        return hash_ && CryptHashData(hash_.get(), static_cast<const BYTE*>(bytes), size, 0);
    }

    bool Hex(std::string* out) {
        BYTE digest[32];
        DWORD size = sizeof(digest);
        if (!hash_ || !CryptGetHashParam(hash_.get(), HP_HASHVAL, digest, &size, 0) || size != sizeof(digest))
            return false;
        static const char kHex[] = "0123456789abcdef";
        std::string hex;
        for (BYTE b : digest) {
            hex += kHex[b >> 4];
            hex += kHex[b & 15];
        }
        *out = hex;
        return true;
    }

private:
    UniqueCryptHash hash_;
};

}  // namespace

HCRYPTPROV Sha256Digests::Provider() const {
    // The AES provider is the one that knows SHA-256 (the base provider does not); a
    // verify-only context needs no key container and no rights.
    if (!provider_) CryptAcquireContextA(provider_.put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT);
    return provider_.get();
}

bool Sha256Digests::OfBytes(const std::string& bytes, std::string* out) const {
    Sha256 hash(Provider());
    // CryptHashData takes a DWORD length.
    return bytes.size() <= MAXDWORD && hash.Add(bytes.data(), static_cast<DWORD>(bytes.size())) && hash.Hex(out);
}

bool Sha256Digests::OfHandle(HANDLE source, HANDLE copy, uint64_t* size, std::string* out) const {
    Sha256 hash(Provider());
    constexpr DWORD kChunk = 1 << 16;
    std::unique_ptr<BYTE[]> buffer(new BYTE[kChunk]);
    uint64_t total = 0;
    for (DWORD got = 0;; total += got) {
        if (!ReadFile(source, buffer.get(), kChunk, &got, nullptr)) return false;
        if (got == 0) break;
        if (!hash.Add(buffer.get(), got)) return false;
        if (copy && !WriteAll(copy, reinterpret_cast<const char*>(buffer.get()), got)) return false;
    }
    if (!hash.Hex(out)) return false;
    *size = total;
    return true;
}

bool Sha256Digests::OfFile(const std::string& path, uint64_t* size, std::string* out) const {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return file && OfHandle(file.get(), nullptr, size, out);
}

bool Sha256Digests::OfCopy(const std::string& from, const std::string& to, unsigned long disposition,
                           std::string* out) const {
    // Nobody may write the source while it is copied.
    UniqueFile source(CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) return false;
    UniqueFile copy(CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy) return false;
    FILETIME written;
    uint64_t size = 0;
    return OfHandle(source.get(), copy.get(), &size, out) && GetFileTime(source.get(), nullptr, nullptr, &written) &&
           SetFileTime(copy.get(), nullptr, nullptr, &written);
}

bool Sha256Hex(const std::string& bytes, std::string* out) { return Sha256Digests().OfBytes(bytes, out); }

}  // namespace win
