// The trace sink: operation traces such as "DoInstall::Complete!\n". Discarded unless a sink
// is installed (the /LOG switch installs one that writes a file); nothing of them reaches the
// user.
#pragma once

#include <string>

void Trace(const char* message);
using TraceSink = void (*)(const char* message);
void SetTraceSink(TraceSink sink);

// A message as lines of a trace file: every line of it behind `stamp`, each ended by CR LF.
// A message's own line ends (LF or CR LF) separate its lines; a message without a final line
// end still makes a whole line, and an empty message none.
std::string StampTraceLines(const std::string& stamp, const char* message);
