// Self-registration of COM libraries through their exported entries.
#pragma once

#include <string>

// Loads the library with its own folder searched first and calls DllRegisterServer; true
// when the entry exists and returns a success HRESULT (S_FALSE included). On failure
// `result`, when given, receives the entry's HRESULT, or the loader's error as an HRESULT
// when the library or its entry cannot be had.
bool RegisterLibrary(const std::string& path, long* result = nullptr);
bool UnregisterLibrary(const std::string& path, long* result = nullptr);
