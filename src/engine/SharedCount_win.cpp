#include "engine/SharedCount.h"

#include <windows.h>

#include "base/Text.h"
#include "log/InstallLog.h"
#include "log/Journal.h"
#include "win/Files.h"
#include "win/Registry.h"

namespace {

const char kSharedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

bool OpenSharedKey(win::UniqueKey* key) {
    // Windows owns this key: never create it, and count nothing when it is not there.
    return win::OpenKey(HKEY_LOCAL_MACHINE, kSharedKey, KEY_ALL_ACCESS, key);
}

bool ReadCount(HKEY key, const std::string& path, long* count) {
    DWORD value = 0;
    if (!win::ReadDword(key, path.c_str(), &value)) return false;
    *count = static_cast<long>(static_cast<LONG>(value));
    return true;
}

// The count as it was goes into the installation's journal first.
bool WriteCount(HKEY key, const std::string& path, long count) {
    if (!journal::NoteValue("HKLM", kSharedKey, path)) return false;
    return win::WriteDword(key, path.c_str(), static_cast<DWORD>(static_cast<LONG>(count)));
}

}  // namespace

SharedList::SharedList() { OpenSharedKey(&key_); }

bool SharedList::Read(const std::string& path, long* count) const {
    return key_ && ReadCount(key_.get(), path, count);
}

void SharedList::Modify(const std::string& path, long delta, bool removeAtZero, bool log) const {
    if (!key_) return;
    long count = 0;
    ReadCount(key_.get(), path, &count);  // a missing or malformed count starts from 0
    // Counts are 32-bit in the registry; compute wide so a corrupt extreme value cannot wrap.
    long long updated = static_cast<long long>(count) + delta;
    if (updated <= 0) {
        if (removeAtZero) {
            if (journal::NoteValue("HKLM", kSharedKey, path)) RegDeleteValueA(key_.get(), path.c_str());
            return;
        }
        updated = 0;
    }
    if (updated > 0x7fffffffLL) updated = 0x7fffffffLL;
    if (WriteCount(key_.get(), path, static_cast<long>(updated)) && log)
        LogRecord(kRecordModifyShared, path.c_str(), static_cast<int>(delta));
}

bool ReadSharedCount(const std::string& path, long* count) { return SharedList().Read(path, count); }

void EnsureSharedCount(const std::string& path) {
    if (!win::FileExists(path)) return;
    win::UniqueKey key;
    if (!OpenSharedKey(&key)) return;
    long count = 0;
    if (!ReadCount(key.get(), path, &count)) WriteCount(key.get(), path, 1);
}

void ModifySharedCount(const std::string& path, long delta, bool removeAtZero, bool log) {
    SharedList().Modify(path, delta, removeAtZero, log);
}
