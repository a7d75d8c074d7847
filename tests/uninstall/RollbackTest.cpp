// A failed installation taken back: a first installation by replaying its temporary log, an
// installation over an earlier one by handing its records to the product's uninstall.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/LogReplay.h"
#include "support/Installed.h"
#include "support/SharedDlls.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "support/Wizard.h"
#include "uninstall/Product.h"
#include "win/Files.h"

namespace {

using Lines = std::vector<std::string>;

using Rollback = product::ProductTest;

TEST_F(Rollback, FailedFirstInstallationLeavesNothing) {
    const product::Product notes = Make(testenv::UniqueName("V"), "Notes", testenv::UniqueName("s") + ".dll");
    product::Run run;
    run.extraFiles = {"Extra.txt"};
    run.failAtEnd = true;
    ASSERT_FALSE(product::Install(notes, run));
    ASSERT_TRUE(win::FileExists(notes.install + "\\more\\Extra.txt")) << "failed before its last file";
    ASSERT_EQ("Application: " + notes.displayName, installed::LogLines(notes.tempLog).at(0));

    // The Application record has no entry behind it yet: passed over, not a failure.
    EXPECT_TRUE(RecoverFailedInstallation(notes.tempLog, notes.installLog, false));
    EXPECT_EQ(Lines{}, product::Remains(notes));
    EXPECT_FALSE(win::FileExists(root_ + "\\Program Files"));
    EXPECT_TRUE(win::FileExists(notes.tempLog)) << "the temporary log is kept";
}

TEST_F(Rollback, FailedUpgradeGoesWithTheUninstall) {
    const product::Product notes = Make(testenv::UniqueName("V"), "Notes", testenv::UniqueName("s") + ".dll");
    ASSERT_TRUE(product::Install(notes, {}));
    const size_t firstRun = installed::LogLines(notes.installLog).size();
    product::Run upgrade;
    upgrade.package = 2;
    upgrade.extraFiles = {"Extra.txt"};
    upgrade.failAtEnd = true;
    ASSERT_FALSE(product::Install(notes, upgrade));
    ASSERT_EQ(2, sharedkey::Count(notes.systemFile));

    EXPECT_TRUE(RecoverFailedInstallation(notes.tempLog, notes.installLog, true));
    const Lines log = installed::LogLines(notes.installLog);
    EXPECT_EQ(firstRun + installed::LogLines(notes.tempLog).size(), log.size());
    EXPECT_EQ(1, std::count(log.begin(), log.end(), "Application: " + notes.displayName));

    product::ExpectDone(product::Uninstall(notes), notes.displayName);
    EXPECT_EQ(Lines{}, product::Remains(notes));
    EXPECT_FALSE(win::FileExists(root_ + "\\Program Files"));
}

TEST_F(Rollback, FailedUpgradeThroughTheWizardGoesWithTheUninstall) {
    product::Product notes = Make(testenv::UniqueName("V"), "Notes", testenv::UniqueName("s") + ".dll");
    product::UseMachineFolders(&notes, &cleanup_);
    const testenv::WizardWalk first = product::InstallThroughWizard(notes, {});
    ASSERT_EQ(0, first.exitCode);
    ASSERT_TRUE(win::FileExists(notes.installLog)) << testing::PrintToString(first.seen);

    product::Run upgrade;
    upgrade.package = 2;
    upgrade.extraFiles = {"Extra.txt"};
    upgrade.failAtEnd = true;
    const testenv::WizardWalk second = product::InstallThroughWizard(notes, upgrade);
    ASSERT_FALSE(second.seen.empty());
    EXPECT_EQ("box:" + testenv::LibraryString(9), second.seen.back());
    // The failed run's records belong to the product now.
    const Lines log = installed::LogLines(notes.installLog);
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "CopyFile: " + notes.install + "\\more\\Extra.txt"));
    EXPECT_EQ(2, sharedkey::Count(notes.systemFile));

    product::ExpectDone(product::Uninstall(notes), notes.displayName);
    // The destination page made the install folder before the installation began: no log
    // holds it, so it stays, empty.
    EXPECT_EQ((Lines{"folder " + root_ + "\\Program Files\\" + notes.company, "folder " + notes.install}),
              product::Remains(notes));
}

}  // namespace
