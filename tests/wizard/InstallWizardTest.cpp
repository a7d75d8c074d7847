// setup.exe driven through its wizard as a person would: a whole installation from the welcome
// page to Finish and the program it launches, an installation that fails on the progress page
// and one cancelled there, both taken back.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/Installed.h"
#include "support/SharedDlls.h"
#include "support/Package.h"
#include "support/PendingRenames.h"
#include "support/Snapshot.h"
#include "script/ScriptWriter.h"
#include "support/TestEnv.h"
#include "support/Wizard.h"
#include "win/Files.h"
#include "win/Registry.h"
#include "win/UniqueHandle.h"
#include "base/Text.h"

namespace {

using Lines = std::vector<std::string>;

// Waits for a file that another process writes; its content, or empty on timeout.
std::string WaitForFile(const std::string& path, DWORD timeoutMs = 15000) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        std::string content = testenv::ReadFile(path);
        if (!content.empty()) return content;
        Sleep(50);
    }
    return std::string();
}

// A package of one product: a shared System file, the launch marker program with a
// Programs-menu shortcut and a readme, its default folder inside the test's own folder.
struct ProductPackage {
    std::string root = testenv::FreshFolder();
    testenv::Package package{root + "\\package"};
    std::string company = testenv::UniqueName("Vendor");
    std::string title = "Notes";
    std::string install = root + "\\dest\\" + title;  // missing: the destination page asks
    std::string systemFile = win::SystemFolder() + "\\" + testenv::UniqueName("wiz") + ".dll";
    std::string programsFolder = installed::ProgramsFolder() + "\\" + company;
    script::ScriptWriter script;
    installed::Cleanup cleanup;  // what a run leaves outside the test's folder

    ProductPackage() {
        cleanup.files.push_back(systemFile);
        cleanup.sharedCounts.push_back(systemFile);
        cleanup.folders.push_back(programsFolder);
    }

    bool Lay() {
        if (!CreateDirectoryA(package.Folder().c_str(), nullptr)) return false;
        script.Set("Title", title);
        script.Set("Version", "1.0");
        script.Set("Company", company);
        script.Set("LanguageDLLIndex", 2);
        script.Set("DefTargetDir", install);
        script.SetLaunch("\"<InstallDir>\\Notes.exe\" --from-setup");
        int system = script.AddFolder(kSectionSystem, "");
        script.AddFile(kSectionSystem, {systemFile.substr(systemFile.rfind('\\') + 1), system, 3});
        int app = script.AddFolder(kSectionApplication, "");
        script::ScriptFile program{"Notes.exe", app, 4};
        program.menuShortcut = 1;
        script.AddFile(kSectionApplication, program);
        script.AddFile(kSectionApplication, {"Readme.txt", app, 5});
        return package.AddSetup() && package.AddLanguageLibrary(2) && package.WriteData(3, "shared library") &&
               package.CopyData(4, testenv::BinFolder() + "launch_marker.exe") &&
               package.WriteData(5, "read me\r\n");
    }
};

// The walk must have met these, in this order (other pages and notices may come between).
void ExpectInOrder(const Lines& expected, const Lines& seen) {
    size_t at = 0;
    for (const std::string& step : seen)
        if (at < expected.size() && step == expected[at]) ++at;
    EXPECT_EQ(expected.size(), at) << "missing: " << (at < expected.size() ? expected[at] : "") << "\nseen:\n"
                                   << ::testing::PrintToString(seen);
}

TEST(InstallWizard, InstallsThroughEveryPageAndLaunchesTheProgram) {
    win::ComInit com;  // to read the shortcut back
    ASSERT_TRUE(sharedkey::Create());
    ProductPackage product;
    const std::string displayName = product.company + " " + product.title + " for BlackBerry";
    product.cleanup.trees.emplace_back(HKEY_LOCAL_MACHINE, std::string(installed::kUninstallKey) + "\\" + displayName);
    ASSERT_TRUE(product.Lay());
    ASSERT_TRUE(product.package.WriteScript(product.script.Text()));

    ui::SetupProcess setup;
    ASSERT_TRUE(setup.Start(product.package.SetupPath(), "", product.package.Folder()));
    const testenv::WizardWalk walk = testenv::WalkWizard(setup);
    EXPECT_EQ(0, walk.exitCode);
    ExpectInOrder({"page:welcome", "page:destination", "box:" + testenv::LibraryString(31), "page:progress"},
                  walk.seen);
    EXPECT_GT(walk.installSeconds, 0.0) << "the progress page's Next was never enabled";
    EXPECT_EQ(3, walk.progressRange) << "one step per file";
    EXPECT_EQ(walk.progressRange, walk.progressPosition);

    const std::string& install = product.install;
    EXPECT_EQ(testenv::ReadFile(testenv::BinFolder() + "launch_marker.exe"),
              testenv::ReadFile(install + "\\Notes.exe"));
    EXPECT_EQ("read me\r\n", testenv::ReadFile(install + "\\Readme.txt"));
    EXPECT_EQ("shared library", testenv::ReadFile(product.systemFile));
    DWORD count = 0;
    EXPECT_TRUE(sharedkey::Read(product.systemFile, &count));
    EXPECT_EQ(1u, count);
    const std::string menu = product.programsFolder + "\\" + product.title;
    EXPECT_TRUE(text::EqualsNoCase(install + "\\Notes.exe", installed::ShortcutTarget(menu + "\\Notes.lnk")));

    const Lines log = installed::LogLines(install + "\\install.log");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("Application: " + displayName, log.front());
    // The folders the destination page made are the installation's own, recorded before any file.
    EXPECT_EQ("CreateFolder: " + install.substr(0, install.rfind('\\')), log.at(1));
    EXPECT_EQ("CreateFolder: " + install, log.at(2));
    EXPECT_EQ("CopyFile: " + product.systemFile, log.at(3));
    EXPECT_EQ(install, installed::UninstallValue(displayName, "InstallPath"));
    EXPECT_EQ(displayName, installed::UninstallValue(displayName, "DisplayName"));

    // Started by setup after the wizard, with the parameters behind the quoted program.
    EXPECT_EQ("--from-setup", WaitForFile(install + "\\launched.txt"));
}

TEST(InstallWizard, FailedInstallationShowsItsMessageAndEndsTheWizard) {
    ProductPackage product;
    ASSERT_TRUE(product.Lay());
    // A conduit file whose data file is missing: its section fails after the Application
    // files are in place. (A missing Application file would stop the wizard before it shows,
    // when the files are unpacked beside the program.)
    int conduits = product.script.AddFolder(kSectionConduit, product.root + "\\conduits");
    product.script.AddFile(kSectionConduit, {"missing.txt", conduits, 9});
    ASSERT_TRUE(product.package.WriteScript(product.script.Text()));

    ui::SetupProcess setup;
    ASSERT_TRUE(setup.Start(product.package.SetupPath(), "", product.package.Folder()));
    const testenv::WizardWalk walk = testenv::WalkWizard(setup);
    EXPECT_EQ(1603, walk.exitCode);
    ASSERT_FALSE(walk.seen.empty());
    EXPECT_EQ("box:" + testenv::LibraryString(9), walk.seen.back());
    ExpectInOrder({"page:progress", "box:" + testenv::LibraryString(9)}, walk.seen);
    EXPECT_LT(walk.installSeconds, 0.0) << "Next was enabled after a failed installation";

    // The installation is taken back: nothing it made stays, the install folder that the
    // destination page made included, and nothing is launched.
    EXPECT_FALSE(win::FileExists(product.install));
    EXPECT_FALSE(win::FileExists(product.systemFile));
    EXPECT_EQ(-999, sharedkey::Count(product.systemFile));
    EXPECT_FALSE(win::FileExists(product.programsFolder));
    EXPECT_FALSE(win::FileExists(product.root + "\\conduits"));
    EXPECT_FALSE(win::FileExists(product.install + "\\install.log"));
    Sleep(500);
    EXPECT_FALSE(win::FileExists(product.install + "\\launched.txt"));
}

// An installed product stays one installation, and an upgrade cancelled while it copies large
// files leaves it as it was. The destination page shows the product's folder and refuses
// another (so does /S, with 1639); the progress page answers, names the file and offers Cancel,
// which, confirmed, stops the run with 1602 and takes it back. The pages are walked by keyboard.
TEST(InstallWizard, InstalledProductStaysOneAndACancelledUpgradeLeavesItAsItWas) {
    ProductPackage product;
    const std::string displayName = product.company + " " + product.title + " for BlackBerry";
    const std::string entry = std::string(installed::kUninstallKey) + "\\" + displayName;
    product.cleanup.trees.emplace_back(HKEY_LOCAL_MACHINE, entry);
    ASSERT_TRUE(product.Lay());
    ASSERT_TRUE(product.package.WriteScript(product.script.Text()));
    const std::string folder = product.package.Folder();
    ASSERT_EQ(0, ui::RunQuietly(product.package.SetupPath(), "/S", folder).exitCode);
    for (int i = 0; i < 16; ++i) product.script.AddFile(kSectionApplication, {text::Format("big%d.bin", i), 0, 6});
    ASSERT_TRUE(product.package.WriteData(6, std::string(32u << 20, 'b')));
    ASSERT_TRUE(product.package.WriteScript(product.script.Text()));
    snapshot::Places places;
    places.folders = {product.root, product.programsFolder};
    places.files = {product.systemFile};
    places.keys = {{HKEY_LOCAL_MACHINE, entry}};
    const snapshot::Machine before = snapshot::Take(places);
    const std::string trace = testenv::FreshFolder("trace") + "\\trace.txt";
    const std::string second = product.root + "\\Second";

    ui::SetupProcess setup;
    HWND welcome = testenv::StartWizard(&setup, product.package, "/LOG=" + trace);
    ASSERT_TRUE(welcome);
    EXPECT_EQ("", testenv::WalkByKeyboard(setup.ProcessId(), welcome));
    HWND destination = testenv::PressAndWait(setup, welcome, IDC_NEXT, testenv::kDestinationMark);
    ASSERT_TRUE(destination);
    EXPECT_EQ(product.install, ui::ControlText(destination, IDC_TARGET_DIR));
    EXPECT_EQ("Notes is installed in the folder below. Setup updates it there; to install it in another folder, "
              "remove it first.",
              ui::ControlText(destination, IDC_DESTINATION_TEXT));
    EXPECT_EQ("", testenv::WalkByKeyboard(setup.ProcessId(), destination));
    ui::SetControlText(destination, IDC_TARGET_DIR, second);
    ui::MessageBoxInfo box;
    EXPECT_FALSE(testenv::PressAndWait(setup, destination, IDC_NEXT, testenv::kProgressMark, &box));
    EXPECT_EQ("The program is installed in " + product.install +
                  ".\nSetup updates it there; to install it in another folder, remove it first.",
              box.text);
    ASSERT_TRUE(testenv::AnswerBox(setup, "OK"));
    ui::SetControlText(destination, IDC_TARGET_DIR, product.install);
    HWND progress = testenv::PressAndWait(setup, destination, IDC_NEXT, testenv::kProgressMark);
    ASSERT_TRUE(progress);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 30000;) {
        if (ui::ControlText(progress, IDC_PROGRESS_STATUS).find("\\big") != std::string::npos) break;
        Sleep(10);
    }
    EXPECT_NE(std::string::npos, ui::ControlText(progress, IDC_PROGRESS_STATUS).find("\\big"));
    EXPECT_FALSE(ui::IsControlEnabled(progress, IDC_BACK) || ui::IsControlEnabled(progress, IDC_NEXT));
    EXPECT_EQ(GetDlgItem(progress, IDCANCEL), ui::FocusOf(progress));
    ASSERT_TRUE(ui::SetupProcess::PressId(progress, IDCANCEL));
    ASSERT_TRUE(testenv::AnswerBox(setup, "Yes"));
    EXPECT_EQ(1602, setup.WaitForExit());  // and no message: the user knows
    EXPECT_EQ(Lines(), snapshot::Differences(before, snapshot::Take(places)));

    EXPECT_EQ(1639, ui::RunQuietly(product.package.SetupPath(), "/S /LOG=" + trace + " /D=" + second, folder).exitCode);
    EXPECT_EQ(Lines(), snapshot::Differences(before, snapshot::Take(places)));
    const std::string log = testenv::ReadFile(trace);
    for (const std::string& line : Lines{"DoInstall::The cancelled installation is taken back.",
                                   "Setup: installing the product into " + second + " beside its installation in " +
                                       product.install + " failed"})
        EXPECT_NE(std::string::npos, log.find(line)) << line;
    EXPECT_EQ(std::string::npos, log.find("big15.bin")) << "the run went on to the last file";
}

// An upgrade asks before it changes anything: over a newer version (No by default: the run ends
// with 1638), and while files it would replace are held by another program, each named, with
// Retry, Cancel (1602) and, where they may all wait for the next restart, Continue (3010).
TEST(InstallWizard, AnUpgradeAsksBeforeADowngradeAndNamesHeldFiles) {
    ProductPackage product;
    const std::string entry =
        std::string(installed::kUninstallKey) + "\\" + product.company + " " + product.title + " for BlackBerry";
    product.cleanup.trees.emplace_back(HKEY_LOCAL_MACHINE, entry);
    ASSERT_TRUE(product.Lay());
    product.script.Set("Version", "2.0");
    ASSERT_TRUE(product.package.WriteScript(product.script.Text()));
    const std::string folder = product.package.Folder();
    ASSERT_EQ(0, ui::RunQuietly(product.package.SetupPath(), "/S", folder).exitCode);
    snapshot::Places places;
    places.folders = {product.install, product.programsFolder};
    places.files = {product.systemFile};
    places.keys = {{HKEY_LOCAL_MACHINE, entry}};
    snapshot::Machine before = snapshot::Take(places);

    product.script.Set("Version", "1.5");
    ASSERT_TRUE(product.package.WriteScript(product.script.Text()));
    {
        ui::SetupProcess setup;
        ASSERT_TRUE(setup.Start(product.package.SetupPath(), "", folder));
        ui::MessageBoxInfo box;
        ASSERT_TRUE(testenv::AnswerBox(setup, "No", &box));
        EXPECT_EQ("Version 2.0 of Notes is installed, newer than version 1.5 in this package.\n"
                  "Do you want to replace it with the older version?",
                  box.text);
        EXPECT_EQ(1638, setup.WaitForExit());
    }
    EXPECT_EQ(Lines(), snapshot::Differences(before, snapshot::Take(places)));

    product.script.Set("Version", "2.1");
    ASSERT_TRUE(product.package.WriteScript(product.script.Text()));
    const std::string program = product.install + "\\Notes.exe";
    struct Row {
        const char* name;
        const std::string& held;
        const char* answer;
        int exitCode;
    };
    const Row rows[] = {
        {"cancelled", program, "Cancel", 1602},
        {"retried once let go", program, "Retry", 0},
        {"shared, continued", product.systemFile, "Continue", 3010},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // Files newer than the installed ones, which the upgrade replaces.
        ASSERT_TRUE(product.package.WriteData(4, "new program") && product.package.WriteData(3, "new shared library"));
        before = snapshot::Take(places);
        win::UniqueFile holder(CreateFileA(row.held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder.valid());
        ui::SetupProcess setup;
        const std::string trace = product.root + "\\" + row.name + ".txt";
        HWND welcome = testenv::StartWizard(&setup, product.package, "/LOG=\"" + trace + "\"");
        ASSERT_TRUE(welcome);
        HWND destination = testenv::PressAndWait(setup, welcome, IDC_NEXT, testenv::kDestinationMark);
        ASSERT_TRUE(destination);
        // The question comes as the progress page starts, before the page may be seen.
        ui::MessageBoxInfo first;
        testenv::PressAndWait(setup, destination, IDC_NEXT, testenv::kProgressMark, &first);
        // Retry looks again once the other program let go.
        if (row.exitCode == 0) holder.reset();
        ui::MessageBoxInfo box;
        ASSERT_TRUE(testenv::AnswerBox(setup, row.answer, &box)) << testenv::ReadFile(trace);
        const std::string name = row.held.substr(row.held.rfind('\\'));
        EXPECT_NE(std::string::npos, box.text.find(name + "\n\nClose the programs")) << box.text;
        if (row.exitCode == 1602) {
            EXPECT_EQ(1602, setup.WaitForExit());
            EXPECT_EQ(Lines(), snapshot::Differences(before, snapshot::Take(places)));
            continue;
        }
        HWND progress = setup.WaitForDialog(testenv::kProgressMark);
        ASSERT_TRUE(progress);
        ASSERT_TRUE(testenv::WaitForInstallationEnd(setup, progress));
        ASSERT_TRUE(ui::SetupProcess::PressId(progress, IDC_NEXT));
        EXPECT_EQ(row.exitCode, setup.WaitForExit());
        EXPECT_EQ("new program", testenv::ReadFile(program));
    }
    EXPECT_TRUE(installfile::TakeBackRestartCopy(product.systemFile));
}

}  // namespace
