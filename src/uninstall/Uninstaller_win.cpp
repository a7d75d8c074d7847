#include "uninstall/Uninstaller.h"

#include <windows.h>

#include "base/Limits.h"
#include "base/RunResult.h"
#include "base/Text.h"
#include "engine/RunLock.h"
#include "engine/UninstallEntry.h"
#include "log/InstallLog.h"
#include "state/Messages.h"
#include "transaction/Rollback.h"
#include "uninstall/LogReplay.h"
#include "win/Files.h"

namespace {

const char kLanguageMissing[] = "Couldn't find the language DLL. Uninstall failed.";
const char kLogChanged[] =
    "The install log %s was changed after the installation, so it cannot be trusted.\n"
    "Nothing was uninstalled.";
constexpr size_t kUninstallTextLimit = 256;

// A text of the language library. The library need hold only the setup caption, so a missing
// text is named rather than shown as an empty box.
std::string LibraryText(UINT id) {
    std::string message;
    if (!LoadPlainString(Language(), id, kUninstallTextLimit, &message))
        message = text::Format("Error loading string id %d", static_cast<int>(id));
    return message;
}

// Runs the request; true when every record was undone (or the log was empty), with `restart`
// set when files in use wait for the next restart. Quiet runs show nothing: the message
// service answers every box itself.
bool Uninstall(const UninstallRequest& request, const std::string& commandLine, bool* restart) {
    auto fail = [](const std::string& message) {
        ShowUninstallError(message);
        return false;
    };

    // Fail traces and returns false: "Fail(...) || fail(...)" traces, then tells the user.
    if (!LoadLanguageLibrary(request.libraryPath))
        return Fail("Uninstall", "loading", request.libraryPath, GetLastError()) || fail(kLanguageMissing);
    // A longer path would have to be cut, and the cut text names some other file.
    std::string log;
    if (request.logPath.size() >= kUninstallLogPathLimit || !win::ReadWholeFile(request.logPath, &log))
        return Fail("Uninstall", "reading", request.logPath, GetLastError()) || fail(LibraryText(kStrLogOpenFailed));
    // The log may lie in a folder any user can write; only what an installation wrote is
    // undone with the rights of whoever runs the uninstall.
    const LogDigestCheck check = CheckInstallLogDigest(request.logPath, log);
    if (check == LogDigestCheck::kDiffers)
        return Fail("Uninstall", "matching the stored digest of", request.logPath, 0) ||
               fail(text::Format(kLogChanged, request.logPath.c_str()));
    // Traced where the list could not be read.
    if (check == LogDigestCheck::kUnreadable)
        return fail(text::Format(kLogUncheckedText, request.logPath.c_str(), "uninstalled"));
    if (log.empty()) return true;  // nothing to undo; the empty log stays

    ReplayContext context;
    context.commandLine = commandLine;
    context.logPath = request.logPath;
    context.installFolder = text::ParentFolder(request.logPath);
    if (!ReplayLog(log, &context)) return fail(LibraryText(kStrUndoFailed));

    win::DeleteFileIfPresent(request.logPath);
    // The install folder and the parents made with it held the log while their records
    // were undone; now that it is gone they may be empty.
    RemoveFoldersLeft(context.foldersLeft, context.atRestart);
    *restart = !context.atRestart.empty();
    ShowFixedMessage(LibraryText(kStrUninstallDone), text::Fit(context.displayName, kPathLimit), MB_OK);
    return true;
}

}  // namespace

bool ServiceUninstallRequest(const std::string& arguments, const std::string& commandLine, int* exitCode) {
    UninstallRequest request;
    if (!ParseUninstallRequest(arguments, &request)) return false;
    // An uninstall changes the machine as an installation does: one at a time, and after
    // whatever a killed run left half done was taken back.
    if (!TakeInstallationLock()) {
        *exitCode = kExitAnotherInstallation;
        return true;
    }
    RecoverInterruptedRuns();
    bool restart = false;
    const bool undone = Uninstall(request, commandLine, &restart);
    if (!QuietMessages())
        *exitCode = 0;
    else
        *exitCode = !undone ? kExitInstallFailed : restart ? kExitRestartNeeded : kExitSuccess;
    return true;
}

void ShowUninstallError(const std::string& message) {
    std::string caption;
    LoadPlainString(Language(), kStrUninstallCaption, 128, &caption);
    ShowFixedMessage(message, caption, MB_ICONERROR);
}

