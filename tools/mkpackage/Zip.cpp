#include "mkpackage/Zip.h"

#include <zip.h>

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <set>
#include <string_view>

#include "mkpackage/Digest.h"

namespace mkpackage {

namespace fs = std::filesystem;

namespace {

using Archive = std::unique_ptr<zip_t, decltype(&zip_discard)>;
using Source = std::unique_ptr<zip_source_t, decltype(&zip_source_free)>;

// FILE_ATTRIBUTE_ARCHIVE, what Windows gives every new file.
constexpr zip_uint32_t kPlainFile = 0x20;

// A zip holds local times of the MS-DOS kind: 2-second steps from 1980 to 2107.
struct DosTime {
    zip_uint16_t time = 0;
    zip_uint16_t date = (1 << 5) | 1;  // 1980-01-01
};

// SOURCE_DATE_EPOCH as UTC, so that the bytes do not depend on the machine's time zone.
bool EntryTime(DosTime* out, std::string* error) {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (!epoch) return true;
    const std::string_view text(epoch);
    long long seconds = 0;
    const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    std::tm utc{};
    const std::time_t time = static_cast<std::time_t>(seconds);
    if (text.empty() || fault != std::errc() || end != text.data() + text.size() || !gmtime_r(&time, &utc) ||
        utc.tm_year > 2107 - 1900) {
        *error = "SOURCE_DATE_EPOCH must be a number of seconds since 1970 up to the end of 2107, not '" +
                 std::string(text) + "'";
        return false;
    }
    if (utc.tm_year < 1980 - 1900) return true;
    out->date = static_cast<zip_uint16_t>(((utc.tm_year - 80) << 9) | ((utc.tm_mon + 1) << 5) | utc.tm_mday);
    out->time = static_cast<zip_uint16_t>((utc.tm_hour << 11) | (utc.tm_min << 5) | (utc.tm_sec / 2));
    return true;
}

// libzip's text for the error code zip_open gives.
class OpenError {
public:
    explicit OpenError(int code) { zip_error_init_with_code(&error_, code); }
    ~OpenError() { zip_error_fini(&error_); }
    OpenError(const OpenError&) = delete;
    OpenError& operator=(const OpenError&) = delete;
    const char* Text() { return zip_error_strerror(&error_); }

private:
    zip_error_t error_;
};

}  // namespace

bool WritePackageZip(const std::string& folder, const std::string& zipPath, std::string* sha256, std::string* error) {
    DosTime when;
    if (!EntryTime(&when, error)) return false;
    std::set<std::string> names;
    std::error_code failed;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, failed))
        if (entry.is_regular_file(failed)) names.insert(entry.path().filename().string());
    if (failed) {
        *error = "cannot list the package '" + folder + "': " + failed.message();
        return false;
    }
    int code = 0;
    Archive archive(zip_open(zipPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code), &zip_discard);
    if (!archive) {
        *error = "cannot write '" + zipPath + "': " + OpenError(code).Text();
        return false;
    }
    zip_t* zip = archive.get();
    for (const std::string& name : names) {
        const std::string path = (fs::path(folder) / name).string();
        // Length 0: the whole file, read when the archive is closed.
        Source source(zip_source_file_create(path.c_str(), 0, 0, nullptr), &zip_source_free);
        const zip_int64_t index = source ? zip_file_add(zip, name.c_str(), source.get(), 0) : -1;
        if (index >= 0) source.release();  // the archive owns it now
        const zip_uint64_t at = static_cast<zip_uint64_t>(index);
        if (index < 0 || zip_set_file_compression(zip, at, ZIP_CM_DEFLATE, 9) != 0 ||
            zip_file_set_dostime(zip, at, when.time, when.date, 0) != 0 ||
            zip_file_set_external_attributes(zip, at, 0, ZIP_OPSYS_DOS, kPlainFile) != 0) {
            *error = "cannot add '" + path + "' to '" + zipPath + "': " + zip_strerror(zip);
            return false;
        }
    }
    if (zip_close(zip) != 0) {
        *error = "cannot write '" + zipPath + "': " + zip_strerror(zip);
        return false;
    }
    archive.release();  // zip_close freed it
    uint64_t size = 0;
    if (FileSha256Hex(zipPath, &size, sha256)) return true;
    *error = "cannot read '" + zipPath + "' to take its SHA-256";
    return false;
}

}  // namespace mkpackage
