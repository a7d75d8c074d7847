#include "startup/Startup.h"

#include "startup/Messages.h"
#include "startup/SetupState.h"
#include "win/Files.h"
#include "win/Text.h"
#include "win/UniqueHandle.h"

namespace {

const char kScriptName[] = "00000001";

// Steps 3 and 5: the full command line and the program folder. False when the program's own
// path cannot be read.
bool RecordCommandLineAndFolder(const char* arguments) {
    SetupState& state = Setup();
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string modulePath(path, n < MAX_PATH ? n : 0);
    state.commandLine = text::Fit(modulePath + " " + text::Fit(arguments, kMaxPathLimit + 1), kMaxPathLimit);

    Trace("-------------------------------------------\n");
    Trace("-         core Setup.exe started          -\n");
    Trace("-------------------------------------------\n");

    // The program folder is read with a limit of 128 characters: a longer path is cut to
    // 127, and the folder is taken from the cut text.
    char folder[kProgramFolderLimit];
    n = GetModuleFileNameA(nullptr, folder, kProgramFolderLimit);
    if (n == 0) return false;
    if (n >= kProgramFolderLimit) n = kProgramFolderLimit - 1;
    std::string cut(folder, n);
    state.programPath = text::Fit(modulePath.empty() ? cut : modulePath, kMaxPathLimit);
    size_t slash = cut.find_last_of('\\');
    state.programFolder = slash == std::string::npos ? std::string() : cut.substr(0, slash + 1);
    return true;
}

}  // namespace

int RunSetup(HINSTANCE /*instance*/, const char* arguments) {
    if (!arguments) arguments = "";
    SetupState& state = Setup();

    SetErrorMode(SEM_FAILCRITICALERRORS);
    // The licence page's rich-edit control lives in this library; a failure is not fatal.
    win::UniqueModule richEdit(LoadLibraryA("RICHED32.DLL"));

    if (!RecordCommandLineAndFolder(arguments)) return -1;

    state.mainProject.Reset();
    state.current = &state.mainProject;
    int32_t loaded = state.mainProject.Load(DataFilePath(kScriptName), true);
    if (loaded < 0) {
        Trace("Load project failed, terminating...\n");
        MessageBoxFromId(kStrScriptFailed, MB_OK, static_cast<unsigned>(loaded));
        return 1;
    }

    state.mainProject.Release();
    return 0;
}
