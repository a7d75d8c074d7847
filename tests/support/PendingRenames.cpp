#include "support/PendingRenames.h"

#include "support/UiDriver.h"
#include "win/Registry.h"
#include "win/UniqueHandle.h"

namespace installfile {

namespace {

constexpr char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::vector<std::wstring> ReadStrings() {
    std::vector<std::wstring> strings;
    win::UniqueKey key;
    if (!win::OpenKey(HKEY_LOCAL_MACHINE, kSessionManager, KEY_READ, &key)) return strings;
    DWORD size = 0, type = 0;
    if (RegQueryValueExW(key.get(), kPendingValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return strings;
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
    if (RegQueryValueExW(key.get(), kPendingValue, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return strings;
    // Empty strings are meaningful here (a deletion's target), so split by count, not by the
    // first empty string.
    size_t count = size / sizeof(wchar_t);
    size_t start = 0;
    for (size_t i = 0; i < count; ++i) {
        if (data[i] == L'\0') {
            strings.emplace_back(data.data() + start, i - start);
            start = i + 1;
        }
    }
    if (!strings.empty() && strings.back().empty() && strings.size() % 2 == 1) strings.pop_back();
    return strings;
}

std::string StripNtPrefix(std::string path) {
    bool replace = !path.empty() && path[0] == '!';
    if (replace) path.erase(0, 1);
    if (path.compare(0, 4, "\\??\\") == 0) path.erase(0, 4);
    return replace ? "!" + path : path;
}

bool SamePath(const std::string& stored, const std::string& path) {
    return lstrcmpiA(StripNtPrefix(stored).c_str(), path.c_str()) == 0;
}

}  // namespace

std::vector<RenamePair> PendingRenames() {
    std::vector<RenamePair> pairs;
    std::vector<std::wstring> strings = ReadStrings();
    for (size_t i = 0; i + 1 < strings.size(); i += 2) pairs.emplace_back(Narrow(strings[i]), Narrow(strings[i + 1]));
    return pairs;
}

bool FindPendingRename(const std::string& from, RenamePair* out) {
    for (const RenamePair& pair : PendingRenames()) {
        if (SamePath(pair.first, from)) {
            *out = {StripNtPrefix(pair.first), StripNtPrefix(pair.second)};
            return true;
        }
    }
    return false;
}

void RemovePendingRenames(const std::string& from) {
    std::vector<std::wstring> strings = ReadStrings();
    std::wstring kept;
    bool removed = false;
    for (size_t i = 0; i + 1 < strings.size(); i += 2) {
        if (SamePath(Narrow(strings[i]), from)) {
            removed = true;
            continue;
        }
        kept += strings[i] + L'\0' + strings[i + 1] + L'\0';
    }
    if (!removed) return;
    win::UniqueKey key;
    if (!win::OpenKey(HKEY_LOCAL_MACHINE, kSessionManager, KEY_ALL_ACCESS, &key)) return;
    if (kept.empty()) {
        RegDeleteValueW(key.get(), kPendingValue);
        return;
    }
    kept += L'\0';
    RegSetValueExW(key.get(), kPendingValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                   static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
}

std::string ShortForm(const std::string& path) {
    char buffer[MAX_PATH];
    DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    return std::string(buffer, n);
}

BoxWatcher::BoxWatcher() : thread_(GetCurrentThreadId()) {
    InitializeCriticalSection(&lock_);
    worker_ = CreateThread(nullptr, 0, &BoxWatcher::Run, this, 0, nullptr);
}

BoxWatcher::~BoxWatcher() {
    InterlockedExchange(&stop_, 1);
    if (worker_) {
        WaitForSingleObject(worker_, 10000);
        CloseHandle(worker_);
    }
    DeleteCriticalSection(&lock_);
}

std::vector<SeenBox> BoxWatcher::Boxes() {
    EnterCriticalSection(&lock_);
    std::vector<SeenBox> copy = boxes_;
    LeaveCriticalSection(&lock_);
    return copy;
}

DWORD WINAPI BoxWatcher::Run(void* param) {
    auto* self = static_cast<BoxWatcher*>(param);
    while (!self->stop_) {
        if (HWND found = ui::FindMessageBox(GetCurrentProcessId(), self->thread_)) {
            ui::MessageBoxInfo info;
            ui::ReadMessageBox(found, &info);
            SeenBox box;
            box.caption = info.caption;
            box.text = info.text;
            HICON shown = reinterpret_cast<HICON>(SendDlgItemMessageA(found, 0x440, STM_GETICON, 0, 0));
            box.warningIcon = shown != nullptr && shown == LoadIcon(nullptr, IDI_WARNING);
            EnterCriticalSection(&self->lock_);
            self->boxes_.push_back(box);
            LeaveCriticalSection(&self->lock_);
            PostMessageA(found, WM_COMMAND, IDOK, 0);
            // Wait for it to go before looking again, so one box is not read twice.
            for (int i = 0; i < 200 && IsWindow(found) && IsWindowVisible(found); ++i) Sleep(10);
        }
        Sleep(20);
    }
    return 0;
}

bool TakeBackRestartCopy(const std::string& target) {
    const std::string shortTarget = ShortForm(target);
    const std::string newCopy = shortTarget.substr(0, shortTarget.rfind('.')) + ".new";
    RenamePair pending;
    const bool waits = FindPendingRename(newCopy, &pending);
    RemovePendingRenames(newCopy);
    DeleteFileA(newCopy.c_str());
    return waits;
}

}  // namespace installfile
