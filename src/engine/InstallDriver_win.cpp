#include "engine/InstallDriver.h"

#include <windows.h>

#include <cstdint>

#include "base/RunResult.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "engine/InstallFile.h"
#include "engine/TargetFolder.h"
#include "engine/UninstallEntry.h"
#include "log/InstallLog.h"
#include "log/LogWriter.h"
#include "script/PathTokens.h"
#include "state/Messages.h"
#include "state/SetupState.h"
#include "transaction/Journal.h"
#include "transaction/RunFiles.h"
#include "win/Files.h"

namespace {

const char kLogChanged[] = "The install log %s was changed after the installation.\nNothing was installed.";

// Makes a component's sub-project current for the length of its installation; the calling
// project is current again however the component ends.
class CurrentProjectScope {
public:
    explicit CurrentProjectScope(Project* project) : saved_(Setup().current) { Setup().current = project; }
    ~CurrentProjectScope() { Setup().current = saved_; }
    CurrentProjectScope(const CurrentProjectScope&) = delete;
    CurrentProjectScope& operator=(const CurrentProjectScope&) = delete;

private:
    Project* saved_;
};

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
    InstallProgress* Shown() const { return shown_; }
    uint32_t KiB() const {
        const uint64_t kib = (bytes_ + 1023) / 1024;
        return kib > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(kib);
    }

private:
    InstallProgress* shown_;
    std::string current_;
    uint64_t bytes_ = 0;
};

SectionPlaces PlacesOfThisRun() {
    const SetupState& state = Setup();
    SectionPlaces places;
    places.dataFolder = state.programFolder;
    places.mainShortcutFolder = state.shortcutFolder;
    places.programsFolder = state.programsFolder;
    places.startupFolder = state.startupFolder;
    places.commonStartupFolder = state.commonStartupFolder;
    places.mountedDeviceFolder = state.mountedDeviceFolder;
    return places;
}

// Installs the current project and, recursively, its selected components. `folders`: kMain
// for a project that takes the main project's install and menu folders.
bool PCInstall(InstallContext& run, MenuFolder folders) {
    SetupState& state = Setup();
    const Project& project = *state.current;
    const bool masterFolder = folders == MenuFolder::kMain;

    const std::string system = win::SystemFolder();
    Trace("PCInstall::Installing system directory components...\n");
    if ((system.empty() && !Fail("PCInstall", "finding the system folder", "", GetLastError())) ||
        !InstallSection(run, project, system, kSectionSystem, Shortcuts::kNone, folders)) {
        Trace("PCInstall::System directory install failed.\n");
        return false;
    }

    Trace(text::Format("PCInstall::Using MasterFolder: %u\n", masterFolder ? 1u : 0u).c_str());
    std::string folder = state.installFolder;
    if (!masterFolder && !TargetFolder(project, "", kPathLimit, &folder))
        return Fail("PCInstall", "fitting the path limit with the install folder of", project.title,
                    ERROR_FILENAME_EXCED_RANGE);
    if (!CreateInstallFolder(run, folder, Logging::kRecord)) return false;
    Trace("PCInstall::Destination folder existance asserted.\n");

    Trace("PCInstall::Installing application files and shortcuts...\n");
    if (!InstallSection(run, project, folder, kSectionApplication, Shortcuts::kMake, folders)) {
        Trace("PCInstall::Installing application files and shortcuts failed.\n");
        return false;
    }

    if (!state.mountedDeviceFolder.empty() &&
        !InstallSection(run, project, folder, kSectionMountedDevice, Shortcuts::kNone, folders)) {
        state.installFailureMessage = static_cast<int>(kStrMountedFailed);
        Trace("PCInstall::Installing files to mounted device failed.\n");
        return false;
    }

    // Conduit files of the components count too: the step runs for this project even when
    // only they have any.
    const int32_t conduits = CountConduitFiles(project);
    Trace(text::Format("PCInstall::Installing conduits: (%u)...\n", static_cast<unsigned>(conduits)).c_str());
    if (conduits > 0) {
        Trace("PCInstall::Installing conduit files...\n");
        if (!InstallSection(run, project, "", kSectionConduit, Shortcuts::kNone, folders)) {
            Trace("PCInstall::Conduit files installation failed.\n");
            return false;
        }
    }
    Trace("PCInstall::Conduits installation done.\n");

    if (project.multicomp) {
        Trace(text::Format("PCInstall::Installing nested projects (%u altogether)...\n",
                           static_cast<unsigned>(project.ComponentCount()))
                  .c_str());
        for (const Component& component : project.components) {
            if (!component.selected || !component.sub) continue;
            CurrentProjectScope scope(component.sub.get());
            if (!PCInstall(run, component.useMainFolder != 0 ? MenuFolder::kMain : MenuFolder::kProject)) return false;
        }
    }
    Trace("PCInstall call completed, returning...\n");
    return true;
}

// The run's temporary log and journal: new files of their own in the run files folder, so
// that no other run's records mix with this one's.
bool BeginJournal(Journal& journal, SetupState* state) {
    // Without the folder (traced where it was looked for) nothing could be taken back.
    const std::string folder = RunFilesFolder();
    if (folder.empty()) return false;
    for (unsigned long id = GetCurrentProcessId(), attempt = 0; attempt < 100; ++id, ++attempt) {
        const std::string journalPath = text::JoinPath(folder, RunJournalName(id));
        const std::string tempLog = text::JoinPath(folder, RunLogName(id));
        if (!journal.Begin(journalPath, tempLog)) continue;
        state->tempLogPath = tempLog;
        return true;
    }
    return Fail("BeginJournal", "creating the rollback journal in", folder, GetLastError());
}

// The folders the destination page made for this installation become its own: recorded in
// the journal and the log, so that a rollback and the uninstall remove them. False when one
// could not be journaled.
bool AdoptPageFolders(InstallContext& run, const SetupState& state) {
    const std::string folder = text::AsciiUpper(state.installFolder) + "\\";
    for (const std::string& level : state.pageCreatedFolders) {
        if (folder.compare(0, level.size() + 1, text::AsciiUpper(level) + "\\") != 0) continue;
        if (!run.journal.NoteFolder(level)) return false;
        run.log.Record(kRecordCreateFolder, level.c_str());
    }
    return true;
}

// The install log in the install folder is written whole, or the installation failed.
// A temporary log with a record missing (traced where its write failed) is no log to commit.
bool WriteInstallLog(InstallContext& run, const std::string& tempLog, const std::string& installLog) {
    run.log.Close();
    if (run.log.WriteFailed() || !run.journal.NoteGrowth(installLog)) return false;
    if (!AppendLogFile(tempLog, installLog))
        return Fail("WriteInstallLog", "appending the temporary log to", installLog, GetLastError());
    return true;
}

bool InstallMainProject(InstallContext& run, const std::string& installFolder) {
    SetupState& state = Setup();
    const Project& project = *state.current;
    state.installFolder = installFolder;

    state.uninstallDisplayName = UninstallDisplayName(project);
    if (!state.upgradeFlag) run.log.Record(kRecordApplication, state.uninstallDisplayName.c_str());
    if (!AdoptPageFolders(run, state)) return false;
    state.shortcutFolder = ShortcutFolder(project, state.programsFolder);
    run.places = PlacesOfThisRun();

    if (!PCInstall(run, MenuFolder::kMain)) return false;

    // A launch command that does not pass the check launches nothing.
    if (!CheckLaunchCommand(project, project.launch, &state.launchCommand, installFolder, kPathLimit))
        state.launchCommand.clear();
    return true;
}

// The install log of `installFolder` and whether this run is an upgrade. An upgrade appends to
// the log: over one changed since an installation wrote it, the product could no longer be
// uninstalled, as its uninstall refuses such a log.
bool SettleInstallLog(SetupState& state, const std::string& installFolder) {
    state.installLogPath = text::Format("%s\\%s", installFolder.c_str(), kInstallLogName);
    const std::string& installLog = state.installLogPath;
    state.upgradeFlag = win::FileExists(installLog) ? 1 : 0;
    Trace(text::Format("DoInstall::UpgradeFlag: %u\n", static_cast<unsigned>(state.upgradeFlag)).c_str());
    std::string earlier;
    if (!state.upgradeFlag) return true;
    // A log that cannot be read cannot be vouched for: the upgrade would append to it blind.
    if (!win::ReadWholeFile(installLog, &earlier))
        return Fail("SettleInstallLog", "reading the earlier installation's log", installLog, GetLastError());
    const LogDigestCheck check = CheckInstallLogDigest(installLog, earlier);
    if (check == LogDigestCheck::kDiffers) {
        Fail("SettleInstallLog", "matching the stored digest of", installLog, 0);
        state.installFailureText = text::Format(kLogChanged, installLog.c_str());
        return false;
    }
    // Traced where the list could not be read.
    if (check == LogDigestCheck::kUnreadable) {
        state.installFailureText = text::Format(kLogUncheckedText, installLog.c_str(), "installed");
        return false;
    }
    return true;
}

// Past the files: the descriptor files and the uninstaller are registered, then the install
// log is written whole, which is the commit point: once it is, nothing is taken back.
bool Register(InstallContext& run, SetupState& state, RegisterDescriptorsFn registerDescriptors, uint32_t kib) {
    Trace("DoInstall::Registering the ALX files with the registry...\n");
    registerDescriptors(run.journal, *state.current, state.installFolder);
    Trace("DoInstall::Invoking PrepareUnInstall()...\n");
    // A product without its entry could never be uninstalled.
    if (!PrepareUnInstall(run, *state.current, state.programPath, state.installFolder, state.language.path,
                          kib))
        return false;
    // The log's digest goes into the entry before; one that cannot be stored leaves the log
    // trusted as before.
    const std::string& installLog = state.installLogPath;
    if (!WriteInstallLog(run, state.tempLogPath, installLog)) return false;
    StoreInstallLogDigest(run.journal, installLog, state.tempLogPath);
    return run.journal.Commit();
}

}  // namespace

bool RunInstallation(InstallContext& run, RegisterDescriptorsFn registerDescriptors) {
    SetupState& state = Setup();
    state.installFailureMessage = 0;
    state.installFailureText.clear();
    if (!BeginJournal(run.journal, &state) || !run.log.Open(state.tempLogPath, LogWriter::Start::kEmpty)) return false;
    Trace(text::Format("DoInstall::TempLogFileName produced: %s\n", state.tempLogPath.c_str()).c_str());
    state.installLogPath.clear();
    std::string installFolder;
    if (!TargetFolder(*state.current, state.chosenInstallFolder, kPathLimit, &installFolder))
        return Fail("DoInstall", "fitting the path limit with the install folder of", state.current->title,
                    ERROR_FILENAME_EXCED_RANGE);
    if (!SettleInstallLog(state, installFolder)) return false;

    RunProgress progress(run.progress);
    run.progress = &progress;
    progress.Begin(CountInstallFiles(*state.current, !state.mountedDeviceFolder.empty()));
    Trace("DoInstall::Invoking PCInstall...\n");
    const bool installed = InstallMainProject(run, installFolder);
    run.progress = progress.Shown();
    if (!installed) {
        Trace("DoInstall::PCInstall failed.\n");
        // A copy whose bytes were not the sealed ones names its data file.
        const std::string& damaged = run.damagedSource;
        if (!damaged.empty())
            state.installFailureText = DamagedPackageText(damaged.substr(damaged.find_last_of('\\') + 1),
                                                          "does not hold what its script seals");
        return false;
    }
    if (progress.Cancelled()) {
        Trace("DoInstall::Cancelled by the user before the installation commits.\n");
        return false;
    }
    if (!Register(run, state, registerDescriptors, progress.KiB())) return false;
    DeleteFileA(state.tempLogPath.c_str());
    Trace("DoInstall::Complete!\n");
    return true;
}

std::vector<HeldFile> HeldFilesOfThisRun(win::ApplicationHolders& holders, bool closeHolders) {
    const SetupState& state = Setup();
    std::string folder;
    const SectionPlaces places = PlacesOfThisRun();
    // A folder that does not fit fails the installation itself, before it changes anything.
    if (!TargetFolder(*state.current, state.chosenInstallFolder, kPathLimit, &folder)) return {};
    std::vector<HeldFile> held = FindHeldFiles(*state.current, places, folder, holders);
    if (held.empty() || !closeHolders || !holders.Close(HeldPaths(held))) return held;
    return FindHeldFiles(*state.current, places, folder, holders);
}

int InstallFailureMessage() {
    const int chosen = Setup().installFailureMessage;
    return chosen != 0 ? chosen : static_cast<int>(kStrInstallFailed);
}

bool DoInstall(InstallProgress* progress, RegisterDescriptorsFn registerDescriptors) {
    Journal journal;
    LogWriter log;
    InstallContext run(journal, log);
    run.progress = progress;
    run.ask = AskYesNo;
    if (RunInstallation(run, registerDescriptors)) return true;
    SetupState& state = Setup();
    // Everything the run changed goes back before the user hears of the failure.
    log.Close();
    const int left = journal.TakeBack();
    if (left > 0) Trace(text::Format("DoInstall::%d changes could not be taken back.\n", left).c_str());
    // The user who cancelled needs no message that the installation failed.
    if (progress && progress->Cancelled()) {
        Trace("DoInstall::The cancelled installation is taken back.\n");
        state.cancelled = true;
    } else if (!state.installFailureText.empty()) {
        ShowFixedMessage(state.installFailureText, state.language.caption, MB_ICONERROR);
    } else {
        MessageBoxFromId(static_cast<UINT>(InstallFailureMessage()), MB_ICONERROR);
    }
    state.installFailed = !state.cancelled;
    state.abort = 1;
    return false;
}
