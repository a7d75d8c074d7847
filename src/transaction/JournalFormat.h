// The rollback journal of one installation: before the installation changes anything on the
// machine it writes down how to put that back, one line per change, so that a failed run and a
// run killed at any instant can both be taken back. It lives beside the run's temporary log and
// is separate from the install log, whose format it leaves alone.
//
// This is its line format and the names of a run's files, portable; the writer is Journal.h.
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
