// Installing one file section: folders and their records, files, shortcuts read back,
// registration after the copies, and the choices for entries without a sound destination.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/InstallFile.h"
#include "engine/Section.h"
#include "log/InstallLog.h"
#include "support/InstallRun.h"
#include "support/Installed.h"
#include "support/Package.h"
#include "support/SharedDlls.h"
#include "support/TestEnv.h"
#include "win/Files.h"

namespace {

using Lines = std::vector<std::string>;

class SectionTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(com_.result()));
        root_ = testenv::FreshFolder();
        package_ = root_ + "\\package";
        base_ = root_ + "\\target";
        log_ = root_ + "\\install.log";
        ASSERT_TRUE(CreateDirectoryA(package_.c_str(), nullptr));
        places_.dataFolder = package_ + "\\";
        run_.reset(new InstallRun(root_, log_));
    }
    void TearDown() override { run_.reset(); }

    Project& project() { return project_; }
    bool Install(const std::string& base, bool shortcuts, FileSection section, bool masterFolder) {
        const std::string menu = masterFolder ? mainMenu_ : ShortcutFolder(project_, places_.programsFolder);
        PlanUnit unit;
        return PlanSection(project_, section, base, shortcuts ? &menu : nullptr, places_, &unit) &&
               InstallUnit(run_->context, unit);
    }
    testenv::Package package() const { return testenv::Package(package_); }
    Lines Log() const { return installed::LogLines(log_); }

    // A data file with distinct content and an entry for it.
    FileEntry& AddFile(FileSection section, const std::string& path, int folder, int dataFile, int menu = 0) {
        EXPECT_TRUE(package().WriteData(dataFile, "content of " + path));
        int index = project().AddFileEntry(section, path, folder, dataFile, kKindPlain, kReplaceAlways, menu);
        return project().files[section][static_cast<size_t>(index)];
    }

    win::ComInit com_;
    std::unique_ptr<InstallRun> run_;
    Project project_;
    SectionPlaces places_;
    std::string root_, package_, base_, log_;
    std::string mainMenu_;  // the main project's menu folder
};

TEST_F(SectionTest, CreateFolderPathRecordsEachCreatedLevelOutermostFirst) {
    int count = -1;
    // Existing folder, with and without a trailing backslash: nothing to record.
    EXPECT_TRUE(CreateInstallFolder(run_->context, root_, Logging::kRecord, &count));
    EXPECT_EQ(0, count);
    EXPECT_TRUE(CreateInstallFolder(run_->context, root_ + "\\", Logging::kRecord, &count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(Lines{}, Log());

    // Parent exists: created at the first attempt.
    EXPECT_TRUE(CreateInstallFolder(run_->context, root_ + "\\one\\", Logging::kRecord, &count));
    EXPECT_EQ(1, count);
    EXPECT_TRUE(win::IsDirectory(root_ + "\\one"));

    // Three missing levels.
    EXPECT_TRUE(CreateInstallFolder(run_->context, root_ + "\\a\\b\\c", Logging::kRecord, &count));
    EXPECT_EQ(3, count);
    EXPECT_TRUE(win::IsDirectory(root_ + "\\a\\b\\c"));

    EXPECT_EQ((Lines{"CreateFolder: " + root_ + "\\one", "CreateFolder: " + root_ + "\\a",
                     "CreateFolder: " + root_ + "\\a\\b", "CreateFolder: " + root_ + "\\a\\b\\c"}),
              Log());
}

TEST_F(SectionTest, CreateFolderPathWithoutLogAndFailures) {
    int count = -1;
    EXPECT_TRUE(CreateInstallFolder(run_->context, root_ + "\\x\\y", Logging::kSilent, &count));
    EXPECT_EQ(2, count);
    EXPECT_EQ(Lines{}, Log());

    // A file stands where a folder level should go.
    ASSERT_TRUE(testenv::WriteFile(root_ + "\\file", "x"));
    EXPECT_FALSE(CreateInstallFolder(run_->context, root_ + "\\file\\sub\\deeper", Logging::kRecord, &count));
    EXPECT_FALSE(CreateInstallFolder(run_->context, root_ + "\\file", Logging::kRecord, &count));
    EXPECT_FALSE(CreateInstallFolder(run_->context, "", Logging::kRecord, &count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(Lines{}, Log());
}

TEST_F(SectionTest, ShortcutPointsAtItsTargetAndIsRecorded) {
    std::string target = root_ + "\\app.exe";
    ASSERT_TRUE(testenv::WriteFile(target, "MZ"));
    CreateShortcut(run_->context, target, "app.lnk", root_ + "\\");

    EXPECT_TRUE(text::EqualsNoCase(target, installed::ShortcutTarget(root_ + "\\app.lnk")))
        << installed::ShortcutTarget(root_ + "\\app.lnk");
    // No shortcut can be saved into a missing folder: no record, no failure shown.
    CreateShortcut(run_->context, target, "lost.lnk", root_ + "\\missing");
    EXPECT_FALSE(win::FileExists(root_ + "\\missing\\lost.lnk"));
    EXPECT_EQ(Lines{"CreateShortcut: " + root_ + "\\app.lnk"}, Log());
}

TEST_F(SectionTest, FilesLandInTheirFoldersWithRecordsInOrder) {
    project().AddSectionFolder(kSectionApplication, "");
    project().AddSectionFolder(kSectionApplication, "bin\\tools");
    AddFile(kSectionApplication, "readme.txt", 0, 2);
    AddFile(kSectionApplication, "tool.exe", 1, 3);

    ASSERT_TRUE(Install(base_, false, kSectionApplication, false));

    EXPECT_EQ("content of readme.txt", testenv::ReadFile(base_ + "\\readme.txt"));
    EXPECT_EQ("content of tool.exe", testenv::ReadFile(base_ + "\\bin\\tools\\tool.exe"));
    EXPECT_EQ((Lines{"CreateFolder: " + base_, "CreateFolder: " + base_ + "\\bin",
                     "CreateFolder: " + base_ + "\\bin\\tools", "CopyFile: " + base_ + "\\readme.txt",
                     "CopyFile: " + base_ + "\\bin\\tools\\tool.exe"}),
              Log());
}

TEST_F(SectionTest, UnpackingCopiesTheFilesAndRecordsNothing) {
    project().AddSectionFolder(kSectionApplication, "sub");
    AddFile(kSectionApplication, "a.txt", 0, 2);
    ASSERT_TRUE(UnpackSection(project_, places_.dataFolder, base_, kSectionApplication));
    EXPECT_EQ("content of a.txt", testenv::ReadFile(base_ + "\\sub\\a.txt"));
    EXPECT_EQ(Lines{}, Log());
}

TEST_F(SectionTest, MenuShortcutsShareOneFolderCreatedAndLoggedOnce) {
    std::string menu = root_ + "\\Menu\\Vendor\\Product";
    ASSERT_TRUE(CreateDirectoryA((root_ + "\\Menu").c_str(), nullptr));
    mainMenu_ = menu + "\\";
    project().AddSectionFolder(kSectionApplication, "");
    AddFile(kSectionApplication, "app.exe", 0, 2, 1);
    AddFile(kSectionApplication, "guide.pdf", 0, 3, 1);
    AddFile(kSectionApplication, "plain.txt", 0, 4, 0);
    ASSERT_TRUE(CreateDirectoryA(base_.c_str(), nullptr));

    ASSERT_TRUE(Install(base_, true, kSectionApplication, true));

    EXPECT_EQ((Lines{"CopyFile: " + base_ + "\\app.exe", "CreateFolder: " + root_ + "\\Menu\\Vendor",
                     "CreateFolder: " + menu, "CreateShortcut: " + menu + "\\app.lnk",
                     "CopyFile: " + base_ + "\\guide.pdf", "CreateShortcut: " + menu + "\\guide.lnk",
                     "CopyFile: " + base_ + "\\plain.txt"}),
              Log());
    EXPECT_TRUE(text::EqualsNoCase(base_ + "\\app.exe", installed::ShortcutTarget(menu + "\\app.lnk")));
    EXPECT_TRUE(text::EqualsNoCase(base_ + "\\guide.pdf", installed::ShortcutTarget(menu + "\\guide.lnk")));
    EXPECT_FALSE(win::FileExists(menu + "\\plain.lnk"));
}

TEST_F(SectionTest, ShortcutsOnlyWhenAskedFor) {
    mainMenu_ = root_ + "\\Menu";
    places_.startupFolder = root_ + "\\Startup";
    project().AddSectionFolder(kSectionApplication, "");
    AddFile(kSectionApplication, "app.exe", 0, 2, 1).startupShortcut = 1;

    ASSERT_TRUE(Install(base_, false, kSectionApplication, true));
    EXPECT_FALSE(win::FileExists(root_ + "\\Menu"));
    EXPECT_EQ((Lines{"CreateFolder: " + base_, "CopyFile: " + base_ + "\\app.exe"}), Log());
}

TEST_F(SectionTest, StartupShortcutsGoToTheChosenStartupFolder) {
    std::string user = root_ + "\\Startup";
    std::string common = root_ + "\\Common Startup";
    ASSERT_TRUE(CreateDirectoryA(user.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(common.c_str(), nullptr));
    places_.startupFolder = user;
    places_.commonStartupFolder = common;
    project().AddSectionFolder(kSectionApplication, "");
    AddFile(kSectionApplication, "mine.exe", 0, 2).startupShortcut = 1;
    AddFile(kSectionApplication, "all.exe", 0, 3).startupShortcut = 2;
    AddFile(kSectionApplication, "other.exe", 0, 4).startupShortcut = 3;
    ASSERT_TRUE(CreateDirectoryA(base_.c_str(), nullptr));

    ASSERT_TRUE(Install(base_, true, kSectionApplication, true));

    EXPECT_TRUE(text::EqualsNoCase(base_ + "\\mine.exe", installed::ShortcutTarget(user + "\\mine.lnk")));
    EXPECT_TRUE(text::EqualsNoCase(base_ + "\\all.exe", installed::ShortcutTarget(common + "\\all.lnk")));
    EXPECT_FALSE(win::FileExists(user + "\\other.lnk"));
    EXPECT_FALSE(win::FileExists(common + "\\other.lnk"));
    EXPECT_EQ((Lines{"CopyFile: " + base_ + "\\mine.exe", "CreateShortcut: " + user + "\\mine.lnk",
                     "CopyFile: " + base_ + "\\all.exe", "CreateShortcut: " + common + "\\all.lnk",
                     "CopyFile: " + base_ + "\\other.exe"}),
              Log());
}

TEST_F(SectionTest, EmptyStartupFolderSkipsTheShortcutOnly) {
    project().AddSectionFolder(kSectionApplication, "");
    AddFile(kSectionApplication, "mine.exe", 0, 2).startupShortcut = 1;
    ASSERT_TRUE(Install(base_, true, kSectionApplication, true));
    EXPECT_EQ((Lines{"CreateFolder: " + base_, "CopyFile: " + base_ + "\\mine.exe"}), Log());
}

TEST_F(SectionTest, RegistrationIsTheSecondPass) {
    std::string name = testenv::UniqueName("reg") + ".dll";
    project().AddSectionFolder(kSectionApplication, "");
    ASSERT_TRUE(package().CopyData(2, testenv::BinFolder() + "selfreg_value.dll"));
    int index = project().AddFileEntry(kSectionApplication, name, 0, 2, kKindRegistrable, kReplaceAlways, 0);
    project().files[kSectionApplication][static_cast<size_t>(index)].registerSelf = 1;
    // The second entry's data file is missing, so its copy fails.
    project().AddFileEntry(kSectionApplication, "missing.txt", 0, 9, kKindPlain, kReplaceAlways, 0);

    EXPECT_FALSE(Install(base_, false, kSectionApplication, false));

    std::string data;
    EXPECT_FALSE(installed::ReadSelfRegValue(name, &data));
    EXPECT_TRUE(win::FileExists(base_ + "\\" + name));
    EXPECT_EQ((Lines{"CreateFolder: " + base_, "CopyFile: " + base_ + "\\" + name}), Log());
    installed::DeleteValue(HKEY_CURRENT_USER, installed::kSelfRegKey, name);
}

TEST_F(SectionTest, RegistersFlaggedLibrariesAfterEveryCopy) {
    std::string name = testenv::UniqueName("reg") + ".dll";
    project().AddSectionFolder(kSectionApplication, "");
    ASSERT_TRUE(package().CopyData(2, testenv::BinFolder() + "selfreg_value.dll"));
    ASSERT_TRUE(package().CopyData(3, testenv::BinFolder() + "selfreg_value.dll"));
    ASSERT_TRUE(package().CopyData(4, testenv::BinFolder() + "selfreg_noexport.dll"));
    auto add = [&](const std::string& path, int data, int registerSelf) {
        int i = project().AddFileEntry(kSectionApplication, path, 0, data, kKindRegistrable, kReplaceAlways, 0);
        project().files[kSectionApplication][static_cast<size_t>(i)].registerSelf = registerSelf;
    };
    add(name, 2, 1);
    add("unflagged_" + name, 3, 0);  // copied, not registered
    add("plain.dll", 4, 1);          // no entry to call: not recorded, the section goes on
    AddFile(kSectionApplication, "last.txt", 0, 5);

    ASSERT_TRUE(Install(base_, false, kSectionApplication, false));

    std::string data;
    EXPECT_TRUE(installed::ReadSelfRegValue(name, &data));
    EXPECT_FALSE(installed::ReadSelfRegValue("unflagged_" + name, &data));
    EXPECT_EQ((Lines{"CreateFolder: " + base_, "CopyFile: " + base_ + "\\" + name,
                     "CopyFile: " + base_ + "\\unflagged_" + name, "CopyFile: " + base_ + "\\plain.dll",
                     "CopyFile: " + base_ + "\\last.txt", "Register: " + base_ + "\\" + name}),
              Log());
    installed::DeleteValue(HKEY_CURRENT_USER, installed::kSelfRegKey, name);
}

TEST_F(SectionTest, FolderIndexOutsideTheListFailsTheSection) {
    project().AddSectionFolder(kSectionApplication, "");
    AddFile(kSectionApplication, "good.txt", 0, 2);
    AddFile(kSectionApplication, "stray.txt", 1, 3);
    AddFile(kSectionApplication, "after.txt", 0, 4);

    // Found when the section is planned, before anything of it is made.
    EXPECT_FALSE(Install(base_, false, kSectionApplication, false));
    EXPECT_FALSE(win::FileExists(base_));
    EXPECT_EQ(Lines{}, Log());
}

TEST_F(SectionTest, ConduitFoldersAreFullPathsAndLibrariesAreShared) {
    ASSERT_TRUE(sharedkey::Create());
    std::string conduits = root_ + "\\Conduits";
    std::string upper = root_ + "\\Upper";
    project().AddSectionFolder(kSectionConduit, conduits);
    project().AddSectionFolder(kSectionConduit, upper);
    AddFile(kSectionConduit, "MyConduit.dll", 0, 2);
    AddFile(kSectionConduit, "readme.txt", 0, 3);
    AddFile(kSectionConduit, "Control.ocx", 0, 4);
    AddFile(kSectionConduit, "LOUD.DLL", 1, 5);

    ASSERT_TRUE(Install("", false, kSectionConduit, false));

    EXPECT_EQ((Lines{"CreateFolder: " + conduits, "CreateFolder: " + upper,
                     "CopyFile: " + conduits + "\\MyConduit.dll", "ModifyShared: " + conduits + "\\MyConduit.dll|1",
                     "CopyFile: " + conduits + "\\readme.txt", "CopyFile: " + conduits + "\\Control.ocx",
                     "ModifyShared: " + conduits + "\\Control.ocx|1", "CopyFile: " + upper + "\\LOUD.DLL"}),
              Log());
    DWORD count = 0;
    EXPECT_TRUE(sharedkey::Read(conduits + "\\MyConduit.dll", &count));
    EXPECT_EQ(1u, count);
    EXPECT_FALSE(sharedkey::Read(upper + "\\LOUD.DLL", &count));
    installed::DeleteValue(HKEY_LOCAL_MACHINE, sharedkey::kPath, conduits + "\\MyConduit.dll");
    installed::DeleteValue(HKEY_LOCAL_MACHINE, sharedkey::kPath, conduits + "\\Control.ocx");
}

TEST_F(SectionTest, ConduitEntryWithoutAFolderFails) {
    project().AddSectionFolder(kSectionConduit, "");
    AddFile(kSectionConduit, "nowhere.txt", 0, 2);
    EXPECT_FALSE(Install("", false, kSectionConduit, false));
    EXPECT_EQ(Lines{}, Log());
}

// A relative folder name would land wherever the program happened to be started from.
TEST_F(SectionTest, ConduitFolderThatIsNoFullPathFails) {
    char current[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, current), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(root_.c_str()));
    project().AddSectionFolder(kSectionConduit, "Conduits");
    AddFile(kSectionConduit, "relative.dll", 0, 2);
    bool installed = Install("", false, kSectionConduit, false);
    SetCurrentDirectoryA(current);
    EXPECT_FALSE(installed);
    EXPECT_FALSE(win::FileExists(root_ + "\\Conduits"));
    EXPECT_EQ(Lines{}, Log());
}

TEST_F(SectionTest, MountedDeviceFilesGoBelowTheDeviceFolder) {
    std::string device = root_ + "\\device";
    ASSERT_TRUE(CreateDirectoryA(device.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(base_.c_str(), nullptr));
    places_.mountedDeviceFolder = device + "\\";
    project().title = "Notes";
    project().defMountedDir = "<Title>\\apps";
    AddFile(kSectionMountedDevice, "notes.cod", 7, 2);  // the folder index plays no part here

    ASSERT_TRUE(Install(base_, false, kSectionMountedDevice, false));
    EXPECT_EQ("content of notes.cod", testenv::ReadFile(device + "\\Notes\\apps\\notes.cod"));
    EXPECT_EQ((Lines{"CreateFolder: " + device + "\\Notes", "CreateFolder: " + device + "\\Notes\\apps",
                     "CopyFile: " + device + "\\Notes\\apps\\notes.cod"}),
              Log());
}

TEST_F(SectionTest, MountedDeviceEntryWithoutAFinishedPathFails) {
    std::string device = root_ + "\\device";
    ASSERT_TRUE(CreateDirectoryA(device.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(base_.c_str(), nullptr));
    AddFile(kSectionMountedDevice, "notes.cod", 0, 2);

    // No device chosen: there is nowhere to put the file.
    EXPECT_FALSE(Install(base_, false, kSectionMountedDevice, false));

    // "<InstallDir>" would stand for the unexpanded target folder setting: never used.
    places_.mountedDeviceFolder = device;
    project().defTargetDir = "<ProgramFilesDir>\\Vendor";
    project().defMountedDir = "<InstallDir>\\apps";
    EXPECT_FALSE(Install(base_, false, kSectionMountedDevice, false));

    project().defMountedDir = "<NoSuchToken>";
    EXPECT_FALSE(Install(base_, false, kSectionMountedDevice, false));
    EXPECT_EQ(Lines{}, Log());
}

TEST_F(SectionTest, ShortcutFolderFallsBackToTitleAndVersion) {
    project().title = "Notes";
    project().version = "2.1";
    project().company = "Vendor";
    project().defShortcutDir = "<Company>\\<Title>";
    std::string programs = installed::ProgramsFolder();
    ASSERT_FALSE(programs.empty());
    EXPECT_EQ(programs + "\\Vendor\\Notes", ShortcutFolder(project()));

    project().defShortcutDir = "<WinDir>\\Notes";  // not a title token
    EXPECT_EQ(programs + "\\Notes 2.1", ShortcutFolder(project()));
}

}  // namespace
