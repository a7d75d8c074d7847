// The trace file of the /LOG switch: every trace message of the run, a time stamp in front of
// each of its lines, appended to one file.
#pragma once

#include <string>

// Sends the trace to the file at `path` (made full against the current folder now, so that a
// later change of folder does not move it). The file is opened for each message only; a
// message that cannot be written is lost without a word, as the trace is no part of the run.
// False, and no trace started, when the file is one of the program's own logs: trace lines
// there would break the records.
bool StartTraceLog(const std::string& path);
