// The package as one zip file, for deployment tools that download a single file. The same
// package and SOURCE_DATE_EPOCH give the same bytes: the times, attributes and order of the
// entries come from nothing else.
#pragma once

#include <string>

namespace mkpackage {

// Writes every file of the package folder `folder` into the zip at `zipPath`, at its root, in
// the order of their names, deflated, each with the time SOURCE_DATE_EPOCH names (in UTC; a
// time before 1980, the first a zip holds, and no SOURCE_DATE_EPOCH give 1980-01-01 00:00) and a
// plain file's attributes. libzip writes it under a temporary name and renames it into place.
// Then `sha256` gets its SHA-256 as 64 lower-case hex digits. False with `error` set on any
// fault, a SOURCE_DATE_EPOCH that is no number of seconds or lies beyond 2107 included.
bool WritePackageZip(const std::string& folder, const std::string& zipPath, std::string* sha256, std::string* error);

}  // namespace mkpackage
