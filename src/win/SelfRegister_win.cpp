#include "win/SelfRegister.h"

#include <windows.h>

#include "win/UniqueHandle.h"

namespace {

using RegistrationEntry = HRESULT(STDAPICALLTYPE*)();

// The altered search path makes the loader look for the library's own dependencies in its
// folder first, where an installation puts them.
HRESULT CallRegistrationEntry(const std::string& path, const char* entryName) {
    win::UniqueModule library(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!library) return HRESULT_FROM_WIN32(GetLastError());
    FARPROC address = GetProcAddress(library.get(), entryName);
    if (!address) return HRESULT_FROM_WIN32(GetLastError());
    // GetProcAddress hands out a generic pointer; the entry's real type is fixed by COM.
    auto entry = reinterpret_cast<RegistrationEntry>(reinterpret_cast<void*>(address));
    return entry();
}

bool Succeeded(HRESULT hresult, long* result) {
    if (result) *result = hresult;
    return SUCCEEDED(hresult);
}

}  // namespace

bool RegisterLibrary(const std::string& path, long* result) {
    return Succeeded(CallRegistrationEntry(path, "DllRegisterServer"), result);
}

bool UnregisterLibrary(const std::string& path, long* result) {
    return Succeeded(CallRegistrationEntry(path, "DllUnregisterServer"), result);
}
