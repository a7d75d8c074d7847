// Taking an installation back from its rollback journal: after a failure in the same run, and
// at the next start for a run that was killed. Unlike the uninstaller's replay, a rollback goes
// on past a change it cannot undo, so that as much as possible is put back.
#pragma once

#include <string>
#include <vector>

// Undoes the changes of the journal at `journalPath`, the newest first, then removes the
// folders the run created, deepest first, when they are empty. A journal whose run was
// committed only has its moved-aside copies deleted, and the run's folders that held them. The
// journal and the run's temporary log are deleted when everything was undone; a journal with
// changes left stays for the next start to try again. Returns the number of changes that could not be undone (each is traced).
int RollBack(const std::string& journalPath);

// Puts the file kept aside at `aside` back at `path`, over whatever a run put there; true
// when nothing was kept there (a run killed before it kept the file).
bool PutAsideBack(const std::string& path, const std::string& aside);

// Finds the journals that runs which never finished left in the run files folder and takes
// each back; journals in the user's temporary folder are named in the trace and left alone.
// Returns how many were taken back.
int RecoverInterruptedRuns();

// The order in which folders left behind are tried again: the deepest first, each once (folders
// of one depth keep their order).
std::vector<std::string> RetryOrder(const std::vector<std::string>& folders);
