#include "engine/SharedCount.h"

#include <windows.h>

#include "base/RunResult.h"
#include "base/Text.h"
#include "log/InstallLog.h"
#include "log/LogWriter.h"
#include "transaction/Journal.h"
#include "win/Files.h"
#include "win/Registry.h"

namespace {

const char kSharedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

bool ReadCount(HKEY key, const std::string& path, long* count) {
    DWORD value = 0;
    if (!win::ReadDword(key, path.c_str(), &value)) return false;
    *count = static_cast<long>(static_cast<LONG>(value));
    return true;
}

bool WriteCount(HKEY key, const std::string& path, long count) {
    return win::WriteDword(key, path.c_str(), static_cast<DWORD>(static_cast<LONG>(count)));
}

}  // namespace

SharedList::SharedList(Journal* journal, LogWriter* log) : journal_(journal), log_(log) {}

bool SharedList::Open() {
    // Windows owns this key: never created, and without it there is nothing to count.
    if (win::OpenKey(HKEY_LOCAL_MACHINE, kSharedKey, KEY_ALL_ACCESS, &key_)) return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ||
           Fail("SharedCount", "opening the key", std::string("HKLM\\") + kSharedKey, error);
}

bool SharedList::Note(const std::string& path) { return !journal_ || journal_->NoteValue("HKLM", kSharedKey, path); }

void SharedList::LearnNames(size_t lookups) {
    DWORD values = 0;
    DWORD longest = 0;
    if (!key_ || RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, &longest,
                                  nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        values > lookups)
        return;
    std::vector<char> name(longest + 1);
    std::vector<std::string> names;
    for (DWORD index = 0; index < values; ++index) {
        DWORD size = static_cast<DWORD>(name.size());
        if (RegEnumValueA(key_.get(), index, name.data(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return;  // changed meanwhile: every read asks the registry
        names.push_back(text::AsciiUpper(std::string(name.data(), size)));
    }
    names_.Assign(std::move(names));
    namesKnown_ = true;
}

bool SharedList::MayHave(const std::string& path) const {
    if (!namesKnown_) return true;
    // The registry folds the case of every letter; only ASCII is folded here, so other names
    // are asked for.
    for (char c : path)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return names_.Contains(text::AsciiUpper(path));
}

bool SharedList::Read(const std::string& path, long* count) const {
    return key_ && MayHave(path) && ReadCount(key_.get(), path, count);
}

bool SharedList::Modify(const std::string& path, long delta, AtZero atZero) {
    if (!key_) return true;
    // Whatever happens below, the name's presence is no longer known from the list read.
    if (namesKnown_ && !MayHave(path)) names_.Insert(text::AsciiUpper(path));
    long count = 0;
    ReadCount(key_.get(), path, &count);  // a missing or malformed count starts from 0
    // Counts are 32-bit in the registry; compute wide so a corrupt extreme value cannot wrap.
    long long updated = static_cast<long long>(count) + delta;
    if (updated <= 0) {
        if (atZero == AtZero::kRemove)
            return Note(path) && (win::DeleteValue(key_.get(), path.c_str()) ||
                                  Fail("SharedCount", "removing the shared count of", path, GetLastError()));
        updated = 0;
    }
    if (updated > 0x7fffffffLL) updated = 0x7fffffffLL;
    if (!Note(path)) return false;
    if (!WriteCount(key_.get(), path, static_cast<long>(updated)))
        return Fail("SharedCount", "writing the shared count of", path, GetLastError());
    if (log_) log_->Record(kRecordModifyShared, path.c_str(), static_cast<int>(delta));
    return true;
}

bool ReadSharedCount(const std::string& path, long* count) {
    SharedList list(nullptr, nullptr);
    return list.Open() && list.Read(path, count);
}

void SharedList::Ensure(const std::string& path) {
    if (!key_ || !win::FileExists(path)) return;
    long count = 0;
    // Without it the file's count starts from this installation's.
    if (!ReadCount(key_.get(), path, &count) && Note(path) && !WriteCount(key_.get(), path, 1))
        Fail("SharedCount", "writing the shared count of", path, GetLastError(), Failing::kBestEffort);
}
