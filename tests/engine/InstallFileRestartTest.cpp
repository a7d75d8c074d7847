// The replacement at restart carried out by the system: one test schedules it for a shared
// file held in use, the prefix restarts, and a second test finds the new content in place.
// Disabled for ordinary runs; tests/CMakeLists.txt runs them in order around a restart.
#include <gtest/gtest.h>

#include "engine/InstallFile.h"
#include "log/InstallLog.h"
#include "support/InstallRun.h"
#include "support/PendingRenames.h"
#include "support/SharedDlls.h"
#include "support/TestEnv.h"
#include "win/Files.h"
#include "win/UniqueHandle.h"

namespace {

std::string Folder() { return win::TempFolder() + "st_RestartRoad"; }
std::string Destination() { return Folder() + "\\restart.dll"; }
std::string PendingCopy() {
    std::string shortTarget = installfile::ShortForm(Destination());
    return shortTarget.substr(0, shortTarget.rfind('.')) + ".new";
}

TEST(RestartRoad, DISABLED_ScheduleInUseSharedFile) {
    ASSERT_TRUE(sharedkey::Create());
    testenv::DeleteTree(Folder());
    ASSERT_TRUE(CreateDirectoryA(Folder().c_str(), nullptr));
    const std::string source = Folder() + "\\00000001";
    ASSERT_TRUE(testenv::WriteFile(source, "restart: new content"));
    ASSERT_TRUE(testenv::WriteFile(Destination(), "restart: old content"));
    const std::string log = Folder() + "\\install.log";
    InstallRun run(Folder(), log);

    win::UniqueFile inUse(CreateFileA(Destination().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
    ASSERT_TRUE(inUse.valid());
    EXPECT_NE(0, InstallFile(run.context, source, Destination(), kReplaceAlways, Count::kShared, Logging::kRecord));
    EXPECT_EQ("restart: new content", testenv::ReadFile(PendingCopy()));
    EXPECT_EQ("", testenv::ReadFile(log)) << "a deferred file is neither logged nor counted";
    installfile::RenamePair pending;
    EXPECT_TRUE(installfile::FindPendingRename(PendingCopy(), &pending));
}

TEST(RestartRoad, DISABLED_NewContentInPlaceAfterRestart) {
    installfile::RenamePair pending;
    bool stillPending = installfile::FindPendingRename(PendingCopy(), &pending);
    std::string content = testenv::ReadFile(Destination());
    bool copyLeft = win::FileExists(Folder() + "\\restart.new");
    installfile::RemovePendingRenames(PendingCopy());
    sharedkey::Remove(Destination());
    testenv::DeleteTree(Folder());

    EXPECT_FALSE(stillPending);
    EXPECT_EQ("restart: new content", content);
    EXPECT_FALSE(copyLeft);
}

}  // namespace
