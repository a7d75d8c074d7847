// Self-registration of COM libraries through their exported entries.
#pragma once

#include <string>

// Loads the library with its own folder searched first and calls DllRegisterServer; true
// when the entry exists and returns a success HRESULT (S_FALSE included).
bool RegisterLibrary(const std::string& path);
bool UnregisterLibrary(const std::string& path);
