// Editing of WinInit.ini's [rename] section on the file's bytes, and the 8.3 names of the
// copies that wait there for the next restart. The editing is portable (RenameSection.cpp);
// the file itself is written by RenameSection_win.cpp.
#pragma once

#include <string>

// How one entry is put into the file: from `offset` on, the file is overwritten with `lead`
// (a section header or a line break the file lacks), the entry line, then `tail` (the file's
// bytes from `offset` to its end, moved behind the entry).
struct RenameEdit {
    size_t offset = 0;
    std::string lead;
    std::string entry;  // "newName=existing\r\n"
    std::string tail;
};

// Plans the entry "newName=existing" for the [rename] section of `content`: the section is
// found case-insensitively at the start of the file or after a CR LF; the entry becomes the
// section's last line; without the section, one is appended.
RenameEdit PlanRenameEntry(const std::string& content, const std::string& newName, const std::string& existing);

// The whole file after the edit.
std::string ApplyRenameEdit(const std::string& content, const RenameEdit& edit);

// The name of the copy that replaces `shortPath` (an 8.3 path) at restart: its folder and base
// name with the extension ".new" for attempt 0, then ".ne1" to ".ne9" and ".n10" to ".n99", so
// two files of one base name get distinct, valid 8.3 names. Empty after the last attempt.
std::string NewCopyName(const std::string& shortPath, int attempt);
constexpr int kNewCopyAttempts = 100;

// `content` without the entry "newName=existing" that PlanRenameEntry put into it; unchanged
// when it holds no such line.
std::string WithoutRenameEntry(const std::string& content, const std::string& newName, const std::string& existing);

// The session manager's PendingFileRenameOperations data (pairs of zero-ended strings, sources
// with their "\??\" prefix) without the pairs whose source is `source` (compared without case);
// empty when no pair is left.
std::string WithoutPendingRename(const std::string& operations, const std::string& source);

// Takes back a replacement scheduled for the next restart: from WinInit.ini at `iniPath`, or
// from the session manager's list when `iniPath` is empty. True when it is no longer scheduled.
bool CancelRestartRename(const std::string& iniPath, const std::string& existing, const std::string& newName);

// The Windows folder + "\WinInit.ini"; empty when the Windows folder cannot be read.
std::string WinInitPath();

// Schedules `newName` to be replaced by `existing` at the next restart through the [rename]
// section of the WinInit.ini at `iniPath`. flags must be MOVEFILE_DELAY_UNTIL_REBOOT (4).
bool WinInitRename(const std::string& iniPath, const std::string& existing, const std::string& newName,
                   unsigned flags);
