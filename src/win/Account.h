// Who the process runs as.
#pragma once

namespace win {

// Whether the process token's user is the local SYSTEM account (S-1-5-18), as deployment
// tools run installers. False, with the system's error code, when the token cannot be read;
// `system` is untouched then.
bool RunsAsSystem(bool* system);

}  // namespace win
