#include "win/SecureFolder.h"

#include <windows.h>
#include <sddl.h>

#include "win/Files.h"
#include "win/UniqueHandle.h"

namespace win {

namespace {

// Owner Administrators; SYSTEM and Administrators full control, for the folder and all it
// holds; protected, so that no entry of a parent is inherited.
const char kAdminOnly[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// Every right that lets its holder change the folder or what it holds.
constexpr DWORD kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                GENERIC_ALL | MAXIMUM_ALLOWED;

bool ReadSecurity(const std::string& path, SECURITY_INFORMATION what, std::string* out) {
    DWORD needed = 0;
    GetFileSecurityA(path.c_str(), what, nullptr, 0, &needed);
    out->resize(needed);
    return needed != 0 && GetFileSecurityA(path.c_str(), what, out->data(), needed, &needed);
}

PSID Owner(std::string& descriptor) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted);
    return owner;
}

// SYSTEM, Administrators, and whoever owns the Windows folder: each of them can change the
// system's own files already.
bool Trusted(PSID sid, PSID windowsOwner) {
    return IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
           (windowsOwner && EqualSid(sid, windowsOwner));
}

bool KeepsAccessControl(const std::string& path) {
    DWORD flags = 0;
    return GetVolumeInformationA(path.substr(0, 3).c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & FILE_PERSISTENT_ACLS);
}

}  // namespace

bool MakeAdminOnlyFolder(const std::string& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kAdminOnly, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    UniqueLocal owned(descriptor);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
    return CreateDirectoryA(path.c_str(), &attributes) != FALSE;
}

bool IsAdminOnlyFolder(const std::string& path, std::string* why) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != FILE_ATTRIBUTE_DIRECTORY) {
        *why = "it is no folder, or a link to one";
        return false;
    }
    if (!KeepsAccessControl(path)) {
        *why = "its volume keeps no access control";
        return true;
    }
    std::string descriptor;
    std::string windows;
    PSID windowsOwner = ReadSecurity(WindowsFolder(), OWNER_SECURITY_INFORMATION, &windows) ? Owner(windows) : nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!ReadSecurity(path, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &descriptor) ||
        !GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted) || !present || !dacl) {
        *why = "its access control list cannot be read, or there is none";
        return false;
    }
    PSID owner = Owner(descriptor);
    if (!owner || !Trusted(owner, windowsOwner)) {
        *why = "another account owns it";
        return false;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry)) {
            *why = "its access control list cannot be read";
            return false;
        }
        const ACCESS_ALLOWED_ACE* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        const BYTE type = allowed->Header.AceType;
        // A denying entry takes rights away; any other kind than the two is not understood.
        if (type == ACCESS_DENIED_ACE_TYPE) continue;
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if (type != ACCESS_ALLOWED_ACE_TYPE || ((allowed->Mask & kChangeRights) && !Trusted(sid, windowsOwner))) {
            *why = "its access control list lets another account change it";
            return false;
        }
    }
    return true;
}

}  // namespace win
