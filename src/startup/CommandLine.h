// The switches a run takes in front of its other arguments. Portable: no Windows headers.
//
//   /S            quiet: no message box is shown (each returns its safe answer, see
//                 state/Messages.h); the texts still go to the trace
//   /LOG=<file>   writes the trace, with a time stamp per line, to <file> (appended; a name
//                 with blanks is written in double quotes)
//
// Switches are read from the start of the argument string only and without regard to case;
// the first word that is not one of them ends them. Whatever follows keeps the meaning it has
// without switches: it is the uninstall request ("-u<log> -l<library>") or anything else for
// an installation, and it is what the full command line holds behind the program path.
#pragma once

#include <string>

struct CommandLine {
    bool quiet = false;
    std::string logFile;    // empty without /LOG
    std::string arguments;  // the argument string without the switches; unchanged without any
};

CommandLine ParseCommandLine(const std::string& arguments);
