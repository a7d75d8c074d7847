// setup.exe /S as a deployment tool runs it: no window of the process ever shows, the choices
// come from the command line, the outcome is the exit code, and the registered quiet uninstall
// takes the product away again. Last, a package as an author builds it with mkpackage.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/InstallFile.h"
#include "mkpackage/Manifest.h"
#include "mkpackage/Package.h"
#include "support/Installed.h"
#include "support/Package.h"
#include "support/PendingRenames.h"
#include "support/Snapshot.h"
#include "script/ScriptWriter.h"
#include "support/SharedDlls.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "transaction/RunFiles.h"
#include "support/Wizard.h"
#include "win/Digest.h"
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
    std::string version = "3.0";
    std::string install = root + "\\Chosen Folder";
    std::string systemFile = win::SystemFolder() + "\\" + testenv::UniqueName("qt") + ".dll";
    std::string entryKey = std::string(installed::kUninstallKey) + "\\" + company + " " + title + " for BlackBerry";
    testenv::TestLibrary library;
    installed::Cleanup cleanup;
    bool extraTools = false;  // a third component, "Extra Tools", of group 0 and not preselected
    int bulk = 0;             // Application files "bulk<i>.txt" besides, so that an installation takes a while

    SuitePackage() {
        cleanup.files.push_back(systemFile);
        cleanup.sharedCounts.push_back(systemFile);
        cleanup.trees.emplace_back(HKEY_LOCAL_MACHINE, entryKey);
        cleanup.folders.push_back(installed::ProgramsFolder() + "\\" + company);
    }

    // Again with other members (another version), over the same package folder.
    bool Lay(bool withAllData = true) {
        // The keys Windows has and the installation only opens; a fresh prefix may lack them.
        win::UniqueKey uninstallRoot;
        if (!sharedkey::Create() ||
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, installed::kUninstallKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            uninstallRoot.put(), nullptr) != ERROR_SUCCESS ||
            !(CreateDirectoryA(package.Folder().c_str(), nullptr) || win::IsDirectory(package.Folder())))
            return false;
        script::ScriptWriter script;
        script.Set("Title", title);
        script.Set("Version", version);
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
        program.replaceMode = kReplaceAlways;  // replaced by every upgrade, so that holding it matters
        script.AddFile(kSectionApplication, program);
        for (int i = 0; i < bulk; ++i) {
            script.AddFile(kSectionApplication, {"bulk" + std::to_string(i) + ".txt", 0, 100 + i});
            if (!package.WriteData(100 + i, "bulk")) return false;
        }
        script.Set("Group0_MinComp", 0);
        for (int part = 1; part <= (extraTools ? 3 : 2); ++part) {
            const std::string name = part == 3 ? "Extra Tools" : "Part" + std::to_string(part);
            script::ScriptWriter sub;
            sub.Set("Title", name);
            sub.Set("Company", company);
            sub.AddFile(kSectionApplication, {name + ".txt", sub.AddFolder(kSectionApplication, ""), 20 + part});
            const std::string content = "part " + std::to_string(part);
            if (!sub.Write(package.DataPath(10 + part)) || !package.WriteData(20 + part, content)) return false;
            script.AddComponent({name, 10 + part, 1, part == 1 ? 1 : 0, part == 3 ? 0 : 1});
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
        return installed::RegistryText(HKEY_LOCAL_MACHINE, entryKey, name);
    }
};

QuietRun RunSetupQuietly(const SuitePackage& suite, const std::string& arguments) {
    return ui::RunQuietly(suite.package.SetupPath(), arguments, suite.package.Folder());
}

// The decision /PLAN's document gives the file at `path` ("" when it names no such file): one
// file per line, its target quoted as JSON quotes it.
std::string PlannedDecision(const std::string& document, const std::string& path) {
    const size_t target = document.find("\"target\": " + text::JsonString(path) + ",");
    const size_t at = document.find("\"decision\": \"", target);
    if (target == std::string::npos || at == std::string::npos) return "";
    const size_t from = at + 13;
    return document.substr(from, document.find('"', from) - from);
}

// /PLAN, then /S with the same choices, on a clean machine and over an installation: the plan
// changes nothing, and /S copies exactly the files it called new or replace.
TEST(Unattended, PlanShowsWhatTheSameInstallationThenDoesAndChangesNothing) {
    SuitePackage suite;
    suite.extraTools = true;
    ASSERT_TRUE(suite.Lay());
    const std::string plan = suite.root + "\\plan.json";
    const std::string program = suite.install + "\\Suite.exe", part1 = suite.install + "\\Part1.txt",
                      extra = suite.install + "\\Extra Tools.txt";
    snapshot::Places places;
    places.folders = {suite.install, installed::ProgramsFolder() + "\\" + suite.company, RunFilesFolder()};
    places.files = {suite.systemFile, win::WindowsFolder() + "\\" + suite.library.Name(), suite.root + "\\trace.txt"};
    places.keys = {{HKEY_LOCAL_MACHINE, suite.entryKey}};

    struct Step {
        const char* components;
        std::vector<std::pair<std::string, std::string>> decisions;  // target, decision
    };
    const Step steps[] = {
        {"1", {{suite.systemFile, "new"}, {program, "new"}, {part1, "new"}, {extra, ""}}},
        {"1,\"extra tools\"", {{suite.systemFile, "replace"}, {program, "replace"}, {part1, "keep"}, {extra, "new"}}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.components);
        const std::string choices = std::string("/COMPONENTS=") + step.components + " /D=" + suite.install;
        // Over the installation, the user's own newer copy of a file the rule replaces when older.
        if (win::FileExists(part1)) {
            ASSERT_TRUE(testenv::WriteFile(part1, "the user's own"));
        }
        const snapshot::Machine before = snapshot::Take(places);
        const QuietRun planning = RunSetupQuietly(suite, "/PLAN=" + plan + " " + choices);
        EXPECT_EQ(0, planning.exitCode);
        EXPECT_FALSE(planning.windowShown);
        EXPECT_EQ(std::vector<std::string>{}, snapshot::Differences(before, snapshot::Take(places)));
        const std::string document = testenv::ReadFile(plan);
        for (const auto& [target, decision] : step.decisions)
            EXPECT_EQ(decision, PlannedDecision(document, target)) << target << "\n" << document;

        const std::vector<std::string> logBefore = installed::LogLines(suite.install + "\\install.log");
        ASSERT_EQ(0, RunSetupQuietly(suite, "/S " + choices).exitCode);
        const std::vector<std::string> log = installed::LogLines(suite.install + "\\install.log");
        std::vector<std::string> copied, planned;
        for (size_t i = logBefore.size(); i < log.size(); ++i)
            if (log[i].rfind("CopyFile: ", 0) == 0) copied.push_back(log[i].substr(10));
        for (const auto& [target, decision] : step.decisions)
            if (decision == "new" || decision == "replace") planned.push_back(target);
        std::sort(copied.begin(), copied.end());
        std::sort(planned.begin(), planned.end());
        EXPECT_EQ(planned, copied);
        if (PlannedDecision(document, part1) == "keep") {
            EXPECT_EQ("the user's own", testenv::ReadFile(part1));
        }
    }
    EXPECT_EQ(0, ui::RunQuietUninstall(suite.EntryValue("QuietUninstallString")).exitCode);
    suite.ExpectNothingLeft();
}

// /PASSIVE shows the progress page alone with Cancel its only button: Cancel takes the run back
// at once (1602), and a run left alone ends by itself with what /S installs.
TEST(Unattended, PassiveShowsTheProgressAloneAndInstallsWhatQuietDoes) {
    SuitePackage suite;
    suite.bulk = 1000;
    ASSERT_TRUE(suite.Lay());
    snapshot::Places places;
    places.folders = {suite.install};
    places.files = {suite.systemFile};
    places.keys = {{HKEY_LOCAL_MACHINE, suite.entryKey}};
    const std::string choices = "/COMPONENTS=2 /D=" + suite.install;
    const snapshot::Machine clean = snapshot::Take(places);
    ASSERT_EQ(0, RunSetupQuietly(suite, "/S " + choices).exitCode);
    const snapshot::Machine quiet = snapshot::Take(places);
    ASSERT_EQ(0, ui::RunQuietUninstall(suite.EntryValue("QuietUninstallString")).exitCode);
    ASSERT_EQ(std::vector<std::string>{}, snapshot::Differences(clean, snapshot::Take(places)));

    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancelled" : "left alone");
        ui::SetupProcess setup;
        ASSERT_TRUE(setup.Start(suite.package.SetupPath(), "/PASSIVE " + choices, suite.package.Folder()));
        const HWND page = setup.WaitForDialog(testenv::kProgressMark);
        ASSERT_TRUE(page);
        EXPECT_FALSE(ui::IsControlEnabled(page, testenv::kBackButton));
        EXPECT_FALSE(ui::IsControlEnabled(page, testenv::kNextButton));
        EXPECT_TRUE(ui::IsControlEnabled(page, testenv::kCancelButton));
        if (cancel) ui::SetupProcess::PressId(page, testenv::kCancelButton);
        EXPECT_EQ(cancel ? 1602 : 0, setup.WaitForExit());
        EXPECT_EQ(std::vector<std::string>{}, snapshot::Differences(cancel ? clean : quiet, snapshot::Take(places)));
    }
    EXPECT_EQ(0, ui::RunQuietUninstall(suite.EntryValue("QuietUninstallString")).exitCode);
    suite.ExpectNothingLeft();
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
    EXPECT_TRUE(installfile::TakeBackRestartCopy(suite.systemFile));

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


// The text behind `"name": ` on its line of a /RESULT document, without the comma.
std::string JsonField(const std::string& json, const std::string& name) {
    const size_t at = json.find("\"" + name + "\": ");
    if (at == std::string::npos) return "<none>";
    const size_t from = at + name.size() + 4;
    std::string value = json.substr(from, json.find('\n', from) - from);
    if (!value.empty() && value.back() == ',') value.pop_back();
    return value;
}

// `text` as a JSON string holds it.
std::string Json(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\\' || c == '"' ? std::string("\\") + c : std::string(1, c);
    return "\"" + out + "\"";
}

const char kLockName[] = "Global\\HandheldSetupInstallation";

// A file held open by another program: the upgrade cannot replace it. The trace names the file
// and the system's error on one line, the result document says the same, and the installation
// before stands.
TEST(Unattended, AFileHeldOpenFailsTheRunWithItsNameAndErrorInTraceAndResult) {
    SuitePackage suite;
    ASSERT_TRUE(suite.Lay());
    ASSERT_EQ(0, RunSetupQuietly(suite, "/S /D=" + suite.install).exitCode);
    const std::string held = suite.install + "\\Suite.exe";
    ASSERT_TRUE(testenv::SetFileAge(held, 3650));  // so that the package's copy replaces it
    const std::string trace = suite.root + "\\trace.txt";
    const std::string result = suite.root + "\\result.json";
    QuietRun run;
    {
        win::UniqueFile open(CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(open.valid());
        run = RunSetupQuietly(suite, "/S \"/LOG=" + trace + "\" \"/RESULT=" + result + "\" /D=" + suite.install);
    }
    EXPECT_EQ(32, run.exitCode);
    EXPECT_FALSE(run.windowShown);
    EXPECT_NE(std::string::npos,
              testenv::ReadFile(trace).find("Setup: replacing the files that other programs hold: " + held +
                                            " failed: error 32, "))
        << testenv::ReadFile(trace);
    const std::string json = testenv::ReadFile(result);
    EXPECT_EQ("32", JsonField(json, "exitCode")) << json;
    EXPECT_EQ("\"files-in-use\"", JsonField(json, "reason"));
    EXPECT_EQ("\"Setup\"", JsonField(json, "step"));
    EXPECT_EQ(Json(held), JsonField(json, "subject"));
    EXPECT_EQ("32", JsonField(json, "error"));
    EXPECT_NE("\"\"", JsonField(json, "errorText"));
    EXPECT_EQ("[]", JsonField(json, "notTakenBack"));
    EXPECT_EQ("program", testenv::ReadFile(held));
    EXPECT_EQ(1, sharedkey::Count(suite.systemFile));

    // A success says so, and a second name of another file is refused as /LOG's would be.
    const std::string done = suite.root + "\\done.json";
    ASSERT_EQ(0, RunSetupQuietly(suite, "/S \"/RESULT=" + done + "\" /D=" + suite.install).exitCode);
    EXPECT_EQ("\"done\"", JsonField(testenv::ReadFile(done), "reason"));
    const std::string second = suite.root + "\\second.json";
    ASSERT_TRUE(CreateHardLinkA(second.c_str(), trace.c_str(), nullptr));
    EXPECT_EQ(1639, RunSetupQuietly(suite, "/S \"/RESULT=" + second + "\" /D=" + suite.install).exitCode);
    EXPECT_EQ(1639, RunSetupQuietly(suite, "/S \"/RESULT=" + held.substr(0, held.rfind('\\')) +
                                               "\\install.log\" /D=" + suite.install).exitCode);
    EXPECT_EQ(std::string::npos, testenv::ReadFile(second).find("exitCode"));
}

// Each failure of a quiet run, as the result document reports it.
TEST(Unattended, EachFailureIsReportedWithItsExitCodeReasonAndSubject) {
    enum Prepare { kNothing, kNoData, kFolderIsFile, kLogHeld, kDamaged, kOtherRun };
    const struct {
        const char* name;
        Prepare prepare;
        const char* switches;
        int exitCode;
        const char* reason;
        const char* subject;  // %p: the package folder, %i: the install folder, %r: the work folder
    } rows[] = {
        {"missing data file", kNoData, "", 1603, "failed", "%i\\Suite.exe"},
        {"a file where the folder goes", kFolderIsFile, "", 1603, "failed", "%i"},
        {"held-open log", kLogHeld, "\"/LOG=%r\\held.log\" ", 1622, "file-unwritable", "%r\\held.log"},
        {"damaged package", kDamaged, "", 1, "damaged-package", "%p\\00000004"},
        {"bad switch", kNothing, "/BOGUS ", 1639, "bad-command-line", "/BOGUS"},
        {"another installation", kOtherRun, "", 1618, "another-installation", kLockName},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SuitePackage suite;
        ASSERT_TRUE(suite.Lay(row.prepare != kNoData));
        auto expand = [&](std::string text) {
            for (const auto& [mark, value] : {std::pair<std::string, std::string>{"%p", suite.package.Folder()},
                                              {"%i", suite.install}, {"%r", suite.root}})
                for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, 2, value);
            return text;
        };
        win::UniqueFile held;
        win::UniqueKernelHandle otherRun;
        ASSERT_TRUE(row.prepare != kFolderIsFile || testenv::WriteFile(suite.install, "in the way"));
        if (row.prepare == kLogHeld)
            held.reset(CreateFileA(expand("%r\\held.log").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        if (row.prepare == kOtherRun) otherRun.reset(CreateMutexA(nullptr, TRUE, kLockName));
        if (row.prepare == kDamaged) {
            // Sealed, then the program's data file cut short.
            std::string seals = "\r\n[Integrity]\r\n";
            for (int number : {2, 3, 4, 11, 12, 21, 22}) {
                const std::string bytes = testenv::ReadFile(suite.package.DataPath(number));
                std::string digest;
                ASSERT_TRUE(win::Sha256Hex(bytes, &digest));
                seals += text::DataFileName(number) + "=" + std::to_string(bytes.size()) + "," + digest + "\r\n";
            }
            const std::string script = suite.package.DataPath(1);
            ASSERT_TRUE(testenv::WriteFile(script, testenv::ReadFile(script) + seals));
            ASSERT_TRUE(testenv::WriteFile(suite.package.DataPath(4), "prog"));
        }
        const std::string result = suite.root + "\\result.json";
        const QuietRun run =
            RunSetupQuietly(suite, "/S \"/RESULT=" + result + "\" " + expand(row.switches) + "/D=" + suite.install);
        EXPECT_EQ(row.exitCode, run.exitCode);
        EXPECT_FALSE(run.windowShown);
        const std::string json = testenv::ReadFile(result);
        EXPECT_EQ(std::to_string(row.exitCode), JsonField(json, "exitCode")) << json;
        EXPECT_EQ(Json(row.reason), JsonField(json, "reason"));
        const std::string subject = JsonField(json, "subject");
        const std::string wanted = Json(expand(row.subject));
        EXPECT_NE(std::string::npos, subject.find(wanted.substr(1, wanted.size() - 2))) << subject;
        EXPECT_EQ(row.prepare == kFolderIsFile, win::FileExists(suite.install));
        EXPECT_EQ("", suite.EntryValue("DisplayName"));
    }
}

// With /WAIT a run waits for another installation to end, and then installs; one whose wait
// runs out ends with 1618.
TEST(Unattended, WaitsForAnotherInstallationToEnd) {
    SuitePackage suite;
    ASSERT_TRUE(suite.Lay());
    win::UniqueKernelHandle otherRun(CreateMutexA(nullptr, TRUE, kLockName));
    ASSERT_TRUE(otherRun.valid());
    EXPECT_EQ(1618, RunSetupQuietly(suite, "/S /WAIT=1 /D=" + suite.install).exitCode);
    ui::SetupProcess waiting;
    ASSERT_TRUE(waiting.Start(suite.package.SetupPath(), "/S /WAIT=60 /D=" + suite.install, suite.package.Folder()));
    Sleep(2000);
    EXPECT_FALSE(win::FileExists(suite.install));
    ReleaseMutex(otherRun.get());
    EXPECT_EQ(0, waiting.WaitForExit());
    EXPECT_EQ("program", testenv::ReadFile(suite.install + "\\Suite.exe"));
}

// /? shows every switch and the exit codes in a box and installs nothing; quiet, the text goes
// to the trace alone.
TEST(Unattended, HelpNamesEverySwitchAndInstallsNothing) {
    SuitePackage suite;
    ASSERT_TRUE(suite.Lay());
    const ui::SingleMessageRun shown =
        ui::RunExpectingOneMessage(suite.package.SetupPath(), "/?", suite.package.Folder());
    ASSERT_TRUE(shown.sawBox);
    EXPECT_EQ(0, shown.exitCode);
    for (const char* named : {"/S", "/LOG=", "/RESULT=", "/WAIT", "/COMPONENTS=", "/DEVICE=", "/D=", "/HELP", "/SAVEINF=",
                              "/LOADINF=", "3010", "1602", "1603", "1618", "1622", "1639", "from 1: Part1 Part2"})
        EXPECT_NE(std::string::npos, shown.box.text.find(named)) << named << "\n" << shown.box.text;
    const std::string trace = suite.root + "\\help.txt";
    const QuietRun quiet = RunSetupQuietly(suite, "/S /HELP \"/LOG=" + trace + "\" /D=" + suite.install);
    EXPECT_EQ(0, quiet.exitCode);
    EXPECT_FALSE(quiet.windowShown);
    EXPECT_NE(std::string::npos, testenv::ReadFile(trace).find("/RESULT=<file>"));
    EXPECT_FALSE(win::FileExists(suite.install));
}

// Components by name or number, on the command line or in an answer file; an unknown one, a
// choice the rules refuse and an answer file's line that is no switch end with 1639, the trace
// naming why and where.
TEST(Unattended, ComponentsAreChosenByNameOrNumber) {
    SuitePackage suite;
    suite.extraTools = true;
    ASSERT_TRUE(suite.Lay());
    const std::string trace = suite.root + "\\trace.txt", root = suite.root;
    const struct {
        const char* switches;  // %s: the test's folder
        const char* answers;   // the text of an answer file a.ini there; null: none
        int exitCode;
        const char* installed;  // 1, 2, E: Part1, Part2, Extra Tools
        const char* traced;
    } rows[] = {
        {"/COMPONENTS=part2", nullptr, 0, "2", ""},
        {"/COMPONENTS=2", nullptr, 0, "2", ""},
        {"/COMPONENTS=\"extra tools\",1", nullptr, 0, "1E", ""},
        {"/COMPONENTS=Part3", nullptr, 1639, "", "finding the component Part3 failed"},
        {"/COMPONENTS=Part1,Part2", nullptr, 1639, "", "group rules with /COMPONENTS failed"},
        // An answer file's choices go through the same rules, and the command line wins over them.
        {"/LOADINF=%s\\a.ini", "\xEF\xBB\xBF[setup]\r\n; by name\r\n\r\n COMPONENTS=\"extra tools\",part2\r\n", 0, "2E", ""},
        {"/LOADINF=%s\\a.ini /COMPONENTS=1", "[Setup]\nCOMPONENTS=2\nDEVICE=E:", 0, "1", ""},
        {"/LOADINF=%s\\a.ini", "[Setup]\r\n\r\nCOMPONENTS=Part1,Part2\r\n", 1639, "", "group rules with %s\\a.ini, line 3 failed"},
        {"/LOADINF=%s\\a.ini", "[Setup]\r\nCOMPONENTS=Part3\r\n", 1639, "", "Part3 of %s\\a.ini, line 2 failed"},
        {"/LOADINF=%s\\a.ini", "D=C:\\x\r\n", 1639, "", "answer file %s\\a.ini, line 1 failed"},
        {"/LOADINF=%s\\a.ini", "[Other]\r\nD=C:\\x\r\n", 1639, "", "answer file %s\\a.ini, line 1 failed"},
        {"/LOADINF=%s\\a.ini", "[Setup]\r\nFOLDER=C:\\x\r\n", 1639, "", "answer file %s\\a.ini, line 2 failed"},
        {"/LOADINF=%s\\a.ini", "[Setup]\r\nS\r\n", 1639, "", "answer file %s\\a.ini, line 2 failed"},
        {"/LOADINF=%s\\a.ini", "[Setup]\r\nD=C:\\x\r\nDEVICE=E: /S\r\n", 1639, "", "answer file %s\\a.ini, line 3 failed"},
        {"/LOADINF=%s\\none.ini", nullptr, 1639, "", "reading the answer file %s\\none.ini failed"},
        // The answer file to write is refused as the /LOG file would be.
        {"/SAVEINF=%s\\install.log", nullptr, 1639, "", "opening %s\\install.log failed"},
        {"/SAVEINF=%s\\none\\a.ini", nullptr, 1622, "", "opening %s\\none\\a.ini failed"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.switches);
        ASSERT_TRUE(!row.answers || testenv::WriteFile(root + "\\a.ini", row.answers));
        DeleteFileA(trace.c_str());
        const std::string switches = text::Format(row.switches, root.c_str());
        const QuietRun run = RunSetupQuietly(suite, "/S /LOG=" + trace + " " + switches + " /D=" + suite.install);
        EXPECT_EQ(row.exitCode, run.exitCode);
        EXPECT_NE(std::string::npos, testenv::ReadFile(trace).find(text::Format(row.traced, root.c_str())));
        for (const char* part : {"1Part1", "2Part2", "EExtra Tools"})
            EXPECT_EQ(std::string(row.installed).find(part[0]) != std::string::npos,
                      win::FileExists(suite.install + "\\" + (part + 1) + ".txt")) << part;
        EXPECT_EQ(0, run.exitCode ? 0 : ui::RunQuietUninstall(suite.EntryValue("QuietUninstallString")).exitCode);
    }
}

// An administrator repeats a person's choices. The wizard with /SAVEINF writes the folder and
// the components chosen, by name, as the installation starts; /LOADINF makes them the pages'
// defaults (and a wizard cancelled before it installs leaves the file as it was); /LOADINF /S
// of the file on a clean machine installs the same files, install log and Uninstall entry.
TEST(Unattended, AnAnswerFileRepeatsTheWizardsChoicesQuietly) {
    SuitePackage suite;
    suite.extraTools = true;
    ASSERT_TRUE(suite.Lay());
    // Made beforehand, so that neither run records making it where the other would not.
    ASSERT_TRUE(CreateDirectoryA(suite.install.c_str(), nullptr));
    const std::string answers = suite.root + "\\answers.ini";
    const std::vector<bool> chosen{false, true, true};  // Part2 instead of Part1, and Extra Tools
    ui::SetupProcess setup;
    ASSERT_TRUE(testenv::StartWizard(&setup, suite.package, "\"/SAVEINF=" + answers + "\""));
    const testenv::WizardWalk walk = testenv::WalkWizard(setup, ui::kDefaultTimeoutMs, [&](HWND page, const std::string& name) {
        if (name == "destination") ui::SetControlText(page, IDC_TARGET_DIR, suite.install);
        for (int item = 1; name == "components" && item <= 2; ++item) {
            ASSERT_TRUE(ui::ClickListItem(page, IDC_COMPONENT_LIST, item));
            ASSERT_TRUE(ui::WaitUntil([&] { return ui::ListSelection(page, IDC_COMPONENT_LIST)[2] == (item == 2); }));
        }
        EXPECT_EQ(name == "progress" ? "[Setup]\r\nD=" + suite.install + "\r\nCOMPONENTS=Part2,\"Extra Tools\"\r\n" : "",
                  testenv::ReadFile(answers)) << name;
    });
    ASSERT_EQ(0, walk.exitCode);
    // The install folder with its log, byte for byte, and the Uninstall entry; a shortcut holds
    // its target's times, which no two installations share.
    snapshot::Places places;
    places.folders = {suite.install};
    places.files = {suite.systemFile};
    places.keys = {{HKEY_LOCAL_MACHINE, suite.entryKey}};
    const snapshot::Machine wizard = snapshot::Take(places);
    const std::string saved = testenv::ReadFile(answers);

    {
        ui::SetupProcess again;
        HWND welcome = testenv::StartWizard(&again, suite.package, "/LOADINF=" + answers + " /SAVEINF=" + answers);
        ASSERT_TRUE(welcome);
        HWND components = testenv::PressAndWait(again, welcome, IDC_NEXT, testenv::kComponentsMark);
        ASSERT_TRUE(components);
        EXPECT_EQ(chosen, ui::ListSelection(components, IDC_COMPONENT_LIST));
        HWND destination = testenv::PressAndWait(again, components, IDC_NEXT, testenv::kDestinationMark);
        ASSERT_TRUE(destination);
        EXPECT_EQ(suite.install, ui::ControlText(destination, IDC_TARGET_DIR));
        ASSERT_TRUE(ui::SetupProcess::PressId(destination, IDCANCEL));
        ASSERT_TRUE(testenv::AnswerBox(again, "Yes"));
        EXPECT_EQ(1602, again.WaitForExit());
        EXPECT_EQ(saved, testenv::ReadFile(answers));
    }

    ASSERT_EQ(0, ui::RunQuietUninstall(suite.EntryValue("QuietUninstallString")).exitCode);
    CreateDirectoryA(suite.install.c_str(), nullptr);  // unless the uninstall left it
    const QuietRun run = RunSetupQuietly(suite, "/S \"/LOADINF=" + answers + "\"");
    EXPECT_EQ(0, run.exitCode);
    EXPECT_FALSE(run.windowShown);
    EXPECT_EQ(std::vector<std::string>{}, snapshot::Differences(wizard, snapshot::Take(places)));
    EXPECT_EQ(0, ui::RunQuietUninstall(suite.EntryValue("QuietUninstallString")).exitCode);
}

// The uninstaller cannot be put in place (an older one held open): the product would have no
// uninstall, so the run fails and is taken back.
TEST(Unattended, AnUninstallEntryThatCannotBeWrittenFailsTheRun) {
    SuitePackage suite;
    ASSERT_TRUE(suite.Lay());
    const std::string uninstaller = win::WindowsFolder() + "\\pyxu.exe";
    ASSERT_TRUE(testenv::WriteFile(uninstaller, "older") && testenv::SetFileAge(uninstaller, 3650));
    const std::string result = suite.root + "\\result.json";
    QuietRun run;
    {
        win::UniqueFile open(CreateFileA(uninstaller.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(open.valid());
        run = RunSetupQuietly(suite, "/S \"/RESULT=" + result + "\" /D=" + suite.install);
    }
    DeleteFileA(uninstaller.c_str());  // the next installation puts the program there
    EXPECT_EQ(1603, run.exitCode);
    const std::string json = testenv::ReadFile(result);
    EXPECT_EQ(Json(uninstaller), JsonField(json, "subject")) << json;
    EXPECT_EQ("32", JsonField(json, "error"));
    suite.ExpectNothingLeft();
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
        return installed::RegistryText(HKEY_LOCAL_MACHINE, entryKey, name);
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

    // First its plan, every section's files and decisions, against the golden one with this
    // machine's folders and the run's names put back as their placeholders.
    const std::string planFile = kit.root + "\\plan.json";
    ASSERT_EQ(0, ui::RunQuietly(kit.package + "\\setup.exe", "/PLAN=" + planFile + " /DEVICE=C:\\ /D=" + kit.install,
                                kit.package)
                     .exitCode);
    std::string plan = testenv::ReadFile(planFile);
    const std::string startup = kit.startupLink.substr(0, kit.startupLink.rfind('\\'));
    const std::pair<std::string, const char*> places[] = {
        {kit.root, "{root}"},           {win::SystemFolder(), "{system}"}, {startup, "{startup}"},
        {installed::ProgramsFolder(), "{programs}"}, {win::WindowsFolder(), "{windows}"},
        {kit.systemName, "{library}"}, {kit.company, "{company}"}};
    for (const auto& [place, name] : places) {
        const std::string json = text::JsonString(place).substr(1, text::JsonString(place).size() - 2);
        for (size_t at = plan.find(json); at != std::string::npos; at = plan.find(json, at))
            plan.replace(at, json.size(), name);
    }
    EXPECT_EQ(testenv::ReadFile(SETUP_SOURCE_DIR "\\tests\\golden\\authored-plan.json"), plan) << plan;

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

// An upgrade decided before anything changes: the version against the installed one's (an
// older one refused unless allowed, one that is no dotted number neither older nor newer), and
// files held by another program named with the run's own exit code.
TEST(Unattended, VersionsAndHeldFilesAreDecidedBeforeAnythingChanges) {
    SuitePackage suite;
    ASSERT_TRUE(suite.Lay());
    ASSERT_EQ(0, RunSetupQuietly(suite, "/S /D=" + suite.install).exitCode);
    auto number = [&](const char* name) {
        DWORD value = 99;
        win::UniqueKey key;
        if (win::OpenKey(HKEY_LOCAL_MACHINE, suite.entryKey, KEY_QUERY_VALUE, &key)) win::ReadDword(key.get(), name, &value);
        return value;
    };
    EXPECT_EQ(3u, number("VersionMajor"));
    EXPECT_EQ(0u, number("VersionMinor"));
    snapshot::Places places;
    places.folders = {suite.install, installed::ProgramsFolder() + "\\" + suite.company};
    places.files = {suite.systemFile};
    places.keys = {{HKEY_LOCAL_MACHINE, suite.entryKey}};
    const std::string result = suite.root + "\\result.json";

    struct Row {
        const char* version;
        const char* switches;
        int exitCode;
        const char* installed;  // DisplayVersion afterwards
        DWORD major, minor;
    };
    const Row rows[] = {
        {"2.9", "", 1638, "3.0", 3, 0},  {"2.9", "/ALLOWDOWNGRADE ", 0, "2.9", 2, 9}, {"2.9", "", 0, "2.9", 2, 9},
        {"beta", "", 0, "beta", 0, 0},  {"1.0", "", 0, "1.0", 1, 0},                 {"4.1.2", "", 0, "4.1.2", 4, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.version) + " " + row.switches);
        suite.version = row.version;
        ASSERT_TRUE(suite.Lay());
        const snapshot::Machine before = snapshot::Take(places);
        const QuietRun run = RunSetupQuietly(suite, std::string("/S ") + row.switches + "/RESULT=" + result + " /D=" +
                                                        suite.install);
        EXPECT_EQ(row.exitCode, run.exitCode);
        EXPECT_FALSE(run.windowShown);
        EXPECT_EQ(row.installed, suite.EntryValue("DisplayVersion"));
        EXPECT_EQ(row.major, number("VersionMajor"));
        EXPECT_EQ(row.minor, number("VersionMinor"));
        if (row.exitCode == 0) continue;
        EXPECT_EQ(std::vector<std::string>{}, snapshot::Differences(before, snapshot::Take(places)));
        const std::string document = testenv::ReadFile(result);
        for (const char* part : {"\"reason\": \"newer-version-installed\"", "installing version 2.9 over the newer version 3.0 of",
                                 "\"error\": 1638"})
            EXPECT_NE(std::string::npos, document.find(part)) << document;
    }

    // The program held by another program, with /CLOSEAPPLICATIONS: named, with the run's own
    // code, and nothing changed; once it lets go the same run installs.
    const std::string program = suite.install + "\\Suite.exe";
    const snapshot::Machine before = snapshot::Take(places);
    {
        win::UniqueFile holder(CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder.valid());
        // Wine's Restart Manager closes nobody: the file stays held.
        const QuietRun run = RunSetupQuietly(suite, "/S /CLOSEAPPLICATIONS /RESULT=" + result + " /D=" + suite.install);
        EXPECT_EQ(32, run.exitCode);
        EXPECT_FALSE(run.windowShown);
        EXPECT_EQ(std::vector<std::string>{}, snapshot::Differences(before, snapshot::Take(places)));
        const std::string document = testenv::ReadFile(result);
        for (const char* part : {"\"reason\": \"files-in-use\"", "Suite.exe\"", "\"error\": 32"})
            EXPECT_NE(std::string::npos, document.find(part)) << document;
    }
    EXPECT_EQ(0, RunSetupQuietly(suite, "/S /D=" + suite.install).exitCode);
    EXPECT_EQ(0, ui::RunQuietUninstall(suite.EntryValue("QuietUninstallString")).exitCode);
}

}  // namespace
