// The trace file of the /LOG switch: every trace message of the run, a time stamp in front of
// each of its lines, appended to one file.
#pragma once

#include <string>

// Sends the trace to the file at `path` (made full against the current folder now, so that a
// later change of folder does not move it), kept open for the run. A message that cannot be
// written is lost without a word, as the trace is no part of the run. Returns 0 when the trace
// started, 1639 when the file is one of the program's own logs (trace lines there would break
// the records) or a link or second name of another file, 1622 when it cannot be opened.
int StartTraceLog(const std::string& path);
