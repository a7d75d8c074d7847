// Start-up as the user meets it: setup.exe in a package folder whose script is missing or
// malformed shows the script message with the loader's code and ends with exit code 1.
#include <gtest/gtest.h>

#include "support/Package.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"

namespace {

TEST(StartupScript, MissingScriptShowsCodeAndExitsWithOne) {
    testenv::Package package(testenv::FreshFolder());
    ASSERT_TRUE(package.AddSetup());

    ui::SingleMessageRun run = ui::RunExpectingOneMessage(package.SetupPath(), "", package.Folder());

    ASSERT_TRUE(run.sawBox);
    EXPECT_EQ("Couldn't load the install script (error code 0x80660002). The installation will terminate.",
              run.box.text);
    EXPECT_EQ("", run.box.caption);
    EXPECT_EQ(1, run.exitCode);
}

}  // namespace
