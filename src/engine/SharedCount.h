// Reference counts of shared files under
// HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs. The key belongs to Windows: it is
// opened, never created, and without it counting does nothing. A key that is there but cannot be
// opened hides the counts other products hold, and fails whoever needs one.
#pragma once

#include <string>

#include "base/NameSet.h"
#include "win/UniqueHandle.h"

class Journal;
class LogWriter;

// What a count that falls to 0 becomes: removed, or stored as 0.
enum class AtZero { kRemove, kKeep };

// The key opened once for a run of many operations (an uninstall's replay): an operation on
// an opened list is one registry call or two.
class SharedList {
public:
    // `journal` notes each count before it changes and `log` records each change made
    // ("ModifyShared: path|delta"). The uninstall's replay passes neither: it is not taken back
    // and records nothing.
    SharedList(Journal* journal, LogWriter* log);

    // Opens the key, before any other operation. True when it opened or is not there (nothing
    // is counted then); false, traced with the key and the registry's code, for any other
    // reason it cannot be opened.
    bool Open();

    // Reads the names of all counts at once when the list holds no more of them than about
    // `lookups` reads would ask for: a path without a count is then known without a registry
    // call. Under Wine every call is a round trip to the server.
    void LearnNames(size_t lookups);

    // True when `path` has a REG_DWORD count of exactly 4 bytes.
    bool Read(const std::string& path, long* count) const;
    // Adds delta; at 0 or below removes the value or stores 0. False, traced, when the count
    // cannot be noted in the journal, written or removed; true without the SharedDLLs key,
    // where nothing is counted.
    bool Modify(const std::string& path, long delta, AtZero atZero);
    // Writes the count 1 for an existing file that has no readable count; best effort.
    void Ensure(const std::string& path);

private:
    // False when the names are known and `path` is certainly not among them.
    bool MayHave(const std::string& path) const;
    // The count as it is goes into the installation's journal before it changes.
    bool Note(const std::string& path);

    Journal* journal_;
    LogWriter* log_;
    win::UniqueKey key_;
    bool namesKnown_ = false;
    NameSet names_;  // upper-cased
};

// SharedList's Open and Read, for one path.
bool ReadSharedCount(const std::string& path, long* count);
