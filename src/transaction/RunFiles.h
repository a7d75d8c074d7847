// The folder where runs keep their journals, temporary logs and the wizard's copies of files.
#pragma once

#include <string>

// Where runs keep their journals and temporary logs: "HandheldSetup" in the Windows folder,
// which only the system and administrators can change, made so on first use. An elevated run
// acts on journals found there and nowhere else. A folder of that name that fails the check
// is not used (the trace says why): the next of "HandheldSetup.1" to ".9" that passes, or is
// made now, is. Empty when none can be had.
std::string RunFilesFolder();
// True for `folder` (full, long form) when it is, or may become, the run files folder.
bool IsRunFilesFolder(const std::string& folder);
