// The context of an installation for tests that call its steps one at a time: a journal of
// its own in `folder` and the log at `logPath`. What the steps changed stays: the run commits
// when it ends, unless the test took it back.
#pragma once

#include <string>

#include "engine/InstallContext.h"
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

// The run-wide state as start-up and the wizard leave it for the install driver: the package's
// script loaded as the main project, its folders, the default language library and the chosen
// folder; no device, no Startup folders, nothing to launch. False when the script does not load.
bool PrepareDriverRun(const testenv::Package& package, const std::string& chosenFolder);
