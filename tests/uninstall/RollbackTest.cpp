// A failed installation taken back: a first installation by replaying its temporary log, an
// installation over an earlier one (through setup.exe's wizard) by handing its records to the
// product's uninstall.
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

TEST_F(Rollback, FailedFirstInstallationLeavesNothingAndSparesTheEarlierOne) {
    const std::string company = testenv::UniqueName("V");
    const product::Product earlier = Make(company, "Notes", testenv::UniqueName("s") + ".dll");
    ASSERT_TRUE(product::Install(earlier, {}));
    // The same product installed afresh into another folder: a first installation there,
    // under the same Uninstall entry name and into the same Programs-menu folder.
    const std::string other = root_ + "\\other";
    ASSERT_TRUE(CreateDirectoryA(other.c_str(), nullptr));
    const product::Product notes = product::Describe(other, company, "Notes", testenv::UniqueName("t") + ".dll",
                                                     &cleanup_);
    product::Run run;
    run.extraFiles = {"Extra.txt"};
    run.failAtEnd = true;
    ASSERT_FALSE(product::Install(notes, run));
    ASSERT_TRUE(win::FileExists(notes.install + "\\more\\Extra.txt")) << "failed before its last file";
    ASSERT_EQ("Application: " + notes.displayName, installed::LogLines(notes.tempLog).at(0));
    Lines expectedEarlier = product::Remains(earlier);

    // Its Application record names the earlier installation's entry: passed over, not removed.
    EXPECT_TRUE(RecoverFailedInstallation(notes.tempLog, notes.installLog, false));
    EXPECT_EQ((Lines{"folder " + installed::ProgramsFolder() + "\\" + company, "folder " + notes.menu, "entry"}),
              product::Remains(notes));
    EXPECT_FALSE(win::FileExists(other + "\\Program Files"));
    EXPECT_TRUE(win::FileExists(notes.tempLog)) << "the temporary log is kept";
    // The failed run had written the menu's shortcuts over the earlier ones, so they went.
    for (const char* link : {"\\Notes.lnk", "\\Readme.lnk"}) {
        auto found = std::find(expectedEarlier.begin(), expectedEarlier.end(), "link " + earlier.menu + link);
        ASSERT_NE(expectedEarlier.end(), found);
        expectedEarlier.erase(found);
    }
    EXPECT_EQ(expectedEarlier, product::Remains(earlier));
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
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "CopyFile: " + notes.install + "\\more\\Extra.txt"))
        << testing::PrintToString(second.seen) << "\n" << testing::PrintToString(log);
    EXPECT_EQ(2, sharedkey::Count(notes.systemFile));

    product::ExpectDone(product::Uninstall(notes), notes.displayName);
    // The destination page made the install folder before the installation began: no log
    // holds it, so it stays, empty.
    EXPECT_EQ((Lines{"folder " + root_ + "\\Program Files\\" + notes.company, "folder " + notes.install}),
              product::Remains(notes));
}

}  // namespace
