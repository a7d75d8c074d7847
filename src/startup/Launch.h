// The program the script names to start after a successful installation.
#pragma once

#include <string>

// Splits a launch command: a command starting with a quoted program path gives that path
// (unquoted, at most 259 characters) and the rest behind the closing quote, leading blanks
// skipped, as the parameters; anything else is the file as a whole, with no parameters.
struct LaunchCommand {
    std::string file;
    std::string parameters;
};
LaunchCommand SplitLaunchCommand(const std::string& command);

// Starts the command with the shell; shows "Cannot start %s\nError code is %i" when the
// shell cannot. False then.
bool LaunchProgram(const std::string& command);
