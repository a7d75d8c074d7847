// winget's manifest set for the package's zip, manifest version 1.10.0: the version file, the
// default-locale file (en-US, the default language library's) and the installer file, in YAML.
// What each field says and why is in Winget.cpp; the README's deployment section shows the set.
#pragma once

#include <string>

#include "mkpackage/Manifest.h"

namespace mkpackage {

struct WingetOptions {
    std::string identifier;  // PackageIdentifier, "Publisher.Package": two to eight parts
    std::string url;         // where the zip will be downloaded from, http or https
};

// What winget's schema refuses in the options (their patterns and lengths), or empty.
std::string WingetOptionsProblem(const WingetOptions& options);

// Before anything is written: false with `error` set when the manifest lacks what the set
// carries (a version, a company and a title of two characters at least, a window title of 3 to
// 256 with its tokens put in), or when `folder` exists and holds anything but YAML files.
bool CheckWinget(const PackagePlan& plan, const std::string& folder, std::string* error);

// Replaces `folder` by one holding "<identifier>.yaml", "<identifier>.locale.en-US.yaml" and
// "<identifier>.installer.yaml", for the zip whose SHA-256 is `zipSha256`. False with `error`
// set when a file cannot be written.
bool WriteWingetManifests(const PackagePlan& plan, const WingetOptions& options, const std::string& zipSha256,
                          const std::string& folder, std::string* error);

}  // namespace mkpackage
