// Test help for file replacement: the session manager's pending renames, and a watcher that
// reads and closes the message boxes this process shows.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace installfile {

using RenamePair = std::pair<std::string, std::string>;  // from, to (to: "!" prefix = replace)

// PendingFileRenameOperations as pairs of narrow strings, "\??\" prefixes kept.
std::vector<RenamePair> PendingRenames();

// Removes the pairs whose source is `from` (compared without case, after "\??\").
void RemovePendingRenames(const std::string& from);

// The entry for `from`, if any, with "\??\" stripped from both sides and the replace mark kept.
bool FindPendingRename(const std::string& from, RenamePair* out);

// The 8.3 form of a path; empty when there is none.
std::string ShortForm(const std::string& path);

// Whether the ".new" copy of the shared file `target` waits for the next restart to replace
// it; the pending rename and the copy are taken away either way.
bool TakeBackRestartCopy(const std::string& target);

struct SeenBox {
    std::string caption;
    std::string text;
    bool warningIcon = false;
};

// Closes every message box the calling thread shows while the watcher lives, with OK, and
// keeps what it saw.
class BoxWatcher {
public:
    BoxWatcher();
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;
    std::vector<SeenBox> Boxes();

private:
    static DWORD WINAPI Run(void* self);
    DWORD thread_;
    HANDLE worker_ = nullptr;
    volatile LONG stop_ = 0;
    CRITICAL_SECTION lock_;
    std::vector<SeenBox> boxes_;
};

}  // namespace installfile
