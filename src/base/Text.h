// Text helpers shared by every subsystem. Portable: no Windows headers, so the pure parts of
// the program that use them also build natively and can be fuzzed.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include <string_view>

namespace text {

// The fixed-size fields of the script format and of the program's records: a field of
// `limit` characters holds at most limit - 1 of them (the last one was the terminator).
std::string Fit(const std::string& value, size_t limit);

// printf-style formatting into a string of any length. On Windows the system C library
// formats (no %zu; %I64d for 64 bits), and the compiler checks every format against it.
#ifdef _WIN32
#define TEXT_FORMAT_CHECK(fmt, first) __attribute__((format(ms_printf, fmt, first)))
#else
#define TEXT_FORMAT_CHECK(fmt, first) __attribute__((format(printf, fmt, first)))
#endif
std::string Format(const char* format, ...) TEXT_FORMAT_CHECK(1, 2);
std::string FormatV(const char* format, va_list args);

// Joins a path and a name: at most one trailing backslash is removed from the left part and
// exactly one backslash is put before the name.
std::string JoinPath(const std::string& left, const std::string& name);

// Upper-cases the ASCII letters a to z only, as the program's path tests require.
std::string AsciiUpper(std::string value);

// Case-insensitive comparison of ASCII letters.
bool EqualsNoCase(const std::string& a, const std::string& b);

// Reads a size written in decimal digits alone; false for anything else, an empty text or a
// value beyond 64 bits.
bool ParseDecimal(std::string_view digits, uint64_t* value);

// The eight-digit, zero-padded name of a numbered data file ("%08d").
std::string DataFileName(int number);

// The program's path builder: package folder (with its trailing backslash) + file name, in
// the 512 characters of the builder's buffer.
std::string PackageFilePath(const std::string& folder, const std::string& name);

// A full path: drive-rooted ("X:\...") or a network path ("\\server...").
bool IsFullPath(const std::string& path);

// The folder a path names its file or folder in: all before its last backslash; empty when it
// has none.
std::string ParentFolder(const std::string& path);
// The last part of a path: all behind its last backslash; the whole path when it has none.
std::string FileName(const std::string& path);

// `value` as a JSON string: quotes, backslashes and control characters escaped, other bytes as
// they are (the caller converts the whole document from the ANSI code page to UTF-8).
std::string JsonString(const std::string& value);
// The values as a JSON array of strings on one line.
std::string JsonStrings(const std::vector<std::string>& values);

}  // namespace text
