// The rollback journal of one installation: before the installation changes anything on the
// machine it writes down how to put that back, one line per change, so that a failed run and a
// run killed at any instant can both be taken back. It lives beside the run's temporary log and
// is separate from the install log, whose format it leaves alone.
//
// The line format is portable (Journal.cpp); the writer keeps the journal open for the run and
// makes the changes it guards (moving a file aside) in Journal_win.cpp.
#pragma once

#include <string>
#include <vector>

enum class JournalKind {
    kHeader,      // "Journal", version, the run's temporary log
    kNewFile,     // path: a file this run creates
    kAside,       // path, aside: an existing file moved out of the way
    kFolder,      // path: a folder this run creates
    kKey,         // root, key: a registry key this run creates
    kValue,       // root, key, name, state: a registry value as it was ("-": absent)
    kRegistered,  // path: a library this run self-registered
    kRestart,     // new copy, target, place: a replacement scheduled for the next restart
    kGrown,       // path, size: a file this run appends to, and its size before
    kCommitted,   // the installation is complete: only the moved-aside copies are left to delete
};

struct JournalRecord {
    JournalKind kind;
    std::vector<std::string> fields;
};

// One CR LF line: the kind's name and its fields, separated by tabs. Fields may hold any byte:
// "%", tab, CR and LF are written as "%25", "%09", "%0D", "%0A".
std::string FormatJournalLine(const JournalRecord& record);

// The records of a whole journal, oldest first. A line that is no record (a torn last line of
// a killed run) is passed over: it was written before its change, so that change never began.
std::vector<JournalRecord> ParseJournal(const std::string& content);

// A registry value's state as the journal keeps it: "-" for a value that does not exist, else
// its type in decimal, a colon and its data in hex.
std::string EncodeValueState(bool exists, unsigned long type, const std::string& data);
bool DecodeValueState(const std::string& state, bool* exists, unsigned long* type, std::string* data);

// The file names of one run in the run files folder: "SetupRun-<id>.log" for the temporary
// install log and "SetupRun-<id>.journal" beside it.
extern const char kRunFilePrefix[];      // "SetupRun-"
extern const char kJournalExtension[];  // ".journal"
std::string RunLogName(unsigned long id);
std::string RunJournalName(unsigned long id);
// The folder where the wizard of run <id> keeps its copy of the Application files.
std::string RunFilesName(unsigned long id);

namespace journal {

// Where runs keep their journals and temporary logs: "HandheldSetup" in the Windows folder,
// which only the system and administrators can change, made so on first use. An elevated run
// acts on journals found there and nowhere else. A folder of that name that fails the check
// is not used (the trace says why): the next of "HandheldSetup.1" to ".9" that passes, or is
// made now, is. Empty when none can be had.
std::string RunFilesFolder();
// True for `folder` (full, long form) when it is, or may become, the run files folder.
bool IsRunFilesFolder(const std::string& folder);

// Creates the journal at `path` (a new file) and makes it the run's journal; `tempLog` is
// named in its header so that a recovery deletes it too. False when the file cannot be made.
bool Begin(const std::string& path, const std::string& tempLog);
bool Active();
const std::string& Path();

// Each Note... writes its record before the caller makes the change, and is true when it was
// written (or when no journal is active: a change outside an installation is not journaled).
// A false result means the change could not be taken back and must not be made.
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

// Remembers, for this run only, that it made `folder`. A file in such a folder that this run
// has not put there yet cannot exist: InFolderMade is true for it, and nothing needs to be
// looked up or moved aside before it is copied.
void FolderMade(const std::string& folder);
bool InFolderMade(const std::string& path);

enum class Aside { kMoved, kLinked, kMissing, kFailed };
// Moves an existing file out of the way, on its own volume, so that the caller can put a new
// one in its place: kMoved when it was moved, kMissing when there was no file (the caller then
// notes the new file itself), kFailed when it could not be moved (in use) or not be journaled.
// Without an active journal nothing is moved and the result is kMissing.
Aside MoveAside(const std::string& path);

// Where a replacement is prepared: the existing file's second name, and the name the new file
// is written to before it takes the existing one's place.
struct Replacement {
    std::string aside;
    std::string staging;
};
// Like MoveAside, but the existing file stays where it is until PutInPlace: it is kept under a
// second name (a hard link) and the new file is written to `staging` (kLinked). Both live in a
// small folder of the run's beside the file, so that no name is looked up among the many of a
// large folder, which costs Wine a scan of it. A volume without hard links gets MoveAside.
Aside KeepAside(const std::string& path, Replacement* replacement);
// Puts the staged file in the existing one's place; false (the staged file deleted) when that
// cannot be done.
bool PutInPlace(const std::string& path, const Replacement& replacement);

// The install log is written: marks the journal committed, deletes the moved-aside copies and
// the run's folders for them, then the journal. True when the mark was written.
bool Commit();

// Closes the journal without deleting it, for the rollback to read.
void Close();

}  // namespace journal
