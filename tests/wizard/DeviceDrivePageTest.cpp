// The device drive page inside the test program: the components page is what puts it into a
// wizard, so the test builds such a list itself and runs it, answering the pages from a
// second thread as a user would.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "startup/Language.h"
#include "state/SetupState.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "support/Wizard.h"
#include "wizard/WizardRun.h"

namespace {

std::vector<std::string> DriveRoots() {
    char buffer[MAX_PATH] = {};
    std::vector<std::string> roots;
    const DWORD n = GetLogicalDriveStringsA(sizeof(buffer), buffer);
    for (DWORD at = 0; at < n && buffer[at]; at += static_cast<DWORD>(roots.back().size()) + 1)
        roots.push_back(buffer + at);
    return roots;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam) { return SendMessageA(window, message, wParam, 0); }

TEST(DeviceDrivePage, ListsTheDrivesAndKeepsTheChosenRoot) {
    SetupState state;
    ASSERT_TRUE(LoadLanguageLibrary(testenv::BinFolder() + "ResENU.DLL"));
    state.mainProject.title = "Drive Demo";
    state.programPath = testenv::BinFolder() + "setup.exe";  // the uninstaller the installation puts in place
    WizardState wizard(state);
    PageList& pages = wizard.pages;
    ASSERT_TRUE(pages.InsertPageAfter(kPageDeviceDrive, 0));
    ASSERT_TRUE(pages.RemovePageAt(0));
    ASSERT_TRUE(pages.Append(kPageDestination));

    const std::vector<std::string> roots = DriveRoots();
    ASSERT_GE(roots.size(), 2u);
    const DWORD self = GetCurrentProcessId();
    std::string chosen;
    std::string afterBack;
    std::thread user([&] {
        HWND page = ui::WaitForDialog(self, testenv::kDeviceDriveMark);
        ASSERT_TRUE(page);
        HWND combo = GetDlgItem(page, testenv::kDeviceDriveMark);
        EXPECT_EQ(static_cast<LRESULT>(roots.size()), Send(combo, CB_GETCOUNT, 0));
        // No drive here holds a handheld: the first root is proposed.
        EXPECT_EQ(0, Send(combo, CB_GETCURSEL, 0));
        EXPECT_FALSE(ui::IsControlEnabled(page, testenv::kBackButton));

        // A device plugged in refills the list and proposes again.
        Send(combo, CB_SETCURSEL, 1);
        Send(page, WM_DEVICECHANGE, 0x8000);  // DBT_DEVICEARRIVAL
        EXPECT_EQ(static_cast<LRESULT>(roots.size()), Send(combo, CB_GETCOUNT, 0));
        EXPECT_EQ(0, Send(combo, CB_GETCURSEL, 0));

        Send(combo, CB_SETCURSEL, roots.size() - 1);
        HWND destination = testenv::PressAndWait(self, page, testenv::kNextButton, testenv::kDestinationMark);
        ASSERT_TRUE(destination);
        chosen = state.mountedDeviceFolder;

        // Leaving with Back or Cancel keeps the root chosen before.
        page = testenv::PressAndWait(self, destination, testenv::kBackButton, testenv::kDeviceDriveMark);
        ASSERT_TRUE(page);
        Send(GetDlgItem(page, testenv::kDeviceDriveMark), CB_SETCURSEL, 0);
        ui::SetupProcess::PressId(page, testenv::kCancelButton);
        EXPECT_TRUE(testenv::AnswerBox(self, "Yes"));
        afterBack = state.mountedDeviceFolder;
    });
    const bool finished = RunPages(nullptr, wizard);
    user.join();

    EXPECT_FALSE(finished);
    EXPECT_EQ(1, state.abort);
    EXPECT_EQ(roots.back(), chosen);
    EXPECT_EQ(roots.back(), afterBack);
}

}  // namespace
