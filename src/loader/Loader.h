// Registration of installed handheld descriptor files (".ALX") with the desktop loader,
// under HKCU\Software\Research In Motion\BlackBerry\Loader\Packages (opened, never created).
#pragma once

#include <string>

enum LoaderResult : int {
    kLoaderOk = 0,
    kLoaderKeyMissing = 1,
    kLoaderPackagesMissing = 2,
    kLoaderValueFailed = 3,
};

// Reads a value of the Packages key into at most `limit` bytes; `out` is emptied first.
int ReadLoaderPackage(const std::string& name, std::string* out, size_t limit);
int WriteLoaderPackage(const std::string& name, const std::string& value);

// Enters every installed descriptor file of the current project and of its selected
// components. Always non-zero.
int RegisterAlxFiles();
