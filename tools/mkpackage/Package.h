// Lays out a package folder from a read manifest: setup.exe, the main script "00000001", each
// component's script and every data file, each copy keeping its source's modification time.
// The same plan and sources give the same bytes.
#pragma once

#include <string>

#include "mkpackage/Manifest.h"
#include "mkpackage/Trust.h"

namespace mkpackage {

// Every script gets an [Integrity] line per data file it names (DataFileSeal): the plan's
// project and its components get their seals first, taken from the sources, a component's
// script as it will be written. The scripts are read back through the setup program's loader
// before anything is written; a model they would not give back whole is refused. The package
// is built in a temporary folder beside `output` and then put in its place, so an existing
// folder is replaced whole or left as it was. Before anything is written, `output` is refused
// when it is the manifest's folder, holds a manifest, a source or the setup program, or lies
// inside a folder of sources; and when it exists but is neither empty nor a package the tool
// made. The package's setup.exe holds the main script's digest when it has the field for it (a
// signed one must), and is signed when `sign` names a certificate. False with `error` set on
// any fault.
bool WritePackage(PackagePlan& plan, const std::string& setupProgram, const std::string& output,
                  std::string* error, const SignOptions& sign = SignOptions());

// The path beside the package folder `output` that its name with `suffix` gives: "out/" and
// "out" with ".zip" give "out.zip".
std::string BesidePackage(const std::string& output, const std::string& suffix);

// True when `path` is a file the package is made from: a manifest, a source or the setup program.
bool ReadsFile(const PackagePlan& plan, const std::string& setupProgram, const std::string& path);

}  // namespace mkpackage
