#include "support/InstallRun.h"

#include <gtest/gtest.h>

InstallRun::InstallRun(const std::string& folder, const std::string& logPath) {
    EXPECT_TRUE(journal.Begin(folder + "\\test-run.journal", logPath));
    log.Open(logPath, LogWriter::Start::kEmpty);
}

InstallRun::~InstallRun() {
    log.Close();
    journal.Commit();
}
