#include "mkpackage/CopyFile.h"

#include <filesystem>
#include <system_error>

namespace mkpackage {

namespace fs = std::filesystem;

bool CopyKeepingTime(const std::string& from, const std::string& to, std::string* error) {
    std::error_code failed;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, failed);
    if (!failed) {
        fs::file_time_type time = fs::last_write_time(from, failed);
        if (!failed) fs::last_write_time(to, time, failed);
    }
    if (failed) *error = "cannot copy '" + from + "' into the package: " + failed.message();
    return !failed;
}

}  // namespace mkpackage
