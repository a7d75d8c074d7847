#include "win/Files.h"

#include "win/UniqueHandle.h"

namespace win {

bool FindEntry(const std::string& path, WIN32_FIND_DATAA* out) {
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA(path.c_str(), &data));
    if (!find) return false;
    *out = data;
    return true;
}

bool FileExists(const std::string& path) {
    WIN32_FIND_DATAA data;
    return FindEntry(path, &data);
}

bool IsDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {
// Adapts the "returns the length, or the size needed when too small" folder APIs.
template <typename Fn>
std::string QueryFolder(Fn query) {
    char buffer[MAX_PATH];
    UINT n = query(buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    return std::string(buffer, n);
}
}  // namespace

std::string WindowsFolder() {
    return QueryFolder([](char* b, UINT n) { return GetWindowsDirectoryA(b, n); });
}

std::string SystemFolder() {
    return QueryFolder([](char* b, UINT n) { return GetSystemDirectoryA(b, n); });
}

std::string TempFolder() {
    return QueryFolder([](char* b, UINT n) { return static_cast<UINT>(GetTempPathA(n, b)); });
}

std::string ModulePath(HMODULE module) {
    char buffer[MAX_PATH];
    DWORD n = GetModuleFileNameA(module, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    return std::string(buffer, n);
}

}  // namespace win
