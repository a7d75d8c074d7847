// The context of an installation for tests that call its steps one at a time: a journal of
// its own in `folder` and the log at `logPath`. What the steps changed stays: the run commits
// when it ends, unless the test took it back.
#pragma once

#include <string>

#include "engine/InstallContext.h"
#include "engine/InstallDriver.h"
#include "script/Project.h"
#include "log/LogWriter.h"
#include "support/Package.h"
#include "transaction/Journal.h"

struct InstallRun {
    InstallRun(const std::string& folder, const std::string& logPath);
    ~InstallRun();
    InstallRun(const InstallRun&) = delete;
    InstallRun& operator=(const InstallRun&) = delete;

    Journal journal;
    LogWriter log;
    InstallContext context{journal, log};
};

// The plan of `project` into `folder` made and carried out unit by unit in `context`, as the
// install driver does between the product's record and its registrations. False at the first
// failure.
bool InstallPlanned(InstallContext& context, const Project& project, const std::string& folder,
                    const SectionPlaces& places);

// What start-up and the wizard hand the install driver: the package's script loaded as the main
// project (owned by `run`), the chosen folder and device folder, the real system folder, the
// default language library; no Startup folders. False when the script does not load or the
// plan cannot be made.
struct DriverRun {
    Project project;
    InstallRequest request;
    InstallResult result;
};
bool PrepareDriverRun(const testenv::Package& package, const std::string& chosenFolder, DriverRun* run,
                      const std::string& deviceFolder = std::string());
