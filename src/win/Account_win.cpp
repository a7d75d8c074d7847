#include "win/Account.h"

#include <windows.h>

#include "win/UniqueHandle.h"

namespace win {

bool RunsAsSystem(bool* system) {
    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    // A TOKEN_USER with the SID behind it; SECURITY_MAX_SID_SIZE is the largest a SID can be.
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } info;
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenUser, &info, sizeof(info), &size)) return false;
    *system = IsWellKnownSid(info.user.User.Sid, WinLocalSystemSid) != FALSE;
    return true;
}

}  // namespace win
