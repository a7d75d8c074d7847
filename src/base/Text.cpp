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
#ifdef _WIN32
    // The system C library's formatter: the texts of the language library are written for
    // it, and MinGW's own printf, which vsnprintf means here, would add 20 KB to the program.
    // It says only that a text did not fit (-1), so the buffer grows until it does: _vscprintf,
    // which would measure it, is an emulation MinGW links for systems whose library lacks it.
    for (std::string text(256, '\0'); text.size() <= (1u << 20); text.resize(text.size() * 2)) {
        va_list attempt;
        va_copy(attempt, args);
        const int n = _vsnprintf(&text[0], text.size(), format, attempt);
        va_end(attempt);
        if (n >= 0 && static_cast<size_t>(n) < text.size()) return text.substr(0, static_cast<size_t>(n));
    }
    return std::string();
#else
    va_list measure;
    va_copy(measure, args);
    int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (needed <= 0) return std::string();
    std::vector<char> buffer(static_cast<size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<size_t>(needed));
#endif
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
        // The limits are constants, so that the 32-bit program needs no 64-bit division.
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (result > UINT64_MAX / 10 || (result == UINT64_MAX / 10 && digit > UINT64_MAX % 10)) return false;
        result = result * 10 + digit;
    }
    *value = result;
    return true;
}

std::string DataFileName(int number) { return Format("%08d", number); }

bool IsFullPath(const std::string& path) {
    const bool letter = !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    const bool driveRooted = path.size() >= 3 && letter && path[1] == ':' && path[2] == '\\';
    return driveRooted || (path.size() > 2 && path[0] == '\\' && path[1] == '\\');
}

std::string ParentFolder(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string FileName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

std::string JsonString(const std::string& value) {
    std::string out = "\"";
    for (const char c : value) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20)
            out += Format("\\u%04x", static_cast<unsigned>(c));
        else
            out += c;
    }
    return out + "\"";
}

std::string JsonStrings(const std::vector<std::string>& values) {
    std::string out;
    for (const std::string& value : values) out += (out.empty() ? "" : ", ") + JsonString(value);
    return "[" + out + "]";
}

}  // namespace text
