#include "startup/Language.h"

#include <windows.h>

#include "base/RunResult.h"
#include "base/Text.h"
#include "state/Messages.h"
#include "win/Files.h"

namespace {

// The package's library replaces the one in the Windows folder when that one is missing or
// older: a newer one, put there by a later package, stays. A missing source goes on to the
// copy, whose failure ends the run.
bool ReplacesInstalled(const std::string& source, const std::string& installed) {
    WIN32_FIND_DATAA sourceEntry;
    WIN32_FIND_DATAA installedEntry;
    if (!win::FindEntry(installed, &installedEntry) || !win::FindEntry(source, &sourceEntry)) return true;
    return CompareFileTime(&sourceEntry.ftLastWriteTime, &installedEntry.ftLastWriteTime) > 0;
}

// Owns the loaded library for the whole process. Constructing it touches the messages' record
// first, so that record outlives this object and the library is freed before it goes away.
class LanguageLibraryLifetime {
public:
    LanguageLibraryLifetime() { static_cast<void>(Language()); }
    ~LanguageLibraryLifetime() { FreeLanguageLibrary(); }
    LanguageLibraryLifetime(const LanguageLibraryLifetime&) = delete;
    LanguageLibraryLifetime& operator=(const LanguageLibraryLifetime&) = delete;
};

LanguageLibraryLifetime g_languageLifetime;

}  // namespace

bool InstallLanguageLibrary(const Project& project, const std::string& programFolder) {
    if (project.languageDllIndex < 0 || project.languageDll.empty())
        return Fail("Language", "finding the script's language library", "", 0);
    std::string source = text::PackageFilePath(programFolder, text::DataFileName(project.languageDllIndex));

    std::string windows = win::WindowsFolder();
    std::string target = text::JoinPath(windows, project.languageDll);
    if (windows.empty() || target.size() >= kPathLimit)
        return Fail("Language", "placing the language library", target, ERROR_FILENAME_EXCED_RANGE);

    if (!ReplacesInstalled(source, target))
        return LoadLanguageLibrary(target) || Fail("Language", "loading", target, GetLastError());

    // Every installed product's uninstall loads the library in the Windows folder, so a damaged
    // one (a truncated download) must never take its place: the package's copy is loaded and
    // checked under a name of its own first, and only then moved over the old one.
    char candidate[MAX_PATH];
    if (!GetTempFileNameA(windows.c_str(), "lng", 0, candidate))
        return Fail("Language", "making a temporary name in", windows, GetLastError());
    // A source on read-only media must not leave a copy that a later package cannot replace.
    bool usable = CopyFileA(source.c_str(), candidate, FALSE) &&
                  SetFileAttributesA(candidate, FILE_ATTRIBUTE_NORMAL) && LoadLanguageLibrary(candidate);
    const DWORD error = GetLastError();
    FreeLanguageLibrary();
    if (!usable) Fail("Language", "copying the package's language library to", candidate, error);
    if (usable && !MoveFileExA(candidate, target.c_str(), MOVEFILE_REPLACE_EXISTING))
        usable = Fail("Language", "moving the checked copy over", target, GetLastError());
    DeleteFileA(candidate);  // left over unless it was moved into place
    return usable && (LoadLanguageLibrary(target) || Fail("Language", "loading", target, GetLastError()));
}
