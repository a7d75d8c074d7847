// Taking an install log back: its records undone from the last to the first, each by the
// operation of its kind. The ordering rules are portable (LogReplay.cpp); the undo operations
// touch the machine (LogReplay_win.cpp).
#pragma once

#include <string>
#include <vector>

// What one replay works with besides the log, and what it hands back.
struct ReplayContext {
    // The uninstall run's own command line: an Application record whose entry was renamed
    // finds the entry by this uninstall command.
    std::string commandLine;

    std::string displayName;               // set when an Application record removed its entry
    std::vector<std::string> foldersLeft;  // created folders that still held something
};

// Undoes the records of a whole log from the last to the first; stops at the first record that
// fails (those after it are undone, it and those before it are not). True when all were undone.
// A record fails when its line is no record, its ModifyShared payload lacks the bar, or its
// Application entry can be neither deleted by name nor found. Files, shortcuts and folders that
// cannot be deleted, and failed unregistrations, are not failures.
bool ReplayLog(const std::string& log, ReplayContext* context);

// The order in which folders left by a replay are tried again: the deepest first, each once.
std::vector<std::string> RetryOrder(const std::vector<std::string>& folders);

// Tries the folders left by a replay again, deepest first: one that has since become empty
// (its install log was deleted, say) goes; one still holding anything stays.
void RemoveFoldersLeft(const std::vector<std::string>& folders);
