#include "startup/Language.h"

#include <windows.h>

#include "base/Text.h"
#include "engine/InstallFile.h"
#include "state/Messages.h"
#include "state/SetupState.h"
#include "win/Files.h"

namespace {

// The library is our own resource file: replacing an older copy needs no question.
bool AlwaysReplace(const char* /*destination*/) { return true; }

// Owns the loaded library for the whole process. Constructing it touches the run-wide state
// first, so that state outlives this object and the library is freed before it goes away.
class LanguageLibraryLifetime {
public:
    LanguageLibraryLifetime() { Setup().language = LanguageLibrary(); }
    ~LanguageLibraryLifetime() { FreeLanguageLibrary(); }
    LanguageLibraryLifetime(const LanguageLibraryLifetime&) = delete;
    LanguageLibraryLifetime& operator=(const LanguageLibraryLifetime&) = delete;
};

LanguageLibraryLifetime g_languageLifetime;

}  // namespace

bool InstallLanguageLibrary(const Project& project) {
    if (project.languageDllIndex < 0) return false;
    std::string source = DataFilePath(project.languageDllIndex);

    std::string windows = win::WindowsFolder();
    if (windows.empty() || project.languageDll.empty()) return false;
    std::string target = text::JoinPath(windows, project.languageDll);
    if (target.size() >= kPathLimit) return false;

    if (!InstallFile(source, target, kReplaceOlder, AlwaysReplace, false, false)) return false;
    return LoadLanguageLibrary(target);
}
