// Installs one file section of a project: folders, files, shortcuts and self-registrations,
// each change logged.
#pragma once

#include <string>

#include "script/Project.h"

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

// Where a section's pieces come from and go, besides its own base folder: settled by the
// caller (start-up or the install driver) and handed down.
struct SectionPlaces {
    std::string dataFolder;           // the package folder holding the data files (ends with "\")
    std::string mainShortcutFolder;   // the main project's shortcut folder, for `masterFolder`
    std::string startupFolder;        // the user's Startup folder; empty: no such shortcuts
    std::string commonStartupFolder;  // all users' Startup folder; empty: no such shortcuts
    std::string mountedDeviceFolder;  // a drive root; empty: none was chosen
};

// `base`: the folder the section's folders and files go under (ignored for MountedDevice).
// `masterFolder`: take the main project's shortcut folder instead of the current project's.
// `log`: record the folders created ("CreateFolder: "); file, shortcut and registration
// records are always written. False at the first failure; nothing is undone. `progress`
// (optional) hears of every file.
bool InstallSection(const Project& project, const SectionPlaces& places, const std::string& base, bool shortcuts,
                    FileSection section, bool masterFolder, bool log, InstallProgress* progress = nullptr);

// Creates every missing level of `path`; `createdCount` (optional) receives the number of
// levels created. With log, one "CreateFolder: " record per level, outermost first.
bool CreateFolderPath(const std::string& path, bool log, int* createdCount = nullptr);

// A shell shortcut `folder`\`linkName` to `target`; logged as "CreateShortcut: " when saved.
// Best-effort: a failure is traced and the installation goes on without the shortcut.
void CreateShortcut(const std::string& target, const std::string& linkName, const std::string& folder);

// The Programs-menu folder for the project's shortcuts.
std::string ShortcutFolder(const Project& project);
