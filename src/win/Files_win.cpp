#include "win/Files.h"

#include <algorithm>
#include <utility>
#include <vector>

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

bool ReadWholeFile(const std::string& path, std::string* out) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > std::string().max_size())
        return false;
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < content.size()) {
        // ReadFile takes a DWORD count: a file of 4 GiB or more is read in pieces.
        DWORD piece = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 30));
        DWORD read = 0;
        if (!ReadFile(file.get(), &content[done], piece, &read, nullptr) || read == 0) return false;
        done += read;
    }
    *out = std::move(content);
    return true;
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

std::string FullPath(const std::string& path) {
    std::vector<char> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (n == 0) return path;
        if (n < buffer.size()) return std::string(buffer.data(), n);
        buffer.resize(n + 1);
    }
    return path;
}

bool WriteAll(HANDLE file, const char* data, size_t size) {
    DWORD written = 0;
    if (!WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr)) return false;
    // A short write without an error is a full disk.
    if (written == size) return true;
    SetLastError(ERROR_DISK_FULL);
    return false;
}

bool OpenPlainFile(const std::string& path, DWORD access, DWORD share, DWORD disposition, UniqueFile* out) {
    UniqueFile file(CreateFileA(path.c_str(), access, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.get(), &info)) return false;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || info.nNumberOfLinks > 1) {
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return false;
    }
    *out = std::move(file);
    return true;
}

bool DeleteFileForce(const std::string& path) {
    if (DeleteFileA(path.c_str())) return true;
    DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        SetFileAttributesA(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))) {
        if (DeleteFileA(path.c_str())) return true;
        error = GetLastError();
        SetFileAttributesA(path.c_str(), attributes);
    }
    SetLastError(error);
    return false;
}

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool DeleteFileIfPresent(const std::string& path) { return DeleteFileForce(path) || IsMissing(GetLastError()); }

bool DeleteTree(const std::string& path) {
    WIN32_FIND_DATAA entry;
    UniqueFind find(FindFirstFileA((path + "\\*").c_str(), &entry));
    bool whole = true;
    if (find) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            const bool folder = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
            if (folder && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                whole = DeleteTree(child) && whole;
            else
                whole = (folder ? RemoveDirectoryA(child.c_str()) : DeleteFileA(child.c_str())) && whole;
        } while (FindNextFileA(find.get(), &entry));
    }
    find.reset();
    return RemoveDirectoryA(path.c_str()) && whole;
}

}  // namespace win
