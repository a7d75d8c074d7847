// What one run of the setup program works with: the package, the choices the switches or the
// pages make, the places settled at start-up and how the installation ended. Start-up owns it
// for the run and hands it to whoever needs it; the wizard's pages reach it through their
// wizard (RunState). Text values are kept within the limits of the program's fixed fields
// (see the setters in the subsystems that own them).
#pragma once

#include <string>
#include <vector>

#include "base/Limits.h"
#include "base/Trace.h"
#include "script/Project.h"

struct SetupState {
    std::string programFolder;  // ends with a backslash
    std::string unpackFolder;   // the wizard's copy of the Application files; ends with a backslash
    std::string programPath;
    std::string commandLine;  // program path, one blank, the argument string (259 at most)

    Project mainProject;

    bool passive = false;         // /PASSIVE: the progress page alone, ending by itself (quiet too)
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

    // Program folder + name: the path of the install script or of a numbered data file.
    std::string DataFilePath(const std::string& name) const;
    std::string DataFilePath(int dataFileNumber) const;
};
