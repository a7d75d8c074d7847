// The run-wide state of one run of the setup program: one instance per process, reached
// through Setup(). Text values are kept within the limits of the program's fixed fields
// (see the setters in the subsystems that own them).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/Limits.h"
#include "base/Trace.h"
#include "script/Project.h"
#include "win/UniqueHandle.h"

constexpr UINT WM_SETUP_START = WM_USER + 365;  // 1389

// The language library record: cleared before the entry point runs, freed at exit.
struct LanguageLibrary {
    win::UniqueModule module;  // freed at process exit
    std::string caption;  // string 15 of the library, at most 259 characters
    std::string path;     // full path the library was loaded from
};

struct SetupState {
    std::string programFolder;  // ends with a backslash
    std::string unpackFolder;   // the wizard's copy of the Application files; ends with a backslash
    std::string programPath;
    std::string commandLine;  // program path, one blank, the argument string (259 at most)

    Project mainProject;

    LanguageLibrary language;
    bool quiet = false;           // /S: no message box is shown, each gets its safe answer
    bool passive = false;         // /PASSIVE: the progress page alone, ending by itself (quiet too)
    HWND messageOwner = nullptr;  // the window message boxes belong to; none outside the pages
    int abort = 0;
    std::string launchCommand;
    std::string commonStartupFolder;
    std::string startupFolder;
    // Run as SYSTEM: all users' Programs menu, which the menu folders go under; empty: the user's.
    std::string programsFolder;
    std::string mountedDeviceFolder;  // a drive root, at most 9 characters; empty: none
    std::string chosenInstallFolder;  // empty until the user picks a folder, at most 259 characters
    bool licenceAccepted = false;     // set once by the licence page, never cleared
    bool installFailed = false;       // an installation ran and was taken back
    bool cancelled = false;           // the user cancelled the wizard (taken back when it ran)
    std::string installLogPath;  // "install.log" in the install folder, once an installation wrote it
    // The folder levels the destination page created, outermost first: the installation
    // records those it installs into; the rest go again when the run ends.
    std::vector<std::string> pageCreatedFolders;
};

SetupState& Setup();

// Program folder + name: the path of the install script or of a numbered data file.
std::string DataFilePath(const std::string& name);
std::string DataFilePath(int dataFileNumber);
