// Installs one file section of a project: folders, files, shortcuts and self-registrations,
// each change logged.
#pragma once

#include <string>

#include "engine/InstallContext.h"
#include "engine/Plan.h"
#include "script/Project.h"

// Installs one unit of a plan: its base and folders, its files with their shortcuts, then its
// self-registrations. Every change is journaled and recorded in the log. False at the first
// failure; nothing is undone. The run's progress hears of every file.
bool InstallUnit(InstallContext& run, const PlanUnit& unit);

// Copies the files of a project's section under `base` (made when missing), with their
// folders, from the package in `dataFolder`: outside an installation, neither journaled nor
// logged, no shortcuts, no registrations. Entries that never replace are left out, as an
// installation leaves them. False at the first failure.
bool UnpackSection(const Project& project, const std::string& dataFolder, const std::string& base,
                   FileSection section);

// Creates every missing level of `path`, each noted in the run's journal before it is made;
// with Logging::kRecord one "CreateFolder: " record per level, outermost first. `createdCount`
// (optional) receives the number of levels created.
bool CreateInstallFolder(InstallContext& run, const std::string& path, Logging logging, int* createdCount = nullptr);
// The same outside an installation (the destination page's folders), neither journaled nor
// logged: whoever calls it keeps track of what it made.
bool CreateFolderPath(const std::string& path, int* createdCount = nullptr);

// The name of a shortcut to `target`: its file name without the extension, plus ".lnk".
std::string LinkName(const std::string& target);

// A shell shortcut `folder`\`linkName` to `target`; logged as "CreateShortcut: " when saved.
// Best-effort: a failure is traced and the installation goes on without the shortcut.
void CreateShortcut(InstallContext& run, const std::string& target, const std::string& linkName,
                    const std::string& folder);

// Where an entry of `section` below `base` is installed (`device`: the mounted-device folder).
// False for an entry that names no folder of its section, whose mounted-device path does not
// expand, or whose path does not fit.
bool EntryDestination(const Project& project, const std::string& device, FileSection section,
                      const std::string& base, const FileEntry& entry, std::string* destination);
// The folder a section folder name stands for: an empty name is the base itself; with an empty
// base (the Conduit section) the names must be full paths. Empty when neither gives a full
// folder.
std::string SectionFolder(const std::string& base, const std::string& name);
// System files are always shared; conduit files when they look like libraries.
bool IsSharedFile(FileSection section, const std::string& destination);

// The Programs-menu folder for the project's shortcuts, below `programs` (empty: the user's
// Programs menu); empty, traced, when it does not fit a path (cut, it would name another
// folder): the project then gets no menu shortcuts.
std::string ShortcutFolder(const Project& project, const std::string& programs = std::string());
