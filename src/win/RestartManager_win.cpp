#include "win/RestartManager.h"

#include <windows.h>
#include <restartmanager.h>

#include "win/SystemLibrary.h"
#include "win/UniqueHandle.h"

namespace win {

namespace {

// Looked up, not imported: systems before Vista have no Restart Manager.
struct RestartManagerEntries {
    decltype(&RmStartSession) start = nullptr;
    decltype(&RmRegisterResources) add = nullptr;
    decltype(&RmGetList) list = nullptr;
    decltype(&RmShutdown) shutdown = nullptr;
    decltype(&RmRestart) restart = nullptr;
    decltype(&RmEndSession) end = nullptr;
};

template <typename Entry>
void Look(HMODULE library, const char* name, Entry* entry) {
    // GetProcAddress hands out a generic pointer; the entry's real type is the header's.
    *entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

const RestartManagerEntries* Entries() {
    static UniqueModule library(LoadSystemLibrary("rstrtmgr.dll"));
    static RestartManagerEntries entries;
    if (library && !entries.end) {
        Look(library.get(), "RmStartSession", &entries.start);
        Look(library.get(), "RmRegisterResources", &entries.add);
        Look(library.get(), "RmGetList", &entries.list);
        Look(library.get(), "RmShutdown", &entries.shutdown);
        Look(library.get(), "RmRestart", &entries.restart);
        Look(library.get(), "RmEndSession", &entries.end);
    }
    const bool all = entries.start && entries.add && entries.list && entries.shutdown && entries.restart && entries.end;
    return all ? &entries : nullptr;
}

// A session with `files` registered; false when there is none to be had.
bool Begin(const RestartManagerEntries& rm, const std::vector<std::string>& files, DWORD* session) {
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (rm.start(session, 0, key) != ERROR_SUCCESS) return false;
    // One file at a time: a session takes as many registrations as it is given.
    for (const std::string& file : files) {
        WCHAR name[MAX_PATH];
        LPCWSTR names[] = {name};
        if (MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, name, MAX_PATH) == 0 ||
            rm.add(*session, 1, names, 0, nullptr, 0, nullptr) != ERROR_SUCCESS) {
            rm.end(*session);
            return false;
        }
    }
    return true;
}

}  // namespace

RestartManager::~RestartManager() {
    if (open_) Entries()->end(closing_);
}

std::vector<std::string> RestartManager::Holding(const std::string& file) {
    std::vector<std::string> names;
    const RestartManagerEntries* rm = Entries();
    DWORD session = 0;
    if (!rm || !Begin(*rm, {file}, &session)) return names;
    RM_PROCESS_INFO found[8];
    UINT needed = 0;
    UINT count = 8;
    DWORD reasons = 0;
    const DWORD listed = rm->list(session, &needed, &count, found, &reasons);
    // More holders than fit are named as far as they fit.
    if (listed == ERROR_SUCCESS || listed == ERROR_MORE_DATA) {
        for (UINT i = 0; i < count && i < 8; ++i) {
            char name[CCH_RM_MAX_APP_NAME + 1];
            if (WideCharToMultiByte(CP_ACP, 0, found[i].strAppName, -1, name, sizeof name, nullptr, nullptr) > 1)
                names.push_back(name);
        }
    }
    rm->end(session);
    return names;
}

bool RestartManager::Close(const std::vector<std::string>& files) {
    const RestartManagerEntries* rm = Entries();
    if (!rm || open_) return false;
    DWORD session = 0;
    if (!Begin(*rm, files, &session)) return false;
    closing_ = session;
    open_ = true;
    return rm->shutdown(session, 0, nullptr) == ERROR_SUCCESS;
}

void RestartManager::RestartClosed() {
    if (!open_) return;
    Entries()->restart(closing_, 0, nullptr);
    Entries()->end(closing_);
    open_ = false;
}

}  // namespace win
