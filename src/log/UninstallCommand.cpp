#include "log/UninstallCommand.h"

std::string UninstallArguments(const std::string& logPath, const std::string& libraryPath) {
    return "-u" + logPath + " -l" + libraryPath;
}

bool ParseUninstallRequest(const std::string& arguments, UninstallRequest* out) {
    if (arguments.size() < 3 || arguments.compare(0, 2, "-u") != 0) return false;
    // The registered command is not quoted; a library in the Windows folder is less likely to
    // hold " -l" than an install folder the user typed.
    const size_t marker = arguments.rfind(" -l");
    if (marker == std::string::npos) return false;
    out->logPath = arguments.substr(2, marker - 2);
    out->libraryPath = arguments.substr(marker + 3);
    return true;
}

bool RequestOfCommand(const std::string& command, UninstallRequest* out) {
    const size_t start = command.find(" -u");
    return start != std::string::npos && ParseUninstallRequest(command.substr(start + 1), out);
}
