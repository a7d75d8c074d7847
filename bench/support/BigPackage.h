// What the benchmarks of whole installations share: the package of 2,000 files of 4 KiB and
// 20 of 8 MiB, the clock, and waiting until the host has written back what earlier parts of a
// run left dirty, so that no timed part pays for another's writes.
#pragma once

#include <windows.h>

#include <string>

#include "support/Package.h"

namespace bench {

constexpr int kFirstData = 3;  // data file of file0.bin; 00000002 is the language library
constexpr int kSmallFiles = 2000;
constexpr int kLargeFiles = 20;
constexpr int kFiles = kSmallFiles + kLargeFiles;

// Lays out the package: every file "file<i>.bin" in the Application section with
// `replaceMode`, its own data file of distinct bytes, the install folder `installFolder`.
// The title is "Bench", the company unique to the run. With `failAtEnd`, a Conduit file whose
// data file is missing makes the installation fail after every Application file is in place.
bool WriteBigPackage(const testenv::Package& package, const std::string& installFolder, int replaceMode,
                     bool failAtEnd = false);

LARGE_INTEGER Now();
double SecondsSince(const LARGE_INTEGER& from);

// Returns once less than 16 MiB of the host's page cache waits to be written (30 s at the most).
void WaitForQuietDisk();

// Runs `commandLine` as its own process once the disk is quiet; the seconds from its start to
// its end, or -1 when it cannot start, does not end within ten minutes or exits with another
// code than `expectedCode`.
double TimeProcess(std::string commandLine, DWORD expectedCode = 0);

}  // namespace bench
