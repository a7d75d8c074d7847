// What every step of one installation works with: the run's journal and install log, where the
// section's pieces come from and go, who shows the progress and who answers questions. Made by
// the install driver for one run and handed down; nothing of it lives beyond the run.
#pragma once

#include <string>

// Declared only: the portable half of the engine (the file count) sees this header too.
class Journal;
class LogWriter;

// Told about each file a section copies, for whoever shows the installation's progress.
// Implemented above the engine (the progress page); the engine only calls it.
class InstallProgress {
public:
    virtual ~InstallProgress() = default;
    // Before the first file: how many files the run will copy.
    virtual void Begin(int fileCount) = 0;
    // Before each copy, with the file's destination.
    virtual void FileStarting(const std::string& destination) = 0;
    // After each file that was installed.
    virtual void FileDone() = 0;
    // True once the user asked the run to stop: it fails before the next file and before it
    // commits. Asked on the run's thread.
    virtual bool Cancelled() { return false; }
};

// Where the pieces of a plan's sections come from and go, besides their base folders: settled
// by start-up and the pages, and read when the plan is made.
struct SectionPlaces {
    std::string dataFolder;           // the package folder holding the data files (ends with "\")
    std::string systemFolder;         // where the System section goes
    std::string programsFolder;       // the Programs menu shortcut folders go under; empty: the user's
    std::string startupFolder;        // the user's Startup folder; empty: no such shortcuts
    std::string commonStartupFolder;  // all users' Startup folder; empty: no such shortcuts
    std::string mountedDeviceFolder;  // a drive root; empty: none was chosen
};

// Asked with the destination path before an older file is put over a newer one.
using AskReplaceFn = bool (*)(const char* destination);
// Writes a shortcut: S_OK or the failing call's HRESULT (see win/ShellLink.h).
using WriteLinkFn = long (*)(const std::string& target, const std::string& linkPath);

struct InstallContext {
    InstallContext(Journal& runJournal, LogWriter& runLog) : journal(runJournal), log(runLog) {}

    Journal& journal;
    LogWriter& log;
    InstallProgress* progress = nullptr;  // optional
    AskReplaceFn ask = nullptr;           // none: an older file is never put over a newer one
    WriteLinkFn writeLink = nullptr;      // none: the shell's (a test stands in for a failing one)
    // The source of the run's first copy whose bytes were not the ones its script seals;
    // empty when there was none.
    std::string damagedSource;
};

// Whether a change is written to the install log.
enum class Logging { kRecord, kSilent };
// Whether an installed file keeps a reference count in the system's shared-library list.
enum class Count { kNone, kShared };
