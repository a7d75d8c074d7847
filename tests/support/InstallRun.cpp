#include "support/InstallRun.h"

#include "state/SetupState.h"
#include "win/Files.h"

#include <gtest/gtest.h>

InstallRun::InstallRun(const std::string& folder, const std::string& logPath) {
    EXPECT_TRUE(journal.Begin(folder + "\\test-run.journal", logPath));
    EXPECT_TRUE(log.Open(logPath, LogWriter::Start::kEmpty));
}

InstallRun::~InstallRun() {
    log.Close();
    journal.Commit();
}

bool PrepareDriverRun(const testenv::Package& package, const std::string& chosenFolder) {
    SetupState& state = ::Setup();
    state.mainProject.Reset();
    state.current = &state.mainProject;
    state.programFolder = package.Folder() + "\\";
    state.programPath = package.SetupPath();
    state.language.path = win::WindowsFolder() + "\\ResENU.DLL";
    state.chosenInstallFolder = chosenFolder;
    state.mountedDeviceFolder.clear();
    state.startupFolder.clear();
    state.commonStartupFolder.clear();
    state.launchCommand.clear();
    state.abort = 0;
    return state.mainProject.Load(package.PathOf("00000001"), true) == 0;
}
