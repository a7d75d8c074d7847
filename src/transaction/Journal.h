// The rollback journal's writer: kept open for the run, it makes the changes it guards (moving
// a file aside, keeping a second name).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/NameSet.h"
#include "transaction/JournalFormat.h"
#include "win/UniqueHandle.h"


// The rollback journal of one installation, owned by the run that changes the machine: every
// step of an installation takes it, so none can change anything unjournaled. Its owner takes
// the run back unless it committed: explicitly (TakeBack) where the caller must know the
// outcome before it says so, and otherwise when the journal goes.
class Journal {
public:
    Journal() = default;
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Creates the journal at `path` (a new file); `tempLog` is named in its header so that a
    // recovery deletes it too. False when the file cannot be made.
    bool Begin(const std::string& path, const std::string& tempLog);

    // Each Note... writes its record before the caller makes the change, and is true when it
    // was written. A false result means the change could not be taken back and must not be made.
    bool NoteNewFile(const std::string& path);
    bool NoteFolder(const std::string& path);
    bool NoteRegistered(const std::string& path);
    bool NoteRestart(const std::string& newCopy, const std::string& target, const std::string& place);
    // Notes the file's current size (a new file when it does not exist yet).
    bool NoteGrowth(const std::string& path);
    // Notes the key when it does not exist yet; `root` is "HKLM" or "HKCU".
    bool NoteKey(const std::string& root, const std::string& key);
    // Notes the value as it is now, the first time this run touches it.
    bool NoteValue(const std::string& root, const std::string& key, const std::string& name);

    // Remembers that this run made `folder`. A file in such a folder that this run has not put
    // there yet cannot exist: InFolderMade is true for it, and nothing needs to be looked up or
    // moved aside before it is copied.
    void FolderMade(const std::string& folder);
    bool InFolderMade(const std::string& path) const;

    enum class Aside { kMoved, kLinked, kMissing, kFailed };
    // Moves an existing file out of the way, on its own volume, so that the caller can put a
    // new one in its place: kMoved when it was moved, kMissing when there was no file (the
    // caller then notes the new file itself), kFailed when it could not be moved (in use) or
    // not be journaled.
    Aside MoveAside(const std::string& path);
    // Undoes the MoveAside of `path` now, for a step that cannot finish what it began: the
    // kept file goes back over whatever was put in its place, and the commit leaves it alone.
    // False, traced, when it cannot be put back.
    bool PutBack(const std::string& path);

    // Where a replacement is prepared: the existing file's second name, and the name the new
    // file is written to before it takes the existing one's place.
    struct Replacement {
        std::string aside;
        std::string staging;
    };
    // Like MoveAside, but the existing file stays where it is until PutInPlace: it is kept
    // under a second name (a hard link) and the new file is written to `staging` (kLinked).
    // Both live in a small folder of the run's beside the file, so that no name is looked up
    // among the many of a large folder, which costs Wine a scan of it. A volume without hard
    // links gets MoveAside.
    Aside KeepAside(const std::string& path, Replacement* replacement);
    // Puts the staged file in the existing one's place; false (the staged file deleted) when
    // that cannot be done.
    bool PutInPlace(const std::string& path, const Replacement& replacement);

    // The install log is written: marks the journal committed, deletes the moved-aside copies
    // and the run's folders for them, then the journal. True when the mark was written.
    bool Commit();

    // Undoes the run now (see RollBack) and returns the number of changes that could not be
    // undone; 0 for a journal never begun or already committed.
    int TakeBack();

private:
    bool Write(JournalKind kind, std::vector<std::string> fields);
    bool MakeRunFolder(const std::string& path);
    std::string ShardName(const std::string& path, char prefix);
    void Close();

    // The run's folders for kept and staged files, one per destination folder, a new one
    // every so many names; removed at the commit, the last made first.
    struct Shard {
        std::string folder;  // upper-cased destination folder
        std::string root;    // its run folder, holding the shards
        std::string path;    // the shard in use
        unsigned count;      // shards made so far
        int used;            // names taken in the shard in use
    };

    win::UniqueFile file_;
    std::string path_;
    bool committed_ = false;
    // Files moved or linked aside, each with its kept copy: the copies are deleted at the commit.
    std::vector<std::pair<std::string, std::string>> asides_;
    NameSet notedValues_;                   // values already noted this run, upper-cased
    std::vector<std::string> madeFolders_;  // folders this run made, upper-cased
    std::vector<Shard> shards_;
    std::vector<std::string> shardFolders_;
    NameSet madeFiles_;  // files this run put into them, upper-cased
    unsigned long asideCount_ = 0;
};
