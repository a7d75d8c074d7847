// Taking an install log back: its records undone from the last to the first, each by the
// operation of its kind.
#pragma once

#include <string>
#include <vector>

// What one replay works with besides the log, and what it hands back.
struct ReplayContext {
    // The uninstall run's own command line: an Application record whose entry was renamed
    // finds the entry by this uninstall command.
    std::string commandLine;
    // The install log replayed. Before a ModifyShared record is undone the log is cut to the
    // records before it, so that a replay killed and run again takes each count once. Empty:
    // the log is not cut.
    std::string logPath;
    // The folder the installation installed into: from it down, and at every folder the log
    // says the installation created, a link (reparse point) is not followed, as the
    // installation made none. Empty: links are not looked for.
    std::string installFolder;

    std::string displayName;               // set when an Application record removed its entry
    std::vector<std::string> foldersLeft;  // created folders that still held something
    std::vector<std::string> atRestart;    // files in use, deleted at the next restart
};

// Undoes the records of a whole log from the last to the first; stops at the first record that
// fails (those after it are undone, it and those before it are not). True when all were undone.
// A record fails when its line is no record, its ModifyShared payload lacks the bar, its
// Application entry can be neither deleted by name nor found, its path leads through a link,
// its file can be neither deleted (read-only ones are) nor scheduled for deletion at the next
// restart (files in use are), its shared count cannot be changed, or the log cannot be cut
// before it. A shared-library list that is there but cannot be opened undoes no record: no
// shared file could be told from one that another product still holds. Folders that cannot be
// removed and failed unregistrations are not failures.
bool ReplayLog(const std::string& log, ReplayContext* context);

// Tries the folders left by a replay again, deepest first: one that has since become empty
// (its install log was deleted, say) goes; one still holding anything stays, and is deleted at
// the next restart when it holds one of the files `atRestart` that wait for it.
void RemoveFoldersLeft(const std::vector<std::string>& folders,
                       const std::vector<std::string>& atRestart = std::vector<std::string>());
