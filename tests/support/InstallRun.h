// The context of an installation for tests that call its steps one at a time: a journal of
// its own in `folder` and the log at `logPath`. What the steps changed stays: the run commits
// when it ends, unless the test took it back.
#pragma once

#include <string>

#include "engine/InstallContext.h"
#include "log/LogWriter.h"
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
