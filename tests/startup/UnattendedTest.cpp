// setup.exe /S as a deployment tool runs it: no window of the process ever shows, the choices
// come from the command line, the outcome is the exit code, and the registered quiet uninstall
// takes the product away again.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/InstallFile.h"
#include "support/Installed.h"
#include "support/Package.h"
#include "support/PendingRenames.h"
#include "support/ScriptWriter.h"
#include "support/SharedDlls.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "support/Wizard.h"
#include "win/Files.h"
#include "win/Registry.h"
#include "win/UniqueHandle.h"

namespace {

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
        testenv::ScriptWriter script;
        script.Set("Title", title);
        script.Set("Version", "3.0");
        script.Set("Company", company);
        script.Set("LanguageDLL", library.Name());
        script.Set("LanguageDLLIndex", 2);
        script.Set("Multicomp", 1);
        script.Set("DefTargetDir", root + "\\Default");
        const std::string systemName = systemFile.substr(systemFile.rfind('\\') + 1);
        testenv::ScriptFile shared{systemName, script.AddFolder(kSectionSystem, ""), 3};
        shared.replaceMode = kReplaceAlways;  // so that a file in use must wait for the restart
        script.AddFile(kSectionSystem, shared);
        testenv::ScriptFile program{"Suite.exe", script.AddFolder(kSectionApplication, ""), 4};
        program.menuShortcut = 1;
        script.AddFile(kSectionApplication, program);
        for (int part = 1; part <= 2; ++part) {
            const std::string name = "Part" + std::to_string(part);
            testenv::ScriptWriter sub;
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

struct QuietRun {
    int exitCode = ui::SetupProcess::kTimedOut;
    bool windowShown = false;
};

// Runs `program` with `arguments` to its end, watching for any window of the process.
QuietRun RunQuietly(const std::string& program, const std::string& arguments, const std::string& folder) {
    QuietRun run;
    ui::SetupProcess process;
    if (!process.Start(program, arguments, folder)) return run;
    const DWORD start = GetTickCount();
    while (process.Running() && GetTickCount() - start < 60000) {
        if (!process.TopLevelWindows().empty()) run.windowShown = true;
        Sleep(10);
    }
    run.exitCode = process.WaitForExit();
    return run;
}

QuietRun RunSetupQuietly(const SuitePackage& suite, const std::string& arguments) {
    return RunQuietly(suite.package.SetupPath(), arguments, suite.package.Folder());
}

// The registered quiet uninstall: "<uninstaller> /S -u<log> -l<library>", paths unquoted.
QuietRun RunQuietUninstall(const std::string& command) {
    const size_t switchAt = command.find(" /S -u");
    if (switchAt == std::string::npos) return QuietRun();
    return RunQuietly(command.substr(0, switchAt), command.substr(switchAt + 1), "");
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

    run = RunQuietUninstall(quietCommand);
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
    QuietRun run = RunQuietly(quietCommand.substr(0, request), "/LOG=" + trace + quietCommand.substr(request), "");
    EXPECT_EQ(1603, run.exitCode);
    EXPECT_FALSE(run.windowShown);
    // The refusal says why, as the box would have.
    EXPECT_NE(std::string::npos, testenv::ReadFile(trace).find("was changed after the installation"));
    EXPECT_EQ("keep", testenv::ReadFile(victim));
    EXPECT_EQ("program", testenv::ReadFile(suite.install + "\\Suite.exe"));
    EXPECT_EQ(1, sharedkey::Count(suite.systemFile));
    EXPECT_NE("", suite.EntryValue("DisplayName"));

    // An upgrade appends to the changed log but does not vouch for it: still refused.
    ASSERT_EQ(0, RunSetupQuietly(suite, "/S /D=" + suite.install).exitCode);
    EXPECT_EQ(1603, RunQuietUninstall(quietCommand).exitCode);
    EXPECT_EQ("keep", testenv::ReadFile(victim));
    EXPECT_EQ(2, sharedkey::Count(suite.systemFile));
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
    EXPECT_EQ(0, RunQuietUninstall(suite.EntryValue("QuietUninstallString")).exitCode);
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
