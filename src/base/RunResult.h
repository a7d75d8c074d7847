// How a run ends: its exit code, and what the trace and the /RESULT document say about it.
// Portable: no Windows headers (Failure_win.cpp holds the system's texts).
#pragma once

#include <string>
#include <vector>

// Exit codes of a run, as installers report them to deployment tools.
enum ExitCode : int {
    kGoOn = -1,  // never leaves the process: a start-up step that lets the next one run
    kExitSuccess = 0,
    kExitPackageUnreadable = 1,     // the package cannot be read or prepared, or the system lacks a part
    kExitFilesInUse = 32,           // files the installation would replace are held open: nothing done
    kExitCancelled = 1602,          // the user cancelled the installation, which was taken back
    kExitInstallFailed = 1603,      // taken back as far as it went
    kExitAnotherInstallation = 1618,
    kExitLogUnwritable = 1622,      // the /LOG, /RESULT or /SAVEINF file cannot be opened
    kExitDowngrade = 1638,          // a newer version of the product is installed: nothing done
    kExitBadCommandLine = 1639,     // a malformed switch or a choice the rules refuse
    kExitRestartNeeded = 3010,      // done; a file waits for the next restart
};

// The stable word a deployment tool reads for `code` ("done", "restart-needed", "failed", ...).
const char* ReasonWord(ExitCode code);

struct RunFailure {
    std::string step;     // "InstallFile"
    std::string action;   // "copying 00000003 to"
    std::string subject;  // "C:\FxH\app.txt": a file, folder, key, value, library or record
    unsigned long error = 0;
    std::string errorText;  // the system's text for `error`
};

// What the run has to report beside its exit code. Filled where things happen; read once, at
// the end of the run.
struct RunOutcome {
    const char* reason = nullptr;  // a more precise word than the exit code's ("damaged-package")
    bool failed = false;           // `failure` holds the run's first failure
    RunFailure failure;
    std::vector<std::string> restartFiles;  // files that wait for the next restart
    std::vector<std::string> notTakenBack;  // changes the rollback could not undo
};
RunOutcome& Outcome();

enum class Failing {
    kRun,           // the run fails: the first of these is the run's failure
    kBestEffort,    // the run goes on without it
    kNotTakenBack,  // a change the rollback could not undo
};

// Traces one line where a failure happens: "<step>: <action> <subject> failed: error <n>,
// <system text>" (no error part when `error` is 0; an HRESULT, 0x80000000 and up, in hex), and records it in the outcome as `how`
// says. Returns false, so that a failing function can end with it.
bool Fail(const char* step, const char* action, const std::string& subject, unsigned long error,
          Failing how = Failing::kRun);

// The /RESULT document of a run that ends with `code`: a small JSON object, strings escaped as
// JSON wants them. Bytes from 0x80 up pass as they are: the caller converts the whole text from
// the ANSI code page to UTF-8, which leaves the escapes as they are.
std::string ResultDocument(ExitCode code, const RunOutcome& outcome);
