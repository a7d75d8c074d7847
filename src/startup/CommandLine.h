// The switches a run takes in front of its other arguments. Portable: no Windows headers.
//
// A switch may stand in double quotes as a whole, as launchers write it ("/S",
// "/D=C:\dir with blank"); /S may have the next switch right behind it (/S/D=C:\x). An unknown
// or empty switch, or one with a value it cannot take, makes the line malformed: the run must
// not install.
//
//   /S            quiet: no message box is shown (each returns its safe answer, see
//                 state/Messages.h); the texts still go to the trace
//   /LOG=<file>   writes the trace, with a time stamp per line, to <file> (appended; a name
//                 with blanks is written in double quotes)
//   /COMPONENTS=<n,n,...>  the components to install, 1-based in script order, or by their
//                 names (without regard to case; a name with a comma or blank in double quotes)
//   /DEVICE=<drive root>   the handheld's mounted storage, "E:\" or "E:"
//   /D=<folder>   the install folder, a full path; unquoted, the rest of the string, blanks
//                 included, so it comes last
//   /RESULT=<file> writes the run's outcome as a JSON document to <file> at its end (a name
//                 with blanks in double quotes)
//   /WAIT[=<seconds>] waits for another installation to end (without a number, as long as it
//                 takes) instead of ending at once
//   /ALLOWDOWNGRADE  installs over a newer installed version of the product (quietly;
//                 the wizard asks)
//   /CLOSEAPPLICATIONS  asks the applications holding files the installation would replace
//                 to close, and starts them again once it is done
//   /? or /HELP   shows the switches and exit codes; nothing is installed
//   /PLAN=<file>  writes what the installation would do as a JSON document to <file> and
//                 installs nothing (a name with blanks in double quotes)
//   /PASSIVE      the background window and the progress page alone: nothing is asked (as with
//                 /S), Cancel stays
//   /SAVEINF=<file> writes the choices to the answer file <file> as the installation starts
//   /LOADINF=<file> takes the choices of the answer file <file> that the line does not make
//
// Switches are read from the start of the argument string only and without regard to case;
// the first word that does not start with "/" (or a quote and "/") ends them. Whatever follows
// keeps the meaning it has without switches: it is the uninstall request ("-u<log> -l<library>") or anything else for
// an installation, and it is what the full command line holds behind the program path.
#pragma once

#include <string>
#include <vector>

struct CommandLine {
    bool quiet = false;
    std::string logFile;        // empty without /LOG
    std::string installFolder;  // empty without /D
    bool componentsGiven = false;
    std::vector<std::string> components;  // as given: 1-based numbers or names, quotes taken off
    bool passive = false;
    std::string deviceFolder;     // "X:\"; empty without /DEVICE
    std::string resultFile;       // empty without /RESULT
    std::string planFile;         // empty without /PLAN
    bool wait = false;
    unsigned waitSeconds = 0;  // 0 with a bare /WAIT: as long as it takes
    bool help = false;
    bool allowDowngrade = false;
    bool closeApplications = false;
    std::string saveAnswers;  // empty without /SAVEINF
    std::string loadAnswers;  // empty without /LOADINF
    size_t componentsLine = 0;  // the answer file's line that chose the components; 0: none did
    // An unknown or empty switch, or one with a value it cannot take; the run must not install.
    bool malformed = false;
    std::string arguments;  // the argument string without the switches; unchanged without any
};

CommandLine ParseCommandLine(const std::string& arguments);

// The items of a component list, "1,\"Extra Tools\",base": numbers from 1 to 9999 or names, as
// they stand between the commas; a name in double quotes may hold commas and blanks. False for
// an empty item, a quote inside a name that is not quoted, or text behind a closing quote.
bool ReadComponentItems(const std::string& list, std::vector<std::string>* out);

// The text of an answer file (/LOADINF), a [Setup] section whose lines are the switches /D=,
// /DEVICE= and /COMPONENTS= without their slash, each read as the switch in double quotes is
// read. Blank lines and lines starting with ';' are passed over. Each choice that `line` does
// not make is taken from the file. False, `line` untouched and `badLine` the number (from 1) of
// the first line that is none of those switches or stands outside the section.
bool ReadAnswers(const std::string& text, CommandLine* line, size_t* badLine);
