// setup.exe /S as a deployment tool runs it: no window of the process ever shows, the choices
// come from the command line, the outcome is the exit code, and the registered quiet uninstall
// takes the product away again. Last, a package as an author builds it with mkpackage.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/InstallFile.h"
#include "mkpackage/Manifest.h"
#include "mkpackage/Package.h"
#include "support/Installed.h"
#include "support/Package.h"
#include "support/PendingRenames.h"
#include "script/ScriptWriter.h"
#include "support/SharedDlls.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "support/Wizard.h"
#include "win/Files.h"
#include "win/Registry.h"
#include "win/UniqueHandle.h"

namespace {

using ui::QuietRun;

// A suite with a shared System file, an Application file and two components that exclude
// each other (group 1), each with a file of its own.
struct SuitePackage {
    std::string root = testenv::FreshFolder();
    testenv::Package package{root + "\\package"};
    std::string company = "Quiet" + std::to_string(GetCurrentProcessId());  // within the field limit
    std::string title = "Suite";
    std::string install = root + "\\Chosen Folder";
    std::string systemFile = win::SystemFolder() + "\\" + testenv::UniqueName("qt") + ".dll";
    std::string entryKey = std::string(installed::kUninstallKey) + "\\" + company + " " + title + " for BlackBerry";
    testenv::TestLibrary library;
    installed::Cleanup cleanup;

    SuitePackage() {
        cleanup.files.push_back(systemFile);
        cleanup.sharedCounts.push_back(systemFile);
        cleanup.trees.emplace_back(HKEY_LOCAL_MACHINE, entryKey);
        cleanup.folders.push_back(installed::ProgramsFolder() + "\\" + company);
    }

    bool Lay(bool withAllData = true) {
        // The keys Windows has and the installation only opens; a fresh prefix may lack them.
        win::UniqueKey uninstallRoot;
        if (!sharedkey::Create() ||
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, installed::kUninstallKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            uninstallRoot.put(), nullptr) != ERROR_SUCCESS ||
            !CreateDirectoryA(package.Folder().c_str(), nullptr))
            return false;
        script::ScriptWriter script;
        script.Set("Title", title);
        script.Set("Version", "3.0");
        script.Set("Company", company);
        script.Set("LanguageDLL", library.Name());
        script.Set("LanguageDLLIndex", 2);
        script.Set("Multicomp", 1);
        script.Set("DefTargetDir", root + "\\Default");
        const std::string systemName = systemFile.substr(systemFile.rfind('\\') + 1);
        script::ScriptFile shared{systemName, script.AddFolder(kSectionSystem, ""), 3};
        shared.replaceMode = kReplaceAlways;  // so that a file in use must wait for the restart
        script.AddFile(kSectionSystem, shared);
        script::ScriptFile program{"Suite.exe", script.AddFolder(kSectionApplication, ""), 4};
        program.menuShortcut = 1;
        script.AddFile(kSectionApplication, program);
        for (int part = 1; part <= 2; ++part) {
            const std::string name = "Part" + std::to_string(part);
            script::ScriptWriter sub;
            sub.Set("Title", name);
            sub.Set("Company", company);
            sub.AddFile(kSectionApplication, {name + ".txt", sub.AddFolder(kSectionApplication, ""), 20 + part});
            const std::string content = "part " + std::to_string(part);
            if (!sub.Write(package.DataPath(10 + part)) || !package.WriteData(20 + part, content)) return false;
            script.AddComponent({name, 10 + part, 1, part == 1 ? 1 : 0, 1});
        }
        return package.WriteScript(script.Text()) && package.AddSetup() && package.AddLanguageLibrary(2) &&
               package.WriteData(3, "shared library") && (!withAllData || package.WriteData(4, "program"));
    }

    void ExpectNothingLeft() const {
        EXPECT_FALSE(win::FileExists(install));
        EXPECT_FALSE(win::FileExists(systemFile));
        EXPECT_EQ(-999, sharedkey::Count(systemFile));
        EXPECT_EQ("", EntryValue("DisplayName"));
        EXPECT_FALSE(win::FileExists(installed::ProgramsFolder() + "\\" + company));
    }

    std::string EntryValue(const char* name) const {
        win::UniqueKey key;
        std::string value;
        if (win::OpenKey(HKEY_LOCAL_MACHINE, entryKey, KEY_READ, &key)) win::ReadString(key.get(), name, 1024, &value);
        return value;
    }
};

QuietRun RunSetupQuietly(const SuitePackage& suite, const std::string& arguments) {
    return ui::RunQuietly(suite.package.SetupPath(), arguments, suite.package.Folder());
}

TEST(Unattended, InstallsWhatTheCommandLineChoosesAndTheQuietUninstallTakesItBack) {
    SuitePackage suite;
    ASSERT_TRUE(suite.Lay());

    // A folder with blanks, last on the line; the second component instead of the script's first.
    QuietRun run = RunSetupQuietly(suite, "/S /COMPONENTS=2 /D=" + suite.install);
    EXPECT_EQ(0, run.exitCode);
    EXPECT_FALSE(run.windowShown);
    EXPECT_EQ("program", testenv::ReadFile(suite.install + "\\Suite.exe"));
    EXPECT_EQ("part 2", testenv::ReadFile(suite.install + "\\Part2.txt"));
    EXPECT_FALSE(win::FileExists(suite.install + "\\Part1.txt"));
    EXPECT_EQ(1, sharedkey::Count(suite.systemFile));
    EXPECT_EQ(suite.install, suite.EntryValue("InstallLocation"));
    const std::string quietCommand = suite.EntryValue("QuietUninstallString");
    ASSERT_NE("", quietCommand);
    // Nothing launched and nothing asked: the same run again is an upgrade into the same folder.
    ASSERT_EQ(0, RunSetupQuietly(suite, "/S /COMPONENTS=2 /D=" + suite.install).exitCode);
    EXPECT_EQ(2, sharedkey::Count(suite.systemFile));

    // The shared file in use: it waits for the next restart, and the run says so.
    {
        win::UniqueFile inUse(CreateFileA(suite.systemFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(inUse.valid());
        run = RunSetupQuietly(suite, "/S /COMPONENTS=2 /D=" + suite.install);
    }
    EXPECT_EQ(3010, run.exitCode);
    EXPECT_FALSE(run.windowShown);
    const std::string shortSystem = installfile::ShortForm(suite.systemFile);
    const std::string newCopy = shortSystem.substr(0, shortSystem.rfind('.')) + ".new";
    installfile::RenamePair pending;
    EXPECT_TRUE(installfile::FindPendingRename(newCopy, &pending));
    installfile::RemovePendingRenames(newCopy);
    DeleteFileA(newCopy.c_str());

    run = ui::RunQuietUninstall(quietCommand);
    EXPECT_EQ(0, run.exitCode);
    EXPECT_FALSE(run.windowShown);
    suite.ExpectNothingLeft();
}

TEST(Unattended, AnInstallLogChangedAfterTheInstallationIsNotUndone) {
    SuitePackage suite;
    ASSERT_TRUE(suite.Lay());
    ASSERT_EQ(0, RunSetupQuietly(suite, "/S /D=" + suite.install).exitCode);
    const std::string log = suite.install + "\\install.log";
    const std::string written = testenv::ReadFile(log);
    ASSERT_NE("", written);
    EXPECT_EQ(64u, suite.EntryValue("InstallLogSha256").size());

    // A user who can write the install folder adds a record for a file of someone else's.
    const std::string victim = suite.root + "\\victim.ini";
    ASSERT_TRUE(testenv::WriteFile(victim, "keep"));
    ASSERT_TRUE(testenv::WriteFile(log, written + "CopyFile: " + victim + "\r\n"));
    const std::string quietCommand = suite.EntryValue("QuietUninstallString");
    const std::string trace = suite.root + "\\trace.txt";
    const size_t request = quietCommand.find(" /S -u");
    ASSERT_NE(std::string::npos, request);
    QuietRun run = ui::RunQuietly(quietCommand.substr(0, request), "/LOG=" + trace + quietCommand.substr(request), "");
    EXPECT_EQ(1603, run.exitCode);
    EXPECT_FALSE(run.windowShown);
    // The refusal says why, as the box would have.
    EXPECT_NE(std::string::npos, testenv::ReadFile(trace).find("was changed after the installation"));
    EXPECT_EQ("keep", testenv::ReadFile(victim));
    EXPECT_EQ("program", testenv::ReadFile(suite.install + "\\Suite.exe"));
    EXPECT_EQ(1, sharedkey::Count(suite.systemFile));
    EXPECT_NE("", suite.EntryValue("DisplayName"));

    // An upgrade over the changed log refuses it before it installs anything.
    const std::string changed = testenv::ReadFile(log);
    EXPECT_EQ(1603, RunSetupQuietly(suite, "/S /D=" + suite.install).exitCode);
    EXPECT_EQ(changed, testenv::ReadFile(log));
    EXPECT_EQ(1, sharedkey::Count(suite.systemFile));
}

// The package folder's length limits only the paths of its data files.
TEST(Unattended, APackageInALongFolderInstalls) {
    SuitePackage suite;
    suite.package = testenv::Package(suite.root + "\\" + std::string(240 - suite.root.size(), 'p'));
    ASSERT_TRUE(suite.Lay());
    EXPECT_EQ(0, RunSetupQuietly(suite, "/S /D=" + suite.install).exitCode);
    EXPECT_EQ("program", testenv::ReadFile(suite.install + "\\Suite.exe"));
    EXPECT_EQ(0, ui::RunQuietUninstall(suite.EntryValue("QuietUninstallString")).exitCode);
}

TEST(Unattended, AFailedInstallationIsTakenBackAndReported) {
    SuitePackage suite;
    ASSERT_TRUE(suite.Lay(false));  // the program's data file is missing
    const QuietRun run = RunSetupQuietly(suite, "/S /D=" + suite.install);
    EXPECT_EQ(1603, run.exitCode);
    EXPECT_FALSE(run.windowShown);
    suite.ExpectNothingLeft();
}

// Every spelling of /S a launcher writes installs where /D says, without a window.
TEST(Unattended, QuotedAndJoinedSwitchesInstallWhereTheySay) {
    SuitePackage suite;
    ASSERT_TRUE(suite.Lay());
    const struct {
        const char* line;  // %s: the install folder, which holds a blank
    } forms[] = {
        {"/S \"/D=%s\""},
        {"\"/S\" /D=%s"},
        {"/S/D=%s"},
        {"\"/S\" /COMPONENTS=2 \"/D=%s\""},
    };
    int number = 0;
    for (const auto& form : forms) {
        const std::string folder = suite.install + " " + std::to_string(++number);
        const QuietRun run = RunSetupQuietly(suite, text::Format(form.line, folder.c_str()));
        EXPECT_EQ(0, run.exitCode) << form.line;
        EXPECT_FALSE(run.windowShown) << form.line;
        EXPECT_EQ("program", testenv::ReadFile(folder + "\\Suite.exe")) << form.line;
        DeleteFileA((folder + "\\install.log").c_str());  // installed no more: the next folder may take it
        suite.cleanup.sharedCounts.push_back(suite.systemFile);
    }
}

TEST(Unattended, ChoicesTheRulesRefuseInstallNothing) {
    SuitePackage suite;
    ASSERT_TRUE(suite.Lay());
    // The longest folder whose install log the uninstaller can still read, and one more.
    const std::string longest = suite.root + "\\" + std::string(253 - 12 - suite.root.size() - 1, 'f');
    for (const std::string& arguments : std::vector<std::string>{
             "/S /COMPONENTS=1,2",  // two members of one exclusive group
             "/S /COMPONENTS=3",    // no such component
             "/S /DEVICE=nowhere",  // not a drive root
             "/S /D=relative",      // not a full path
             "/COMPONENTS=x",       // malformed without /S too
             "/S /BOGUS",           // an unknown switch
             "/S /LOG=",            // an empty one
             "/S \"/D=",            // an unclosed quote
             // The program's own logs: an install log anywhere, the temporary log.
             "/S /LOG=" + suite.root + "\\install.log",
             "/S /LOG=" + suite.root + "\\..\\INSTALL.LOG",
             "/S /LOG=" + text::JoinPath(win::TempFolder(), "install.log"),
         }) {
        std::string line = arguments;
        if (line.find("/D=") == std::string::npos) line += " /D=" + suite.install;
        const QuietRun run = RunSetupQuietly(suite, line);
        EXPECT_EQ(1639, run.exitCode) << line;
        EXPECT_FALSE(run.windowShown) << line;
        EXPECT_FALSE(win::FileExists(suite.install)) << line;
        EXPECT_FALSE(win::FileExists(suite.systemFile)) << line;
        EXPECT_FALSE(win::FileExists(text::JoinPath(win::WindowsFolder(), suite.library.Name()))) << line;
    }

    // A folder whose install log the uninstaller could not read is refused; one character
    // less installs and uninstalls.
    const QuietRun tooLong = RunSetupQuietly(suite, "/S /D=" + longest + "f");
    EXPECT_EQ(1639, tooLong.exitCode);
    EXPECT_FALSE(win::FileExists(longest + "f"));
    ASSERT_EQ(0, RunSetupQuietly(suite, "/S /D=" + longest).exitCode);
    EXPECT_EQ(0, ui::RunQuietUninstall(suite.EntryValue("QuietUninstallString")).exitCode);
    EXPECT_FALSE(win::FileExists(longest));
}

// An installation never joins the log of another product: uninstalling it would remove both.
TEST(Unattended, AFolderHoldingAnotherProductIsRefused) {
    SuitePackage suite;
    ASSERT_TRUE(suite.Lay());
    ASSERT_TRUE(CreateDirectoryA(suite.install.c_str(), nullptr));
    const std::string otherLog = "Application: Other Soft Notes for BlackBerry\r\nCopyFile: C:\\x\\notes.exe\r\n";
    ASSERT_TRUE(testenv::WriteFile(suite.install + "\\install.log", otherLog));
    const QuietRun run = RunSetupQuietly(suite, "/S /D=" + suite.install);
    EXPECT_EQ(1603, run.exitCode);
    EXPECT_FALSE(run.windowShown);
    EXPECT_EQ(otherLog, testenv::ReadFile(suite.install + "\\install.log"));
    EXPECT_FALSE(win::FileExists(suite.install + "\\Suite.exe"));
    EXPECT_FALSE(win::FileExists(suite.systemFile));
    EXPECT_EQ("", suite.EntryValue("DisplayName"));
}

}  // namespace

namespace {

// An author's package from mkpackage: a manifest with every section, both images, a licence
// and a readme, and two components (the second not preselected).
struct AuthoredPackage {
    std::string root = testenv::FreshFolder();
    std::string company = "Kit" + std::to_string(GetCurrentProcessId());
    std::string install = root + "\\Installed";
    std::string package = root + "\\package";
    std::string systemName = testenv::UniqueName("kit") + ".dll";
    std::string device = "C:\\" + company;  // the device's folder below its root, C:\ here
    std::string entryKey = std::string(installed::kUninstallKey) + "\\" + company + " Field Kit for BlackBerry";
    std::string startupLink;
    testenv::TestLibrary library;
    installed::Cleanup cleanup;

    AuthoredPackage() {
        win::UniqueKey shellFolders;
        if (win::OpenKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                         KEY_READ, &shellFolders))
            win::ReadString(shellFolders.get(), "Startup", MAX_PATH, &startupLink);
        startupLink += "\\Kit.lnk";
        cleanup.files = {win::SystemFolder() + "\\" + systemName, startupLink};
        cleanup.sharedCounts.push_back(win::SystemFolder() + "\\" + systemName);
        cleanup.trees.emplace_back(HKEY_LOCAL_MACHINE, entryKey);
        cleanup.folders = {installed::ProgramsFolder() + "\\" + company, device};
    }

    bool Build(std::string* error) const {
        const std::string sources = root + "\\sources";
        const std::string manifest = R"([package]
title = "Field Kit"
version = "3.0"
company = ")" + company + R"("
language_name = ")" + library.Name() + R"("
mounted_dir = "<Company>"
licence = "License.txt"
readme = "Readme.txt"
background_image = { source = "art/back.bmp", placement = 1 }
logo = { source = "art/logo.bmp" }

[[application]]
source = "Kit.exe"
menu_shortcut = true
startup_shortcut = "user"

[[application]]
source = "Readme.txt"
folder = "docs"

[[application]]
source = "License.txt"

[[system]]
source = "kit.dll"
name = ")" + systemName + R"("
kind = "library"
replace = "always"

[[conduit]]
source = "kit.dll"
name = "kit.cnd"
folder = ')" + sources + R"(\conduits'
kind = "conduit"
conduit = { text1 = "Kit", number2 = 7 }

[[mounted_device]]
source = "Kit.exe"
name = "kit.cod"

[[component]]
name = "Maps"
manifest = "maps/package.toml"
description = "Maps of the field"

[[component]]
name = "Samples"
manifest = "samples.toml"
selected = false
)";
        // A time far from now, which every installed copy must keep.
        return CreateDirectoryA(sources.c_str(), nullptr) && CreateDirectoryA((sources + "\\art").c_str(), nullptr) &&
               CreateDirectoryA((sources + "\\maps").c_str(), nullptr) &&
               testenv::WriteFile(sources + "\\Kit.exe", "program") && testenv::SetFileAge(sources + "\\Kit.exe", 40) &&
               testenv::WriteFile(sources + "\\Readme.txt", "read me") &&
               testenv::WriteFile(sources + "\\License.txt", "licence") &&
               testenv::WriteFile(sources + "\\kit.dll", "library") &&
               testenv::WriteFile(sources + "\\art\\back.bmp", testenv::BitmapFileBytes(8, 8, RGB(0, 0, 255))) &&
               testenv::WriteFile(sources + "\\art\\logo.bmp", testenv::BitmapFileBytes(4, 8, RGB(255, 0, 0))) &&
               testenv::WriteFile(sources + "\\maps\\north.map", "north") &&
               testenv::WriteFile(sources + "\\maps\\package.toml", "[package]\ntitle = \"Maps\"\n"
                                                                   "[[application]]\nsource = \"north.map\"\n") &&
               testenv::WriteFile(sources + "\\sample.txt", "sample") &&
               testenv::WriteFile(sources + "\\samples.toml", "[package]\ntitle = \"Samples\"\n"
                                                             "[[application]]\nsource = \"sample.txt\"\n") &&
               testenv::WriteFile(sources + "\\package.toml", manifest) &&
               BuildPackage(sources + "\\package.toml", error);
    }

    bool BuildPackage(const std::string& manifest, std::string* error) const {
        mkpackage::PackagePlan plan;
        return mkpackage::ReadManifest(manifest, {testenv::BinFolder() + "ResENU.DLL"}, &plan, error) &&
               mkpackage::WritePackage(plan, testenv::BinFolder() + "setup.exe", package, error);
    }

    std::string EntryValue(const char* name) const {
        win::UniqueKey key;
        std::string value;
        if (win::OpenKey(HKEY_LOCAL_MACHINE, entryKey, KEY_READ, &key)) win::ReadString(key.get(), name, 1024, &value);
        return value;
    }
};

FILETIME WriteTime(const std::string& path) {
    WIN32_FIND_DATAA found = {};
    win::FindEntry(path, &found);
    return found.ftLastWriteTime;
}

TEST(Unattended, InstallsAPackageThatMkpackageBuiltFromAManifest) {
    AuthoredPackage kit;
    std::string error;
    ASSERT_TRUE(kit.Build(&error)) << error;
    win::UniqueKey uninstallRoot;
    ASSERT_TRUE(sharedkey::Create());
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, installed::kUninstallKey, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, uninstallRoot.put(), nullptr));

    const QuietRun run = ui::RunQuietly(kit.package + "\\setup.exe", "/S /DEVICE=C:\\ /D=" + kit.install, kit.package);
    ASSERT_EQ(0, run.exitCode);
    EXPECT_FALSE(run.windowShown);

    const std::string sources = kit.root + "\\sources";
    const struct {
        std::string installed;
        std::string source;
    } copies[] = {
        {kit.install + "\\Kit.exe", "Kit.exe"},
        {kit.install + "\\docs\\Readme.txt", "Readme.txt"},
        {kit.install + "\\License.txt", "License.txt"},
        {win::SystemFolder() + "\\" + kit.systemName, "kit.dll"},
        {sources + "\\conduits\\kit.cnd", "kit.dll"},
        {kit.device + "\\kit.cod", "Kit.exe"},
        {kit.install + "\\north.map", "maps\\north.map"},
    };
    for (const auto& copy : copies) {
        EXPECT_EQ(testenv::ReadFile(sources + "\\" + copy.source), testenv::ReadFile(copy.installed)) << copy.installed;
        const FILETIME made = WriteTime(sources + "\\" + copy.source), kept = WriteTime(copy.installed);
        EXPECT_EQ(0, CompareFileTime(&made, &kept)) << copy.installed;
    }
    EXPECT_FALSE(win::FileExists(kit.install + "\\sample.txt"));  // the component not chosen
    EXPECT_EQ(1, sharedkey::Count(win::SystemFolder() + "\\" + kit.systemName));
    win::ComInit com;  // to read the shortcuts back
    const std::string menu = installed::ProgramsFolder() + "\\" + kit.company + "\\Field Kit\\Kit.lnk";
    EXPECT_TRUE(text::EqualsNoCase(kit.install + "\\Kit.exe", installed::ShortcutTarget(menu))) << menu;
    EXPECT_TRUE(text::EqualsNoCase(kit.install + "\\Kit.exe", installed::ShortcutTarget(kit.startupLink)));
    EXPECT_EQ(kit.install, kit.EntryValue("InstallLocation"));

    const QuietRun uninstall = ui::RunQuietUninstall(kit.EntryValue("QuietUninstallString"));
    EXPECT_EQ(0, uninstall.exitCode);
    EXPECT_FALSE(win::FileExists(kit.install));
    EXPECT_FALSE(win::FileExists(kit.device + "\\kit.cod"));
    EXPECT_FALSE(win::FileExists(menu));
    EXPECT_FALSE(win::FileExists(kit.startupLink));
    EXPECT_EQ("", kit.EntryValue("DisplayName"));
}

}  // namespace
