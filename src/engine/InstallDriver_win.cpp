#include "engine/InstallDriver.h"

#include <windows.h>

#include <cstdint>

#include "base/Text.h"
#include "base/Trace.h"
#include "engine/LogReplay.h"
#include "engine/TargetFolder.h"
#include "engine/UninstallEntry.h"
#include "log/InstallLog.h"
#include "script/PathTokens.h"
#include "state/Messages.h"
#include "state/SetupState.h"
#include "win/Files.h"

namespace {

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
    if (system.empty() ||
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

bool InstallMainProject(const std::string& installFolder, InstallProgress* progress) {
    SetupState& state = Setup();
    const Project& project = *state.current;
    state.installFolder = installFolder;

    state.uninstallDisplayName = UninstallDisplayName(project);
    if (!state.upgradeFlag) LogRecord(kRecordApplication, state.uninstallDisplayName.c_str());
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

    if (win::TempFolder().empty()) Trace("DoInstall::GetTempPath() failed, assigning hardcoded path...\n");
    state.tempLogPath = TempLogFileName();
    const std::string& tempLog = state.tempLogPath;
    // Emptied first, so that a run that stops before its first record leaves no earlier
    // run's records in the temporary log.
    SetLogFile(tempLog, 1);
    Trace(text::Format("DoInstall::TempLogFileName produced: %s\n", tempLog.c_str()).c_str());
    state.installLogPath.clear();
    const std::string installFolder = TargetFolder(*state.current, state.chosenInstallFolder, kPathLimit);
    state.installLogPath = text::Format("%s\\%s", installFolder.c_str(), kInstallLogName);
    const std::string& installLog = state.installLogPath;
    state.upgradeFlag = win::FileExists(installLog) ? 1 : 0;
    Trace(text::Format("DoInstall::UpgradeFlag: %u\n", static_cast<unsigned>(state.upgradeFlag)).c_str());

    RunProgress run(progress);
    run.Begin(CountInstallFiles(*state.current, !state.mountedDeviceFolder.empty()));
    Trace("DoInstall::Invoking PCInstall...\n");
    if (!InstallMainProject(installFolder, &run)) {
        Trace("DoInstall::PCInstall failed.\n");
        return false;
    }

    Trace("DoInstall::Registering the ALX files with the registry...\n");
    registerDescriptors(*state.current, state.installFolder);
    Trace("DoInstall::Invoking PrepareUnInstall()...\n");
    PrepareUnInstall(*state.current, state.programPath, state.installFolder, state.language.path, run.KiB());
    // A failed append leaves the installation in place; it still counts as done.
    AppendLogFile(tempLog, installLog);
    StoreInstallLogDigest(installLog, tempLog);
    Trace("DoInstall::Complete!\n");
    return true;
}

int InstallFailureMessage() {
    const int chosen = Setup().installFailureMessage;
    return chosen != 0 ? chosen : static_cast<int>(kStrInstallFailed);
}

bool DoInstall(InstallProgress* progress, RegisterDescriptorsFn registerDescriptors) {
    if (RunInstallation(progress, registerDescriptors)) return true;
    MessageBoxFromId(static_cast<UINT>(InstallFailureMessage()), MB_ICONERROR);
    SetupState& state = Setup();
    // Nothing of a failed first installation stays behind; a failed upgrade goes with the
    // product's uninstall.
    RecoverFailedInstallation(state.tempLogPath, state.installLogPath, state.upgradeFlag != 0);
    state.abort = 1;
    return false;
}
