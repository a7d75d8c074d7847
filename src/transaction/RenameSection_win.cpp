#include "transaction/RenameSection.h"

#include <windows.h>

#include <vector>

#include "base/Text.h"
#include "win/Files.h"
#include "win/Registry.h"
#include "win/UniqueHandle.h"

std::string WinInitPath() {
    std::string windows = win::WindowsFolder();
    return windows.empty() ? std::string() : text::JoinPath(windows, "WinInit.ini");
}

bool WinInitRename(const std::string& iniPath, const std::string& existing, const std::string& newName, unsigned flags) {
    if (flags != MOVEFILE_DELAY_UNTIL_REBOOT) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const std::string& path = iniPath;

    if (!win::FileExists(path))
        return WritePrivateProfileStringA("rename", newName.c_str(), existing.c_str(), path.c_str()) != 0;

    // Read sharing only: no other writer may change the file while the section is rewritten.
    win::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE) return false;
    std::vector<char> bytes(size);
    DWORD read = 0;
    if (size > 0 && (!ReadFile(file.get(), bytes.data(), size, &read, nullptr) || read != size)) return false;

    RenameEdit edit = PlanRenameEntry(std::string(bytes.begin(), bytes.end()), newName, existing);
    if (SetFilePointer(file.get(), static_cast<LONG>(edit.offset), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return false;
    for (const std::string& part : {edit.lead, edit.entry, edit.tail})
        if (!part.empty() && !win::WriteAll(file.get(), part.data(), part.size())) return false;
    return true;
}

namespace {

const char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingRenames[] = "PendingFileRenameOperations";

bool CancelPendingRename(const std::string& source) {
    win::UniqueKey key;
    if (!win::OpenKey(HKEY_LOCAL_MACHINE, kSessionManagerKey, KEY_QUERY_VALUE | KEY_SET_VALUE, &key)) return false;
    DWORD type = 0;
    std::string data;
    if (!win::ReadRawValue(key.get(), kPendingRenames, &type, &data)) return true;  // nothing is scheduled
    const std::string kept = WithoutPendingRename(data, source);
    if (kept.size() == data.size()) return true;
    if (kept.empty()) return win::DeleteValue(key.get(), kPendingRenames);
    return win::WriteRawValue(key.get(), kPendingRenames, REG_MULTI_SZ, kept);
}

}  // namespace

bool CancelRestartRename(const std::string& iniPath, const std::string& existing, const std::string& newName) {
    if (iniPath.empty()) return CancelPendingRename(existing);
    std::string content;
    if (!win::ReadWholeFile(iniPath, &content)) return !win::FileExists(iniPath);
    const std::string kept = WithoutRenameEntry(content, newName, existing);
    if (kept.size() == content.size()) return true;
    win::UniqueFile file(
        CreateFileA(iniPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && win::WriteAll(file.get(), kept.data(), kept.size());
}
