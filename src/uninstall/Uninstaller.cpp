#include "uninstall/Uninstaller.h"

bool ParseUninstallRequest(const std::string& arguments, UninstallRequest* out) {
    UninstallRequest request;
    request.command = arguments;
    if (request.command.compare(0, 3, "/S ") == 0) {
        request.quiet = true;
        request.command.erase(0, 3);
    }
    const std::string& command = request.command;
    if (command.size() < 3 || command.compare(0, 2, "-u") != 0) return false;
    // The registered command is not quoted; a library in the Windows folder is less likely to
    // hold " -l" than an install folder the user typed.
    const size_t marker = command.rfind(" -l");
    if (marker == std::string::npos) return false;
    request.logPath = command.substr(2, marker - 2);
    request.libraryPath = command.substr(marker + 3);
    *out = request;
    return true;
}
