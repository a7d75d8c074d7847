// The system half of the token expansion: folder lookups, the registry and the path checks.
#include "script/PathTokens.h"

#include <windows.h>

#include <vector>

#include "script/ValueSyntax.h"
#include "win/Registry.h"

namespace {


using FolderQuery = UINT(WINAPI*)(LPSTR, UINT);

// The folder must fit in `room` characters together with its terminator: the API's answer is
// asked with exactly that buffer size.
bool SystemFolderInRoom(FolderQuery query, size_t room, std::string* value) {
    std::vector<char> buffer(room + 1, '\0');
    UINT length = query(buffer.data(), static_cast<UINT>(room));
    if (length == 0 || length > room) return false;
    value->assign(buffer.data(), length);
    return true;
}


// The path need not exist; only a name the file system rejects outright fails.
bool PathIsAcceptable(const std::string& path) {
    SetLastError(0);
    GetFileAttributesA(path.c_str());
    return GetLastError() != ERROR_BAD_PATHNAME;
}

}  // namespace

bool ExpandPath(const Project& project, const std::string& text, std::string* out, const std::string* installFolder,
                size_t limit) {
    auto source = [&](PathToken token, size_t room, std::string* value) {
        switch (token) {
            case PathToken::WinDir:
                return SystemFolderInRoom(GetWindowsDirectoryA, room, value);
            case PathToken::SysDir:
                return SystemFolderInRoom(GetSystemDirectoryA, room, value);
            case PathToken::ProgramFilesDir:
                return win::ReadProgramFilesFolder(room, value);  // with its terminator
            case PathToken::InstallDir:
                if (!installFolder) return false;
                *value = *installFolder;
                return true;
            default:
                return ProjectTokenValue(project, token, value);
        }
    };
    std::string expanded;
    if (!ExpandTokens(text, false, limit, source, &expanded)) return false;
    CleanBackslashes(&expanded);
    if (!PathIsAcceptable(expanded)) return false;
    *out = std::move(expanded);
    return true;
}

bool ResolveShortcutFolder(const Project& project, std::string* out, size_t limit, const std::string& programs) {
    if (limit == 0) return false;
    std::string folder = programs;
    win::UniqueKey key;
    if (!folder.empty() || win::OpenKey(HKEY_CURRENT_USER, win::kShellFoldersKey, KEY_QUERY_VALUE, &key)) {
        // A key without a readable "Programs" text gives no folder to start from.
        if (key && !win::ReadString(key.get(), "Programs", limit, &folder)) return false;
        key.reset();
        // The backslash must still fit before the terminator.
        if (folder.size() + 1 > limit - 1) return false;
        folder += '\\';
    }
    std::string menuPath;
    if (!ExpandTitleTokens(project, project.defShortcutDir, &menuPath, limit - folder.size())) return false;
    folder += menuPath;
    CleanBackslashes(&folder);
    if (!PathIsAcceptable(folder)) return false;
    *out = std::move(folder);
    return true;
}

bool CheckLaunchCommand(const Project& project, const std::string& text, std::string* out,
                        const std::string& installFolder, size_t limit) {
    std::string command;
    if (!ExpandPath(project, text, &command, &installFolder, limit) || command.empty()) return false;
    *out = command;
    // A quoted program name is tested without its quotes and without the parameters behind it.
    std::string tested;
    script::Cursor cursor(command);
    if (!cursor.ReadQuoted(kPathLimit, &tested)) tested = command;
    SetLastError(0);
    GetFileAttributesA(tested.c_str());
    DWORD error = GetLastError();
    return error != ERROR_INVALID_NAME && error != ERROR_BAD_PATHNAME;
}
