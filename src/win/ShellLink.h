// Shell links (.lnk files) through the shell's own object.
#pragma once

#include <string>

// Writes a shell link at `linkPath` that starts `target`, with the target's first icon. S_OK,
// or the HRESULT of the call that failed (a path that does not fit as the system's error). A
// link the shell began to write before a failure may be left at `linkPath`. COM must be
// initialised on the calling thread.
long WriteShellLink(const std::string& target, const std::string& linkPath);
