// Reference counts of shared files under
// HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs. The key belongs to Windows: it is
// opened, never created, and without it (or without the rights to open it) counting does nothing.
#pragma once

#include <string>

#include "base/NameSet.h"
#include "win/UniqueHandle.h"

// The key opened once for a run of many operations (an uninstall's replay): an operation on
// an opened list is one registry call or two, where the functions below add the key's opening
// and closing to each. A list that could not be opened counts nothing, as a missing key does.
class SharedList {
public:
    SharedList();

    // Reads the names of all counts at once when the list holds no more of them than about
    // `lookups` reads would ask for: a path without a count is then known without a registry
    // call. Under Wine every call is a round trip to the server.
    void LearnNames(size_t lookups);

    bool Read(const std::string& path, long* count) const;
    bool Modify(const std::string& path, long delta, bool removeAtZero, bool log);

private:
    // False when the names are known and `path` is certainly not among them.
    bool MayHave(const std::string& path) const;

    win::UniqueKey key_;
    bool namesKnown_ = false;
    NameSet names_;  // upper-cased
};

// True when the key opens and `path` has a REG_DWORD count of exactly 4 bytes.
bool ReadSharedCount(const std::string& path, long* count);

// Writes the count 1 for an existing file that has no readable count.
void EnsureSharedCount(const std::string& path);

// Adds delta; at 0 or below removes the value (removeAtZero) or stores 0. With log, a stored
// change writes "ModifyShared: path|delta". False, traced, when the count cannot be written;
// true without the SharedDLLs key, where nothing is counted.
bool ModifySharedCount(const std::string& path, long delta, bool removeAtZero, bool log);
