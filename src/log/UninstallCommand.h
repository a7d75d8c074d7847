// The command the Windows list of installed programs holds for a product, "<uninstaller>
// -u<install log> -l<language library>", its paths unquoted: written by the installation, read
// by the uninstaller it starts and by the installation that looks for an earlier one. One
// reading for all. Portable: no Windows headers.
#pragma once

#include <string>

struct UninstallRequest {
    std::string logPath;      // between "-u" and the last " -l"
    std::string libraryPath;  // behind the last " -l", blanks included
};

// The request's arguments: "-u<log> -l<library>".
std::string UninstallArguments(const std::string& logPath, const std::string& libraryPath);

// Recognises an uninstall request: "-u" at the very start and a later " -l". The split is at
// the LAST " -l", so that an install folder whose path holds " -l" still names its own log.
// False, `out` untouched, for any other argument string.
bool ParseUninstallRequest(const std::string& arguments, UninstallRequest* out);

// The request of a whole registered command: its arguments from the first " -u" on. False,
// `out` untouched, for a command that holds none.
bool RequestOfCommand(const std::string& command, UninstallRequest* out);
