#include "win/SystemLibrary.h"

#include "base/Text.h"
#include "win/Files.h"

namespace win {

DWORD RestrictLibrarySearch() {
    // kernel32 is in every process before its first instruction: no search finds it.
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    using SearchFn = BOOL(WINAPI*)(DWORD flags);
    using FolderFn = BOOL(WINAPI*)(LPCSTR folder);
    // GetProcAddress hands out a generic pointer; each entry's real type is the system's.
    auto search = reinterpret_cast<SearchFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (search && search(LOAD_LIBRARY_SEARCH_SYSTEM32)) return 0;
    auto folder = reinterpret_cast<FolderFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (folder && folder("")) return 0;
    return GetLastError();
}

HMODULE LoadSystemLibrary(const char* name) {
    const std::string system = SystemFolder();
    if (system.empty()) return nullptr;
    return LoadLibraryA(text::JoinPath(system, name).c_str());
}

}  // namespace win
