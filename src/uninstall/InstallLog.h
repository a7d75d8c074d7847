// The install log: one CR LF line per change, appended the moment the change is made. The
// writer keeps only the current log path; each record opens, seeks, writes and closes.
#pragma once

#include <string>

extern const char kInstallLogName[];  // "install.log"

// Makes `path` the current log (259 characters at most). With truncate, creates the file
// or cuts it to zero length. Failures are not reported.
void SetLogFile(const std::string& path, int truncate);
const std::string& CurrentLogFile();

// Formats one record (510 characters at most) and appends it with CR LF to the current log.
// A record that cannot be written is dropped silently.
void LogRecord(const char* format, ...) __attribute__((format(printf, 1, 2)));

// One "CreateFolder: %s" record for each of the `levels` deepest folders of `folderPath`,
// the outermost first.
void LogNewFolders(const std::string& folderPath, int levels);

// Appends the whole file `from` to `to`, creating `to` when missing. 1 on success, 0 when a
// file cannot be opened or a read or write fails.
int AppendLogFile(const std::string& from, const std::string& to);

// The temporary log: the temporary-files folder + "install.log", or c:\install.log when the
// folder cannot be determined.
std::string TempLogFileName();
