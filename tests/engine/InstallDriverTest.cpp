// The install driver without its page: a generated package with a selected and an unselected
// component installed twice into the same folder, and the failures that choose the message.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/InstallDriver.h"
#include "log/LogWriter.h"
#include "transaction/Journal.h"
#include "log/InstallLog.h"
#include "script/ScriptWriter.h"
#include "state/Messages.h"
#include "support/InstallRun.h"
#include "support/Installed.h"
#include "support/Package.h"
#include "support/SharedDlls.h"
#include "support/TestEnv.h"
#include "win/Files.h"
#include "win/Registry.h"

namespace {

using Lines = std::vector<std::string>;

struct RecordingProgress : InstallProgress {
    int total = -1;
    Lines started;
    int done = 0;
    void Begin(int fileCount) override { total = fileCount; }
    void FileStarting(const std::string& destination) override { started.push_back(destination); }
    void FileDone() override { ++done; }
};

// Stands in for the desktop loader's registration: what the driver asked it to register.
std::vector<std::string> g_descriptorCalls;
// The run's journal, named as its temporary log is ("SetupRun-<id>.log").
std::string JournalOf(const std::string& tempLog) {
    return tempLog.substr(0, tempLog.rfind('.')) + kJournalExtension;
}

// An installation's own journal and log, as DoInstall makes them.
struct OwnRun {
    Journal journal;
    LogWriter log;
    InstallContext context{journal, log};
};

void RecordDescriptors(Journal&, const InstallPlan& plan) {
    g_descriptorCalls.push_back(plan.units.front().project->title + " in " + plan.installFolder);
}

TEST(InstallDriver, InstallsMainProjectAndSelectedComponentThenUpgradesInPlace) {
    win::ComInit com;
    ASSERT_TRUE(SUCCEEDED(com.result()));
    ASSERT_TRUE(sharedkey::Create());
    installed::Cleanup cleanup;

    const std::string root = testenv::FreshFolder();
    testenv::Package package(root + "\\package");
    ASSERT_TRUE(CreateDirectoryA(package.Folder().c_str(), nullptr));
    ASSERT_TRUE(package.AddSetup());

    const std::string company = testenv::UniqueName("Vendor");
    const std::string title = "Notes";
    const std::string displayName = company + " " + title + " for BlackBerry";
    const std::string install = root + "\\Program Files\\" + company + "\\" + title;
    const std::string systemLib = win::SystemFolder() + "\\" + testenv::UniqueName("drv") + ".dll";
    const std::string menu = installed::ProgramsFolder() + "\\" + company + "\\" + title;
    cleanup.files.push_back(systemLib);
    cleanup.sharedCounts.push_back(systemLib);
    cleanup.folders.push_back(installed::ProgramsFolder() + "\\" + company);
    const std::string entryKey = std::string(installed::kUninstallKey) + "\\" + displayName;
    cleanup.trees.emplace_back(HKEY_LOCAL_MACHINE, entryKey);

    script::ScriptWriter script;
    script.Set("Title", title);
    script.Set("Version", "1.0");
    script.Set("Company", company);
    script.Set("Multicomp", 1);
    script.SetLaunch("<InstallDir>\\Notes.exe");
    int systemRoot = script.AddFolder(kSectionSystem, "");
    script.AddFile(kSectionSystem, {systemLib.substr(systemLib.rfind('\\') + 1), systemRoot, 2});
    int appRoot = script.AddFolder(kSectionApplication, "");
    int docs = script.AddFolder(kSectionApplication, "docs");
    script::ScriptFile program{"Notes.exe", appRoot, 3};
    program.menuShortcut = 1;
    script.AddFile(kSectionApplication, program);
    script.AddFile(kSectionApplication, {"Readme.txt", docs, 4});
    script.AddComponent({"Extras", 10});
    script.AddComponent({"Skipped", 11, 1, 0});
    ASSERT_TRUE(package.WriteScript(script.Text()));

    for (int number : {10, 11}) {
        script::ScriptWriter sub;
        sub.Set("Title", number == 10 ? "Extras" : "Skipped");
        sub.Set("Company", company);
        sub.AddFolder(kSectionApplication, "");
        sub.AddFile(kSectionApplication, {number == 10 ? "extra.txt" : "skipped.txt", 0, number + 10});
        ASSERT_TRUE(package.WriteData(number, sub.Text()));
    }
    const std::string contents[] = {"system library bytes", "program\r\nbytes", std::string(5000, 'r'), "extra"};
    for (int number : {2, 3, 4, 20, 21})
        ASSERT_TRUE(package.WriteData(number, number <= 4 ? contents[number - 2] : contents[3]));

    DriverRun driver;
    ASSERT_TRUE(PrepareDriverRun(package, install, &driver));
    driver.request.registerDescriptors = RecordDescriptors;
    g_descriptorCalls.clear();
    RecordingProgress progress;
    OwnRun first;
    first.context.progress = &progress;
    ASSERT_TRUE(RunInstallation(first.context, driver.request, &driver.result));
    const InstallResult& result = driver.result;

    // The files, in the order the sections and the component came, each heard of once.
    const Lines files = {systemLib, install + "\\Notes.exe", install + "\\docs\\Readme.txt", install + "\\extra.txt"};
    EXPECT_EQ(static_cast<int>(files.size()), progress.total);
    EXPECT_EQ(files, progress.started);
    EXPECT_EQ(progress.total, progress.done);
    for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(contents[i], testenv::ReadFile(files[i])) << files[i];
    EXPECT_FALSE(win::FileExists(install + "\\skipped.txt"));

    EXPECT_TRUE(text::EqualsNoCase(install + "\\Notes.exe", installed::ShortcutTarget(menu + "\\Notes.lnk")));
    DWORD count = 0;
    EXPECT_TRUE(sharedkey::Read(systemLib, &count));
    EXPECT_EQ(1u, count);

    EXPECT_EQ(install, driver.request.plan.installFolder);
    EXPECT_EQ(menu, driver.request.plan.shortcutFolder);
    EXPECT_EQ(install + "\\Notes.exe", result.launchCommand);
    EXPECT_FALSE(result.upgrade);
    EXPECT_EQ(Lines{title + " in " + install}, g_descriptorCalls);

    const std::string installLog = install + "\\install.log";
    const Lines firstRun = installed::LogLines(installLog);
    ASSERT_FALSE(firstRun.empty());
    EXPECT_EQ("Application: " + displayName, firstRun.front());
    // The run's own temporary log and journal are gone once the install log holds its records.
    EXPECT_FALSE(win::FileExists(result.tempLogPath));
    EXPECT_FALSE(win::FileExists(JournalOf(result.tempLogPath)));
    EXPECT_NE(firstRun.end(), std::find(firstRun.begin(), firstRun.end(), "CopyFile: " + install + "\\extra.txt"));

    EXPECT_EQ(displayName, installed::UninstallValue(displayName, "DisplayName"));
    EXPECT_EQ(install, installed::UninstallValue(displayName, "InstallPath"));
    DWORD sizeKiB = 0;
    {
        win::UniqueKey key;
        ASSERT_TRUE(win::OpenKey(HKEY_LOCAL_MACHINE, entryKey, KEY_READ, &key));
        EXPECT_TRUE(win::ReadDword(key.get(), "EstimatedSize", &sizeKiB));
    }
    EXPECT_EQ(5u, sizeKiB) << "the 5,045 bytes installed, in KiB rounded up";
    EXPECT_EQ(win::WindowsFolder() + "\\pyxu.exe -u" + installLog + " -l" + driver.request.languagePath,
              installed::UninstallValue(displayName, "UninstallString"));

    // Again without a chosen folder: the earlier installation's folder is found through its
    // uninstall entry, and its log grows without a second Application record.
    DriverRun again;
    ASSERT_TRUE(PrepareDriverRun(package, "", &again));
    OwnRun second;
    ASSERT_TRUE(RunInstallation(second.context, again.request, &again.result));
    EXPECT_EQ(install, again.request.plan.installFolder);
    EXPECT_TRUE(again.result.upgrade);
    const Lines both = installed::LogLines(installLog);
    ASSERT_GT(both.size(), firstRun.size());
    EXPECT_TRUE(std::equal(firstRun.begin(), firstRun.end(), both.begin()));
    EXPECT_EQ(1, std::count_if(both.begin(), both.end(),
                               [](const std::string& line) { return line.rfind("Application: ", 0) == 0; }));
    EXPECT_TRUE(sharedkey::Read(systemLib, &count));
    EXPECT_EQ(2u, count);
}

TEST(InstallDriver, FailedStepChoosesItsMessageAndItsJournalTakesEverythingBack) {
    win::ComInit com;
    ASSERT_TRUE(SUCCEEDED(com.result()));
    struct Case {
        const char* name;
        bool componentFails;     // the component's data file is missing, else the main one's
        bool mountedDevice;      // the failing file is a mounted-device file
        int message;
    };
    const Case cases[] = {
        {"application", false, false, kStrInstallFailed},
        {"device", false, true, kStrMountedFailed},
        {"component", true, false, kStrInstallFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string root = testenv::FreshFolder(c.name);
        testenv::Package package(root + "\\package");
        ASSERT_TRUE(CreateDirectoryA(package.Folder().c_str(), nullptr));
        const std::string install = root + "\\installed";

        script::ScriptWriter script;
        script.Set("Title", "Broken");
        script.Set("Company", testenv::UniqueName("Vendor"));
        script.Set("Multicomp", 1);
        script.AddFolder(kSectionApplication, "");
        script.AddFile(c.mountedDevice ? kSectionMountedDevice : kSectionApplication, {"main.txt", 0, 2});
        script.AddComponent({"Part", 10});
        ASSERT_TRUE(package.WriteScript(script.Text()));
        script::ScriptWriter sub;
        sub.Set("Title", "Part");
        sub.AddFolder(kSectionApplication, "");
        sub.AddFile(kSectionApplication, {"part.txt", 0, 11});
        ASSERT_TRUE(package.WriteData(10, sub.Text()));
        ASSERT_TRUE(package.WriteData(c.componentFails ? 2 : 11, "present"));

        DriverRun driver;
        ASSERT_TRUE(PrepareDriverRun(package, install, &driver, c.mountedDevice ? root + "\\device" : ""));
        driver.request.registerDescriptors = RecordDescriptors;
        g_descriptorCalls.clear();
        OwnRun run;
        EXPECT_FALSE(RunInstallation(run.context, driver.request, &driver.result));
        EXPECT_EQ(c.message, InstallFailureMessage(driver.result));
        EXPECT_TRUE(g_descriptorCalls.empty());
        EXPECT_FALSE(win::FileExists(install + "\\install.log"));
        const std::string& tempLog = driver.result.tempLogPath;
        const Lines temp = installed::LogLines(tempLog);
        ASSERT_FALSE(temp.empty());
        EXPECT_EQ("Application: " + driver.project.company + " Broken for BlackBerry", temp.front());
        EXPECT_EQ(c.componentFails, win::FileExists(install + "\\main.txt"));

        run.log.Close();
        EXPECT_EQ(0, run.journal.TakeBack());
        EXPECT_FALSE(win::FileExists(install));
        EXPECT_FALSE(win::FileExists(JournalOf(tempLog)));
        EXPECT_FALSE(win::FileExists(tempLog));
    }
}

}  // namespace
