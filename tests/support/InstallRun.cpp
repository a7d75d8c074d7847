#include "support/InstallRun.h"

#include "engine/Plan.h"
#include "engine/Section.h"
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

bool InstallPlanned(InstallContext& context, const Project& project, const std::string& folder,
                    const SectionPlaces& places) {
    InstallPlan plan;
    if (!MakePlan(project, folder, places, &plan)) return false;
    for (const PlanUnit& unit : plan.units)
        if (!InstallUnit(context, unit)) return false;
    return true;
}

bool PrepareDriverRun(const testenv::Package& package, const std::string& chosenFolder, DriverRun* run,
                      const std::string& deviceFolder) {
    run->project.Reset();
    if (run->project.Load(package.PathOf("00000001"), true) != 0) return false;
    InstallRequest& request = run->request;
    request = InstallRequest();
    request.project = &run->project;
    request.programPath = package.SetupPath();
    request.languagePath = win::WindowsFolder() + "\\ResENU.DLL";
    SectionPlaces places;
    places.dataFolder = package.Folder() + "\\";
    places.systemFolder = win::SystemFolder();
    places.mountedDeviceFolder = deviceFolder;
    return MakePlan(run->project, chosenFolder, places, &request.plan);
}
