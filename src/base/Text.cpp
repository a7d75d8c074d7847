#include "base/Text.h"

#include <cstdio>
#include <vector>

namespace text {

std::string Fit(const std::string& value, size_t limit) {
    if (limit == 0) return std::string();
    if (value.size() < limit) return value;
    return value.substr(0, limit - 1);
}

std::string FormatV(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
#ifdef _WIN32
    // The system C library's formatter: the texts of the language library are written for
    // it, and MinGW's own printf, which vsnprintf means here, would add 20 KB to the program.
    int needed = _vscprintf(format, measure);
#else
    int needed = std::vsnprintf(nullptr, 0, format, measure);
#endif
    va_end(measure);
    if (needed <= 0) return std::string();
    std::vector<char> buffer(static_cast<size_t>(needed) + 1);
#ifdef _WIN32
    _vsnprintf(buffer.data(), buffer.size(), format, args);
#else
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
#endif
    return std::string(buffer.data(), static_cast<size_t>(needed));
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string result = FormatV(format, args);
    va_end(args);
    return result;
}

std::string JoinPath(const std::string& left, const std::string& name) {
    std::string result = left;
    if (!result.empty() && result.back() == '\\') result.pop_back();
    result += '\\';
    result += name;
    return result;
}

std::string AsciiUpper(std::string value) {
    for (char& c : value)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return value;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && AsciiUpper(a) == AsciiUpper(b);
}

std::string PackageFilePath(const std::string& folder, const std::string& name) { return Fit(folder + name, 512); }

bool ParseDecimal(std::string_view digits, uint64_t* value) {
    if (digits.empty()) return false;
    uint64_t result = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        // Exact: every number up to UINT64_MAX, which the script writer may write, reads back.
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (result > (UINT64_MAX - digit) / 10) return false;
        result = result * 10 + digit;
    }
    *value = result;
    return true;
}

std::string DataFileName(int number) { return Format("%08d", number); }

}  // namespace text
