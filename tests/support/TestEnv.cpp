#include "support/TestEnv.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include "win/Files.h"
#include "win/Gdi.h"
#include "win/UniqueHandle.h"

namespace testenv {

std::string BinFolder() {
    std::string path = win::ModulePath(nullptr);
    return path.substr(0, path.find_last_of('\\') + 1);
}

std::string LibraryString(UINT id) {
    win::UniqueModule library(LoadLibraryExA((BinFolder() + "ResENU.DLL").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    char buffer[1024];
    int n = library ? LoadStringA(library.get(), id, buffer, sizeof buffer) : 0;
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

static std::string TestName() {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    if (!info) return "notest";
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/' || c == '\\') c = '_';
    return name;
}

std::string UniqueName(const std::string& prefix) { return prefix + "_" + TestName(); }

namespace {

// The Unix path of `path`, quoted for a command line; empty when Wine does not give one.
std::string UnixPath(const std::string& path) {
    using UnixNameFn = char*(CDECL*)(const wchar_t*);
    const auto unixNameOf = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH];
    char* name =
        unixNameOf && MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) ? unixNameOf(wide) : nullptr;
    const std::string quoted = name ? "\"" + std::string(name) + "\"" : std::string();
    HeapFree(GetProcessHeap(), 0, name);
    return quoted;
}

// Runs a program of the Unix side (Wine runs one as it is, without waiting for it) and waits
// until `done` holds.
template <typename Done>
void RunUnix(const std::string& program, std::string arguments, Done done) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    arguments = program + " " + arguments;
    if (!CreateProcessA(("Z:\\bin\\" + program).c_str(), &arguments[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return;
    win::UniqueKernelHandle thread(process.hThread), waited(process.hProcess);
    for (int i = 0; i < 500 && !done(); ++i) Sleep(10);
}

bool IsLink(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

void DeleteTree(const std::string& path) {
    WIN32_FIND_DATAA data;
    win::UniqueFind find(FindFirstFileA((path + "\\*").c_str(), &data));
    if (find) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            // A link goes, not what it links to; Wine deletes neither kind of its links.
            if (IsLink(child))
                RunUnix("rm", UnixPath(child), [&] { return GetFileAttributesA(child.c_str()) == INVALID_FILE_ATTRIBUTES; });
            else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(find.get(), &data));
    }
    find.reset();
    // Wine lists no link whose target is gone, and deletes none: the Unix side does.
    if (!RemoveDirectoryA(path.c_str()) && GetLastError() == ERROR_DIR_NOT_EMPTY)
        RunUnix("rm", "-rf " + UnixPath(path), [&] { return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

bool LinkFolder(const std::string& link, const std::string& target) {
    // Whole paths: the Unix program runs in a working folder of its own.
    const size_t slash = link.rfind('\\');
    const std::string folder = UnixPath(link.substr(0, slash));
    RunUnix("ln", "-s " + UnixPath(target) + " " + folder.substr(0, folder.size() - 1) + "/" + link.substr(slash + 1) + "\"",
            [&] { return IsLink(link); });
    return IsLink(link);
}

std::string FreshFolder(const std::string& suffix) {
    std::string folder = win::TempFolder() + "st_" + TestName() + suffix;
    DeleteTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    win::UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string ReadFile(const std::string& path) {
    win::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::string();
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
    return bytes;
}

bool CopyFileTo(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool SetFileAge(const std::string& path, int daysAgo) {
    win::UniqueFile file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t;
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= static_cast<ULONGLONG>(static_cast<LONGLONG>(daysAgo) * 24LL * 3600LL * 10000000LL);
    FILETIME when;
    when.dwLowDateTime = t.LowPart;
    when.dwHighDateTime = t.HighPart;
    return SetFileTime(file.get(), nullptr, nullptr, &when) != 0;
}

bool DeleteRegistryTree(HKEY root, const std::string& path) {
    DWORD rc = SHDeleteKeyA(root, path.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

namespace {

// A 24-bit bitmap file: the file and information headers, then the rows bottom-up, each padded
// to a multiple of four bytes.
int BitmapRowBytes(int width) { return (width * 3 + 3) & ~3; }

BITMAPINFOHEADER BitmapInfo24(int width, int height) {
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    return info;
}

std::string BitmapFileHead(int width, int height) {
    BITMAPFILEHEADER file = {};
    const BITMAPINFOHEADER info = BitmapInfo24(width, height);
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(BitmapRowBytes(width) * height);
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    return bytes;
}

}  // namespace

std::string BitmapFileBytes(int width, int height, COLORREF colour) {
    std::string bytes = BitmapFileHead(width, height);
    std::string row(static_cast<size_t>(BitmapRowBytes(width)), '\0');
    for (int x = 0; x < width; ++x) {
        row[x * 3] = static_cast<char>(GetBValue(colour));
        row[x * 3 + 1] = static_cast<char>(GetGValue(colour));
        row[x * 3 + 2] = static_cast<char>(GetRValue(colour));
    }
    for (int y = 0; y < height; ++y) bytes += row;
    return bytes;
}

std::string ScreenBitmapFileBytes(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return "";
    win::WindowDc screen(nullptr);
    if (!screen.get()) return "";
    win::UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
    win::UniqueGdiObject bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    if (!memory || !bitmap) return "";
    {
        win::ScopedSelect select(memory.get(), bitmap.get());
        if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY)) return "";
    }
    BITMAPINFO info = {};
    info.bmiHeader = BitmapInfo24(width, height);
    std::string pixels(static_cast<size_t>(BitmapRowBytes(width)) * static_cast<size_t>(height), '\0');
    if (GetDIBits(memory.get(), static_cast<HBITMAP>(bitmap.get()), 0, static_cast<UINT>(height), &pixels[0], &info,
                  DIB_RGB_COLORS) != height)
        return "";
    return BitmapFileHead(width, height) + pixels;
}

}  // namespace testenv
