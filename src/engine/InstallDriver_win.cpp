#include "engine/InstallDriver.h"

#include <windows.h>

#include <cstdint>

#include "base/RunResult.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "engine/InstallFile.h"
#include "transaction/Rollback.h"
#include "engine/TargetFolder.h"
#include "engine/UninstallEntry.h"
#include "log/InstallLog.h"
#include "transaction/Journal.h"
#include "script/PathTokens.h"
#include "state/Messages.h"
#include "state/SetupState.h"
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
    places.startupFolder = state.startupFolder;
    places.commonStartupFolder = state.commonStartupFolder;
    places.mountedDeviceFolder = state.mountedDeviceFolder;
    return places;
}

// Installs the current project and, recursively, its selected components.
bool PCInstall(bool masterFolder, InstallProgress* progress) {
    SetupState& state = Setup();
    const Project& project = *state.current;
    const SectionPlaces places = PlacesOfThisRun();

    const std::string system = win::SystemFolder();
    Trace("PCInstall::Installing system directory components...\n");
    if ((system.empty() && !Fail("PCInstall", "finding the system folder", "", GetLastError())) ||
        !InstallSection(project, places, system, false, kSectionSystem, masterFolder, true, progress)) {
        Trace("PCInstall::System directory install failed.\n");
        return false;
    }

    Trace(text::Format("PCInstall::Using MasterFolder: %u\n", masterFolder ? 1u : 0u).c_str());
    const std::string folder = masterFolder ? state.installFolder : TargetFolder(project, "", kPathLimit);
    if (!CreateFolderPath(folder, true)) return false;
    Trace("PCInstall::Destination folder existance asserted.\n");

    Trace("PCInstall::Installing application files and shortcuts...\n");
    if (!InstallSection(project, places, folder, true, kSectionApplication, masterFolder, true, progress)) {
        Trace("PCInstall::Installing application files and shortcuts failed.\n");
        return false;
    }

    if (!state.mountedDeviceFolder.empty() &&
        !InstallSection(project, places, folder, false, kSectionMountedDevice, masterFolder, true, progress)) {
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
        if (!InstallSection(project, places, "", false, kSectionConduit, masterFolder, true, progress)) {
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
            if (!PCInstall(component.useMainFolder != 0, progress)) return false;
        }
    }
    Trace("PCInstall call completed, returning...\n");
    return true;
}

// The run's temporary log and journal: new files of their own in the run files folder, so
// that no other run's records mix with this one's.
bool BeginJournal(SetupState* state) {
    const std::string folder = journal::RunFilesFolder();
    if (folder.empty()) {
        Trace("DoInstall::The rollback journal has no folder that only administrators can change.\n");
        return false;
    }
    for (unsigned long id = GetCurrentProcessId(), attempt = 0; attempt < 100; ++id, ++attempt) {
        const std::string journalPath = text::JoinPath(folder, RunJournalName(id));
        const std::string tempLog = text::JoinPath(folder, RunLogName(id));
        if (!journal::Begin(journalPath, tempLog)) continue;
        state->journalPath = journalPath;
        state->tempLogPath = tempLog;
        return true;
    }
    Trace("DoInstall::The rollback journal cannot be created.\n");
    return Fail("DoInstall", "creating the rollback journal in", folder, GetLastError());
}

// The folders the destination page made for this installation become its own: recorded in
// the journal and the log, so that a rollback and the uninstall remove them.
void AdoptPageFolders(const SetupState& state) {
    const std::string folder = text::AsciiUpper(state.installFolder) + "\\";
    for (const std::string& level : state.pageCreatedFolders) {
        if (folder.compare(0, level.size() + 1, text::AsciiUpper(level) + "\\") != 0) continue;
        journal::NoteFolder(level);
        LogRecord(kRecordCreateFolder, level.c_str());
    }
}

// The install log in the install folder is written whole, or the installation failed.
bool WriteInstallLog(const std::string& tempLog, const std::string& installLog) {
    CloseLogFile();
    if (LogWriteFailed()) return Fail("DoInstall", "writing whole the temporary log", tempLog, ERROR_WRITE_FAULT);
    if (!journal::NoteGrowth(installLog) || !AppendLogFile(tempLog, installLog))
        return Fail("DoInstall", "writing the install log", installLog, GetLastError());
    return true;
}

bool InstallMainProject(const std::string& installFolder, InstallProgress* progress) {
    SetupState& state = Setup();
    const Project& project = *state.current;
    state.installFolder = installFolder;

    state.uninstallDisplayName = UninstallDisplayName(project);
    if (!state.upgradeFlag) LogRecord(kRecordApplication, state.uninstallDisplayName.c_str());
    AdoptPageFolders(state);
    state.shortcutFolder = ShortcutFolder(project);

    if (!PCInstall(true, progress)) return false;

    // A launch command that does not pass the check launches nothing.
    if (!CheckLaunchCommand(project, project.launch, &state.launchCommand, installFolder, kPathLimit))
        state.launchCommand.clear();
    return true;
}

}  // namespace

bool RunInstallation(InstallProgress* progress, RegisterDescriptorsFn registerDescriptors) {
    SetupState& state = Setup();
    state.installFailureMessage = 0;
    state.installFailureText.clear();
    if (!BeginJournal(&state)) return false;
    const std::string& tempLog = state.tempLogPath;
    SetLogFile(tempLog, 1);
    Trace(text::Format("DoInstall::TempLogFileName produced: %s\n", tempLog.c_str()).c_str());
    state.installLogPath.clear();
    const std::string installFolder = TargetFolder(*state.current, state.chosenInstallFolder, kPathLimit);
    state.installLogPath = text::Format("%s\\%s", installFolder.c_str(), kInstallLogName);
    const std::string& installLog = state.installLogPath;
    state.upgradeFlag = win::FileExists(installLog) ? 1 : 0;
    Trace(text::Format("DoInstall::UpgradeFlag: %u\n", static_cast<unsigned>(state.upgradeFlag)).c_str());
    // An upgrade appends to the log: over one changed since an installation wrote it, the
    // product could no longer be uninstalled, as its uninstall refuses such a log.
    std::string earlier;
    if (state.upgradeFlag && win::ReadWholeFile(installLog, &earlier) &&
        CheckInstallLogDigest(installLog, earlier) == LogDigestCheck::kDiffers) {
        state.installFailureText = text::Format(kLogChanged, installLog.c_str());
        return false;
    }

    const bool mountedDevice = !state.mountedDeviceFolder.empty();
    RunProgress run(progress);
    run.Begin(CountInstallFiles(*state.current, mountedDevice));
    Trace("DoInstall::Invoking PCInstall...\n");
    if (!InstallMainProject(installFolder, &run)) {
        Trace("DoInstall::PCInstall failed.\n");
        // A copy whose bytes were not the sealed ones names its data file.
        const std::string& damaged = SourceAgainstSeal();
        if (!damaged.empty())
            state.installFailureText = DamagedPackageText(damaged.substr(damaged.find_last_of('\\') + 1),
                                                          "does not hold what its script seals");
        return false;
    }

    if (run.Cancelled()) {
        Trace("DoInstall::Cancelled by the user before the installation commits.\n");
        return false;
    }
    Trace("DoInstall::Registering the ALX files with the registry...\n");
    registerDescriptors(*state.current, state.installFolder);
    Trace("DoInstall::Invoking PrepareUnInstall()...\n");
    // A product without its entry could never be uninstalled.
    if (!PrepareUnInstall(*state.current, state.programPath, state.installFolder, state.language.path, run.KiB()))
        return false;
    // The install log is the commit point: once it is whole, nothing is taken back. Its digest
    // goes into the entry before; one that cannot be stored leaves the log trusted as before.
    if (!WriteInstallLog(tempLog, installLog)) return false;
    if (!StoreInstallLogDigest(installLog, tempLog))
        Fail("DoInstall", "storing the install log's digest for", installLog, GetLastError(), Failing::kBestEffort);
    if (!journal::Commit()) return false;
    DeleteFileA(tempLog.c_str());
    Trace("DoInstall::Complete!\n");
    return true;
}

int InstallFailureMessage() {
    const int chosen = Setup().installFailureMessage;
    return chosen != 0 ? chosen : static_cast<int>(kStrInstallFailed);
}

bool DoInstall(InstallProgress* progress, RegisterDescriptorsFn registerDescriptors) {
    if (RunInstallation(progress, registerDescriptors)) return true;
    SetupState& state = Setup();
    // Everything the run changed goes back before the user hears of the failure.
    CloseLogFile();
    if (journal::Active()) {
        journal::Close();
        const int left = RollBack(state.journalPath);
        if (left > 0) Trace(text::Format("DoInstall::%d changes could not be taken back.\n", left).c_str());
    }
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
