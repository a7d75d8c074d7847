// What an installation leaves on the machine, read back: the log as lines, shortcut targets,
// the Programs menu folder and the registry values the installation writes.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "support/SharedDlls.h"
#include "support/TestEnv.h"
#include "win/Registry.h"
#include "win/UniqueHandle.h"

namespace installed {

constexpr char kSelfRegKey[] = "Software\\SetupTests\\SelfReg";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The records of a log; a last line without its CR LF shows up as "<unterminated>...".
inline std::vector<std::string> LogLines(const std::string& path) {
    std::string bytes = testenv::ReadFile(path);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back("<unterminated>" + bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The target a shortcut file points to; empty when it cannot be read.
inline std::string ShortcutTarget(const std::string& linkPath) {
    win::ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())))
        return std::string();
    win::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return std::string();
    wchar_t widePath[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath, MAX_PATH)) return std::string();
    if (FAILED(file->Load(widePath, STGM_READ))) return std::string();
    char target[MAX_PATH] = {};
    if (FAILED(link->GetPath(target, MAX_PATH, nullptr, 0))) return std::string();
    return target;
}

inline std::string ProgramsFolder() {
    std::string programs;
    win::UniqueKey key;
    if (win::OpenKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                     KEY_READ, &key))
        win::ReadString(key.get(), "Programs", MAX_PATH, &programs);
    return programs;
}

// A value of a product's entry in the Windows list of installed programs; empty when missing.
inline std::string RegistryText(HKEY root, const std::string& keyPath, const char* name) {
    std::string value;
    win::UniqueKey key;
    if (win::OpenKey(root, keyPath, KEY_READ, &key)) win::ReadString(key.get(), name, 1024, &value);
    return value;
}
inline std::string UninstallValue(const std::string& displayName, const char* name) {
    return RegistryText(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + displayName, name);
}

// The names in a folder, "." and ".." left out; empty when it is missing or empty.
inline std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    win::UniqueFind find(FindFirstFileA((folder + "\\*").c_str(), &entry));
    if (!find) return names;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find.get(), &entry));
    return names;
}

inline void DeleteValue(HKEY root, const char* keyPath, const std::string& name) {
    win::UniqueKey key;
    if (win::OpenKey(root, keyPath, KEY_SET_VALUE, &key)) RegDeleteValueA(key.get(), name.c_str());
}

inline bool ReadSelfRegValue(const std::string& name, std::string* data) {
    win::UniqueKey key;
    return win::OpenKey(HKEY_CURRENT_USER, kSelfRegKey, KEY_READ, &key) &&
           win::ReadString(key.get(), name.c_str(), MAX_PATH, data);
}

// Registry state and folders a test adds outside its fresh folder, taken away again however
// the test ends.
struct Cleanup {
    std::vector<std::pair<HKEY, std::string>> trees;
    std::vector<std::pair<std::string, std::string>> values;  // HKCU key, value name
    std::vector<std::string> sharedCounts;
    std::vector<std::string> folders;
    std::vector<std::string> files;
    ~Cleanup() {
        for (auto& file : files) DeleteFileA(file.c_str());
        for (auto& value : values) DeleteValue(HKEY_CURRENT_USER, value.first.c_str(), value.second);
        for (auto& path : sharedCounts) DeleteValue(HKEY_LOCAL_MACHINE, sharedkey::kPath, path);
        for (auto& tree : trees) testenv::DeleteRegistryTree(tree.first, tree.second);
        for (auto& folder : folders) testenv::DeleteTree(folder);
    }
};

}  // namespace installed
