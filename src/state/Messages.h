// Every user-visible text by string identifier: from the language library first, and for
// message boxes from the program's own string table when the library lacks the string.
#pragma once

#include <windows.h>

#include <string>

#include "win/UniqueHandle.h"

// The language library the messages come from: one per process, since every box, on the
// pages' thread and on the installation's, speaks its language. Cleared before the entry point
// runs, freed at exit.
struct LanguageLibrary {
    win::UniqueModule module;  // freed at process exit
    std::string caption;  // string 15 of the library, at most 259 characters
    std::string path;     // full path the library was loaded from
};

// The loaded library; an empty record before one is loaded.
const LanguageLibrary& Language();

// Loads the library at `path` into the run's record; true when it loaded and holds string 15
// (the setup caption).
bool LoadLanguageLibrary(const std::string& path);

// Frees the library when one is loaded. Also runs at process exit.
void FreeLanguageLibrary();

// Loads string `id` of the library (a 1024-character buffer) and formats it with the
// arguments into `out`, cut to limit - 1 characters. False when the library lacks the string;
// `out` is then left as it was.
bool LoadFormattedString(const LanguageLibrary& library, std::string* out, size_t limit, UINT id, ...);

// Loads string `id` without formatting into a buffer of `limit` characters (cut to limit - 1).
// False, `out` untouched, when the library lacks it.
bool LoadPlainString(const LanguageLibrary& library, UINT id, size_t limit, std::string* out);

// Every box's text also goes to the trace, shown or not.
//
// Quiet mode (for unattended runs): no box is shown, and each returns at once the answer the
// user would have been assumed to give: the quiet answer its caller passes, otherwise IDYES for
// a box with Yes and No buttons and IDOK for any other.
void SetQuietMessages(bool quiet);
bool QuietMessages();

// The window every box belongs to (the wizard's page; null: none): the page is disabled while
// its box asks, from its own thread or from the installation's. Set on the page's thread only
// while no installation runs.
void SetMessageOwner(HWND owner);

// Shows string `id` formatted with the arguments, with the setup caption and `style`.
// Returns the button that closed the box; 2 (IDCANCEL) when the string is missing everywhere
// (quiet or not).
int MessageBoxFromId(UINT id, UINT style, ...);
// The same for a question whose answer in quiet mode is `quietAnswer` (the safe one, e.g. IDNO
// for "Cancel the setup?").
int AskFromId(int quietAnswer, UINT id, UINT style, ...);

// The setup caption of the language library (string 15); empty before one is loaded.
const std::string& SetupCaption();

// Shows one of the program's built-in texts, which are not in any string table, with `caption`.
int ShowFixedMessage(const std::string& message, const std::string& caption, UINT style);

// The built-in text for a package whose data file `name` is not what its script seals: `how`
// completes "its file 00000003 ..." ("is missing"). No language library has it: the library
// itself may be what is damaged.
std::string DamagedPackageText(const std::string& name, const std::string& how);

// The question before an older file is put over a newer one: true when the user says Yes.
// Quietly the answer is No: the newer file stays.
bool AskYesNo(const char* destination);

// String IDs of the program's messages.
enum StringId : UINT {
    kStrCancelQuestion = 2,
    kStrLoaderMissing = 3,
    kStrComFailed = 4,
    kStrWindowClassFailed = 5,
    kStrPageCaption = 6,
    kStrWelcomeHeading = 7,
    kStrInstallFailed = 9,
    kStrSetupCaption = 15,
    kStrWindowTitle = 16,
    kStrFinishButton = 17,
    kStrInstallButton = 18,
    kStrBrowseTitle = 20,
    kStrUninstallCaption = 21,
    kStrLogOpenFailed = 23,
    kStrUndoFailed = 24,
    kStrUninstallDone = 25,
    kStrReplaceNewer = 26,
    kStrStartupFolders = 29,
    kStrSelectionSummary = 30,
    kStrCreateFolderQuestion = 31,
    kStrCreateFolderFailed = 32,
    kStrKernelProbe = 33,
    kStrShellProbe = 34,
    kStrMountedFailed = 38,
    kStrFinishedHeading = 39,
    kStrFinishedText = 40,
    kStrInstalledHere = 41,
    kStrLanguageFailed = 98,
    kStrScriptFailed = 99,
};
