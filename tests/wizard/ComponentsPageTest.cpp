// The components page as the user meets it in setup.exe: the list and its texts, exclusive
// groups, the free-choice minimum, Select all and Clear all, and the folder pages and the
// installation that follow the choice.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/Text.h"
#include "support/Installed.h"
#include "support/Package.h"
#include "script/ScriptWriter.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "support/Wizard.h"
#include "win/Files.h"
#include "win/UniqueHandle.h"

namespace {

using testenv::kComponentsMark;
using testenv::kDestinationMark;
using testenv::kDeviceDriveMark;


// One component of the main script "Suite". Its own script has one file, `title`.txt with a
// Programs-menu shortcut, and optionally one nested component with a file of its own.
struct Part {
    Part(std::string name, int32_t groupNumber = 0, int32_t isSelected = 1, std::string text = "",
         std::string windowTitle = "", int32_t fileSection = -1, int32_t mainFolder = 1, std::string nestedTitle = "")
        : title(std::move(name)), group(groupNumber), selected(isSelected), description(std::move(text)),
          winTitle(std::move(windowTitle)), section(fileSection), useMain(mainFolder), nested(std::move(nestedTitle)) {}
    std::string title;
    int32_t group, selected;
    std::string description, winTitle;
    int32_t section;     // the section of its file; -1: no file
    int32_t useMain;     // 0: its own folder, `root`\`title`
    std::string nested;  // the title of its nested component (selected, main folder)
};

struct SuitePackage {
    std::string root = testenv::FreshFolder();
    std::string mainConduitFolder;
    std::string company = testenv::UniqueName("Parts");  // its own menu folder
    testenv::TestLibrary library;
    testenv::Package package{root + "\\package"};

    // Script n (10 + part, 40 + part for the nested one) installs data file n + 100.
    void WriteScript(int number, const std::string& title, int32_t section, script::ScriptWriter script) {
        script.Set("Title", title);
        script.Set("Company", company);
        if (section >= 0) {
            const FileSection s = static_cast<FileSection>(section);
            script::ScriptFile file{title + ".txt", script.AddFolder(s, ""), number + 100};
            file.menuShortcut = 1;
            script.AddFile(s, file);
            EXPECT_TRUE(package.WriteData(number + 100, title));
        }
        EXPECT_TRUE(script.Write(package.DataPath(number)));
    }

    bool Lay(const std::vector<Part>& parts, int32_t minFree) {
        if (!CreateDirectoryA(package.Folder().c_str(), nullptr) || !package.AddSetup() ||
            !package.AddLanguageLibrary(2))
            return false;
        script::ScriptWriter main;
        main.Set("Title", "Suite");
        main.Set("Company", company);
        main.Set("LanguageDLL", library.Name());
        main.Set("LanguageDLLIndex", 2);
        main.Set("Multicomp", 1);
        main.Set("Group0_MinComp", minFree);
        main.Set("DefTargetDir", root + "\\Suite");
        // A Conduit folder without files of its own: the step that makes it runs when any
        // component, chosen or not, has conduit files.
        if (!mainConduitFolder.empty()) main.AddFolder(kSectionConduit, mainConduitFolder);
        for (int i = 0; i < static_cast<int>(parts.size()); ++i) {
            const Part& part = parts[i];
            script::ScriptWriter sub;
            sub.Set("WinTitle", part.winTitle);
            if (!part.useMain) sub.Set("DefTargetDir", root + "\\" + part.title);
            if (!part.nested.empty()) {
                sub.Set("Multicomp", 1);
                sub.AddComponent({part.nested, 40 + i});
                WriteScript(40 + i, part.nested, kSectionApplication, script::ScriptWriter());
            }
            WriteScript(10 + i, part.title, part.section, sub);
            main.AddComponent({part.title, 10 + i, part.useMain, part.selected, part.group, part.description});
        }
        return package.WriteScript(main.Text());
    }

    // What an installation adds outside the test's folder.
    installed::Cleanup cleanup{{{HKEY_LOCAL_MACHINE, std::string(installed::kUninstallKey) + "\\" + company +
                                                         " Suite for BlackBerry"}},
                               {}, {}, {installed::ProgramsFolder() + "\\" + company}, {}};
};

HWND OpenComponentsPage(ui::SetupProcess* process, const testenv::Package& package) {
    HWND welcome = testenv::StartWizard(process, package);
    return welcome ? testenv::PressAndWait(*process, welcome, IDC_NEXT, kComponentsMark) : nullptr;
}

// Clicks a list item (or presses a button) and waits until the page has taken the change in:
// the list toggles on the mouse press, the page hears of it on the release.
void Change(HWND page, int item, int button, const std::vector<bool>& expected) {
    ASSERT_TRUE(button ? ui::SetupProcess::PressId(page, button) : ui::ClickListItem(page, IDC_COMPONENT_LIST, item));
    const std::string count = std::to_string(std::count(expected.begin(), expected.end(), true)) + " of ";
    ASSERT_TRUE(ui::WaitUntil([&] {
        return ui::ListSelection(page, IDC_COMPONENT_LIST) == expected &&
               ui::ControlText(page, IDC_SELECTION_COUNT).rfind(count, 0) == 0;
    })) << "item " << item << ", button " << button;
}
void Click(HWND page, int item, const std::vector<bool>& expected) { Change(page, item, 0, expected); }
void Press(HWND page, int button, const std::vector<bool>& expected) { Change(page, -1, button, expected); }

void CancelRun(ui::SetupProcess* process, HWND page) {
    ASSERT_TRUE(ui::SetupProcess::PressId(page, testenv::kCancelButton));
    ASSERT_TRUE(testenv::AnswerBox(*process, "Yes"));
    EXPECT_EQ(1602, process->WaitForExit());
}

TEST(ComponentsPage, ExclusiveGroupsKeepOneMemberEachAndGateNext) {
    SuitePackage suite;
    ASSERT_TRUE(suite.Lay({{"Alpha", 5, 1, "First of five", "<Title> Tools"},
                           {"Beta", 5, 0, "Second of five", "<Bad"},
                           {"Gamma", 7, 0, "Only of seven", ""}},
                          1));
    ui::SetupProcess process;
    HWND page = OpenComponentsPage(&process, suite.package);
    ASSERT_TRUE(page);

    // Window titles expanded, shown as written when they do not expand, the title when empty.
    EXPECT_EQ((std::vector<std::string>{"Alpha Tools", "<Bad", "Gamma"}), ui::ListItems(page, IDC_COMPONENT_LIST));
    EXPECT_EQ((std::vector<bool>{true, false, false}), ui::ListSelection(page, IDC_COMPONENT_LIST));
    EXPECT_EQ("Alpha:\r\nFirst of five", ui::ControlText(page, IDC_COMPONENT_INFO));
    EXPECT_EQ("1 of 2 selected", ui::ControlText(page, IDC_SELECTION_COUNT));
    EXPECT_FALSE(ui::IsControlVisible(page, IDC_SELECT_ALL));
    EXPECT_FALSE(ui::IsControlEnabled(page, IDC_NEXT));
    EXPECT_EQ("", testenv::WalkByKeyboard(process.ProcessId(), page));

    // Choosing Beta gives up Alpha; Next waits for group 7 too.
    Click(page, 1, {false, true, false});
    EXPECT_EQ("Beta:\r\nSecond of five", ui::ControlText(page, IDC_COMPONENT_INFO));
    EXPECT_FALSE(ui::IsControlEnabled(page, IDC_NEXT));
    Click(page, 2, {false, true, true});
    EXPECT_EQ("2 of 2 selected", ui::ControlText(page, IDC_SELECTION_COUNT));
    EXPECT_TRUE(ui::IsControlEnabled(page, IDC_NEXT));
    Click(page, 0, {true, false, true});
    EXPECT_TRUE(ui::IsControlEnabled(page, IDC_NEXT));

    Press(page, IDC_CLEAR_ALL, {false, false, false});
    EXPECT_FALSE(ui::IsControlEnabled(page, IDC_CLEAR_ALL));
    EXPECT_EQ("", testenv::WalkByKeyboard(process.ProcessId(), page));  // the focus left Clear All
    Click(page, 2, {false, false, true});
    EXPECT_FALSE(ui::IsControlEnabled(page, IDC_NEXT));
    CancelRun(&process, page);
}

TEST(ComponentsPage, FreeChoicesFollowTheMinimumWithSelectAllAndClearAll) {
    for (int32_t minFree : {0, 2}) {
        SCOPED_TRACE(minFree);
        SuitePackage suite;
        ASSERT_TRUE(suite.Lay({{"One"}, {"Two", 0, 0}, {"Three", 0, 0}}, minFree));
        ui::SetupProcess process;
        HWND page = OpenComponentsPage(&process, suite.package);
        ASSERT_TRUE(page);
        EXPECT_TRUE(ui::IsControlEnabled(page, IDC_SELECT_ALL));
        EXPECT_EQ(minFree <= 1, ui::IsControlEnabled(page, IDC_NEXT));

        Press(page, IDC_SELECT_ALL, {true, true, true});
        EXPECT_FALSE(ui::IsControlEnabled(page, IDC_SELECT_ALL));
        EXPECT_TRUE(ui::IsControlEnabled(page, IDC_CLEAR_ALL));
        EXPECT_TRUE(ui::IsControlEnabled(page, IDC_NEXT));
        EXPECT_EQ("3 of 3 selected", ui::ControlText(page, IDC_SELECTION_COUNT));

        Press(page, IDC_CLEAR_ALL, {false, false, false});
        EXPECT_FALSE(ui::IsControlEnabled(page, IDC_CLEAR_ALL));
        EXPECT_TRUE(ui::IsControlEnabled(page, IDC_SELECT_ALL));
        EXPECT_EQ(minFree == 0, ui::IsControlEnabled(page, IDC_NEXT));

        Click(page, 0, {true, false, false});
        Click(page, 2, {true, false, true});
        EXPECT_TRUE(ui::IsControlEnabled(page, IDC_NEXT));
        CancelRun(&process, page);
    }
}

// Back and forth keeps one device drive page, then one destination page, which stays the page
// before the last; the choice made last is what gets installed, each component into its
// folder and menu, nested components with their parent.
TEST(ComponentsPage, FolderPagesAndInstallationFollowTheChoice) {
    win::ComInit com;  // to read the shortcuts back
    SuitePackage suite;
    suite.mainConduitFolder = suite.root + "\\Conduits";
    ASSERT_TRUE(suite.Lay({{"desk", 0, 1, "", "", kSectionApplication},
                           {"card", 0, 1, "", "", kSectionMountedDevice},
                           {"extra", 0, 1, "", "", kSectionApplication, 1, "deep"},
                           {"own", 0, 0, "", "", kSectionApplication, 0, "inner"},
                           {"sync", 0, 0, "", "", kSectionConduit}},
                          1));
    // An existing folder: the destination page lets the user go back without a question.
    ASSERT_TRUE(CreateDirectoryA((suite.root + "\\Suite").c_str(), nullptr));
    ui::SetupProcess process;
    HWND page = OpenComponentsPage(&process, suite.package);
    ASSERT_TRUE(page);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        HWND drive = testenv::PressAndWait(process, page, IDC_NEXT, kDeviceDriveMark);
        ASSERT_TRUE(drive);
        EXPECT_EQ("&Next >", ui::ControlText(drive, IDC_NEXT));
        HWND destination = testenv::PressAndWait(process, drive, IDC_NEXT, kDestinationMark);
        ASSERT_TRUE(destination);
        EXPECT_EQ("&Install", ui::ControlText(destination, IDC_NEXT));
        drive = testenv::PressAndWait(process, destination, IDC_BACK, kDeviceDriveMark);
        ASSERT_TRUE(drive);
        page = testenv::PressAndWait(process, drive, IDC_BACK, kComponentsMark);
        ASSERT_TRUE(page);
    }

    // Without the component that has files for the device, its page is gone.
    Click(page, 1, {true, false, true, false, false});
    Click(page, 2, {true, false, false, false, false});
    Click(page, 3, {true, false, false, true, false});
    HWND destination = testenv::PressAndWait(process, page, IDC_NEXT, kDestinationMark);
    ASSERT_TRUE(destination);
    EXPECT_EQ("&Install", ui::ControlText(destination, IDC_NEXT));
    const testenv::WizardWalk walk = testenv::WalkWizard(process);
    EXPECT_EQ(0, walk.exitCode);
    EXPECT_EQ((std::vector<std::string>{"page:destination", "page:progress"}), walk.seen);

    const std::string menu = installed::ProgramsFolder() + "\\" + suite.company;
    for (const std::string name : {"desk", "inner", "own"}) {
        SCOPED_TRACE(name);
        const std::string place = name == "own" ? "\\own\\" : "\\Suite\\";
        const std::string file = suite.root + place + name + ".txt";
        EXPECT_EQ(name, testenv::ReadFile(file));
        EXPECT_TRUE(text::EqualsNoCase(file, installed::ShortcutTarget(menu + place + name + ".lnk")));
    }
    for (const char* name : {"card", "extra", "deep"})
        EXPECT_FALSE(win::FileExists(suite.root + "\\Suite\\" + name + ".txt")) << name;
    // The unchosen component's conduit file ran the main project's Conduit step, which made
    // its folder; the file itself stays out.
    EXPECT_TRUE(win::IsDirectory(suite.mainConduitFolder));
    EXPECT_EQ(std::vector<std::string>{}, installed::FolderEntries(suite.mainConduitFolder));

    // The registered uninstall takes everything of the chosen subset away again.
    const std::string command = installed::UninstallValue(suite.company + " Suite for BlackBerry", "UninstallString");
    const size_t split = command.find(" -u");
    ASSERT_NE(std::string::npos, split) << command;
    const ui::SingleMessageRun uninstall =
        ui::RunExpectingOneMessage(command.substr(0, split), command.substr(split + 1), "");
    EXPECT_EQ(0, uninstall.exitCode);
    for (const char* place : {"\\own", "\\Conduits"}) EXPECT_FALSE(win::FileExists(suite.root + place)) << place;
    // The install folder was there before the installation: it stays, empty.
    EXPECT_EQ(std::vector<std::string>{}, installed::FolderEntries(suite.root + "\\Suite"));
    EXPECT_FALSE(win::FileExists(menu));
}

}  // namespace
