#include "engine/InstallDriver.h"

#include <windows.h>

#include <cstdint>

#include "base/RunResult.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "engine/InstallFile.h"
#include "engine/Section.h"
#include "engine/TargetFolder.h"
#include "engine/UninstallEntry.h"
#include "log/InstallLog.h"
#include "log/LogWriter.h"
#include "script/PathTokens.h"
#include "state/Messages.h"
#include "transaction/Journal.h"
#include "transaction/RunFiles.h"
#include "win/Files.h"

namespace {

const char kLogChanged[] = "The install log %s was changed after the installation.\nNothing was installed.";

// Passes each file on to whoever shows the progress and adds up the sizes of the files
// installed, which the uninstall entry reports.
class RunProgress : public InstallProgress {
public:
    explicit RunProgress(InstallProgress* shown) : shown_(shown) {}

    void Begin(int fileCount) override {
        if (shown_) shown_->Begin(fileCount);
    }
    void FileStarting(const std::string& destination) override {
        current_ = destination;
        if (shown_) shown_->FileStarting(destination);
    }
    void FileDone() override {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA(current_.c_str(), GetFileExInfoStandard, &data))
            bytes_ += (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        if (shown_) shown_->FileDone();
    }
    bool Cancelled() override { return shown_ && shown_->Cancelled(); }
    uint32_t KiB() const {
        const uint64_t kib = (bytes_ + 1023) / 1024;
        return kib > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(kib);
    }

private:
    InstallProgress* shown_;
    std::string current_;
    uint64_t bytes_ = 0;
};

// One installation, as its steps share it.
struct Installation {
    InstallContext& run;
    const InstallRequest& request;
    InstallResult& result;
    RunProgress progress;

    const InstallPlan& Plan() const { return request.plan; }
    const Project& Main() const { return *request.project; }
};

// The run's temporary log and journal: new files of their own in the run files folder, so
// that no other run's records mix with this one's.
bool BeginJournal(Installation& installation) {
    // Without the folder (traced where it was looked for) nothing could be taken back.
    const std::string folder = RunFilesFolder();
    if (folder.empty()) return false;
    for (unsigned long id = GetCurrentProcessId(), attempt = 0; attempt < 100; ++id, ++attempt) {
        const std::string journalPath = text::JoinPath(folder, RunJournalName(id));
        const std::string tempLog = text::JoinPath(folder, RunLogName(id));
        if (!installation.run.journal.Begin(journalPath, tempLog)) continue;
        installation.result.tempLogPath = tempLog;
        if (!installation.run.log.Open(tempLog, LogWriter::Start::kEmpty)) return false;
        Trace(text::Format("DoInstall::TempLogFileName produced: %s\n", tempLog.c_str()).c_str());
        return true;
    }
    return Fail("BeginJournal", "creating the rollback journal in", folder, GetLastError());
}

// The install log of the install folder and whether this run is an upgrade. An upgrade appends
// to the log: over one changed since an installation wrote it, the product could no longer be
// uninstalled, as its uninstall refuses such a log.
bool SettleInstallLog(Installation& installation) {
    InstallResult& result = installation.result;
    result.installLogPath = text::Format("%s\\%s", installation.Plan().installFolder.c_str(), kInstallLogName);
    const std::string& installLog = result.installLogPath;
    result.upgrade = win::FileExists(installLog);
    Trace(text::Format("DoInstall::UpgradeFlag: %u\n", result.upgrade ? 1u : 0u).c_str());
    std::string earlier;
    if (!result.upgrade) return true;
    // A log that cannot be read cannot be vouched for: the upgrade would append to it blind.
    if (!win::ReadWholeFile(installLog, &earlier))
        return Fail("SettleInstallLog", "reading the earlier installation's log", installLog, GetLastError());
    const LogDigestCheck check = CheckInstallLogDigest(installLog, earlier);
    if (check == LogDigestCheck::kDiffers) {
        Fail("SettleInstallLog", "matching the stored digest of", installLog, 0);
        result.failureText = text::Format(kLogChanged, installLog.c_str());
        return false;
    }
    // Traced where the list could not be read.
    if (check == LogDigestCheck::kUnreadable) {
        result.failureText = text::Format(kLogUncheckedText, installLog.c_str(), "installed");
        return false;
    }
    return true;
}

// A first installation names its product in the log; the folders the destination page made
// for it become its own, recorded so that a rollback and the uninstall remove them.
bool RecordProduct(Installation& installation) {
    InstallContext& run = installation.run;
    if (!installation.result.upgrade) run.log.Record(kRecordApplication, UninstallDisplayName(installation.Main()).c_str());
    const std::string folder = text::AsciiUpper(installation.Plan().installFolder) + "\\";
    for (const std::string& level : installation.request.pageCreatedFolders) {
        if (folder.compare(0, level.size() + 1, text::AsciiUpper(level) + "\\") != 0) continue;
        if (!run.journal.NoteFolder(level)) return false;
        run.log.Record(kRecordCreateFolder, level.c_str());
    }
    return true;
}

// The plan's units in their order; a failed mounted-device unit has a message of its own.
bool InstallUnits(Installation& installation) {
    InstallContext& run = installation.run;
    InstallProgress* shown = run.progress;
    run.progress = &installation.progress;
    installation.progress.Begin(installation.Plan().FileCount());
    Trace("DoInstall::Invoking PCInstall...\n");
    bool installed = true;
    for (const PlanUnit& unit : installation.Plan().units) {
        if (InstallUnit(run, unit)) continue;
        if (unit.section == kSectionMountedDevice) installation.result.failureMessage = static_cast<int>(kStrMountedFailed);
        installed = false;
        break;
    }
    run.progress = shown;
    if (!installed) {
        Trace("DoInstall::PCInstall failed.\n");
        // A copy whose bytes were not the sealed ones names its data file.
        const std::string& damaged = run.damagedSource;
        if (!damaged.empty())
            installation.result.failureText = DamagedPackageText(text::FileName(damaged),
                                                                 "does not hold what its script seals");
        return false;
    }
    if (installation.progress.Cancelled()) {
        Trace("DoInstall::Cancelled by the user before the installation commits.\n");
        return false;
    }
    // A launch command that does not pass the check launches nothing.
    const Project& project = installation.Main();
    if (!CheckLaunchCommand(project, project.launch, &installation.result.launchCommand,
                            installation.Plan().installFolder, kPathLimit))
        installation.result.launchCommand.clear();
    return true;
}

bool RegisterDescriptors(Installation& installation) {
    Trace("DoInstall::Registering the ALX files with the registry...\n");
    if (installation.request.registerDescriptors)
        installation.request.registerDescriptors(installation.run.journal, installation.Plan());
    return true;
}

// A product without its entry could never be uninstalled.
bool RegisterUninstaller(Installation& installation) {
    Trace("DoInstall::Invoking PrepareUnInstall()...\n");
    const InstallRequest& request = installation.request;
    return PrepareUnInstall(installation.run, installation.Main(), request.programPath, installation.Plan().installFolder,
                            request.languagePath, installation.progress.KiB());
}

// The install log in the install folder is written whole, or the installation failed. A
// temporary log with a record missing (traced where its write failed) is no log to commit.
// The log's digest goes into the entry after; one that cannot be stored leaves the log
// trusted as before.
bool WriteInstallLog(Installation& installation) {
    InstallContext& run = installation.run;
    const std::string& installLog = installation.result.installLogPath;
    const std::string& tempLog = installation.result.tempLogPath;
    run.log.Close();
    if (run.log.WriteFailed() || !run.journal.NoteGrowth(installLog)) return false;
    if (!AppendLogFile(tempLog, installLog))
        return Fail("WriteInstallLog", "appending the temporary log to", installLog, GetLastError());
    StoreInstallLogDigest(run.journal, installLog, tempLog);
    return true;
}

// The install log written whole is the commit point: once it is, nothing is taken back.
bool Commit(Installation& installation) {
    if (!installation.run.journal.Commit()) return false;
    DeleteFileA(installation.result.tempLogPath.c_str());
    Trace("DoInstall::Complete!\n");
    return true;
}

using InstallStep = bool (*)(Installation& installation);
const InstallStep kInstallSteps[] = {BeginJournal,        SettleInstallLog,    RecordProduct, InstallUnits,
                                     RegisterDescriptors, RegisterUninstaller, WriteInstallLog, Commit};

}  // namespace

bool RunInstallation(InstallContext& run, const InstallRequest& request, InstallResult* result) {
    *result = InstallResult();
    Installation installation{run, request, *result, RunProgress(run.progress)};
    for (const InstallStep step : kInstallSteps)
        if (!step(installation)) return false;
    return true;
}

int InstallFailureMessage(const InstallResult& result) {
    return result.failureMessage != 0 ? result.failureMessage : static_cast<int>(kStrInstallFailed);
}

bool DoInstall(const InstallRequest& request, InstallProgress* progress, InstallResult* result) {
    Journal journal;
    LogWriter log;
    InstallContext run(journal, log);
    run.progress = progress;
    run.ask = AskYesNo;
    if (RunInstallation(run, request, result)) return true;
    // Everything the run changed goes back before the user hears of the failure.
    log.Close();
    const int left = journal.TakeBack();
    if (left > 0) Trace(text::Format("DoInstall::%d changes could not be taken back.\n", left).c_str());
    // The user who cancelled needs no message that the installation failed.
    if (progress && progress->Cancelled()) {
        Trace("DoInstall::The cancelled installation is taken back.\n");
        result->cancelled = true;
    } else if (!result->failureText.empty()) {
        ShowFixedMessage(result->failureText, SetupCaption(), MB_ICONERROR);
    } else {
        MessageBoxFromId(static_cast<UINT>(InstallFailureMessage(*result)), MB_ICONERROR);
    }
    return false;
}
