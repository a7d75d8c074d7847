// The installation's faults, one per row, each made real where Wine can make it: the run ends
// or goes on as its step says, the failure record (what /RESULT reports) names the step, the
// subject and the failing call's own code, the trace has one line for it, and the shortcut of
// another installation by the same name is still there with its bytes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "base/RunResult.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "engine/InstallDriver.h"
#include "log/InstallLog.h"
#include "log/LogWriter.h"
#include "script/ScriptWriter.h"
#include "support/InstallRun.h"
#include "support/Installed.h"
#include "support/Package.h"
#include "support/TestEnv.h"
#include "transaction/Journal.h"
#include "transaction/RunFiles.h"
#include "win/Files.h"

namespace {

using Names = std::vector<std::string>;

std::string g_trace;
void Capture(const char* message) { g_trace += message; }

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// The shell begins the link, then fails, as a full disk or a refused write would make it.
long HalfWrittenLink(const std::string&, const std::string& linkPath) {
    testenv::WriteFile(linkPath, "half");
    return E_FAIL;
}

enum class Fault { kShortcut, kNewShortcut, kSelfRegistration, kTempLogFolder, kInstallLogFolder };

struct Row {
    const char* name;
    Fault fault;
    bool installed;       // the run commits
    const char* step;     // the one failure line's step
    const char* action;   // ... and its action
    unsigned long error;  // ... and code
};

TEST(FaultTable, EachInstallationFaultIsTracedOnceWithItsOwnCodeAndLosesNothingOfAnotherProduct) {
    win::ComInit com;
    ASSERT_TRUE(SUCCEEDED(com.result()));
    const Row rows[] = {
        {"shortcut over another's", Fault::kShortcut, true, "CreateShortcut", "saving the shortcut", 0x80004005ul},
        {"new shortcut", Fault::kNewShortcut, true, "CreateShortcut", "saving the shortcut", 0x80004005ul},
        {"self-registration", Fault::kSelfRegistration, true, "InstallSection", "registering the library",
         0x80004005ul},
        {"temporary log a folder", Fault::kTempLogFolder, false, "LogWriter", "opening the log", ERROR_ACCESS_DENIED},
        {"install log a folder", Fault::kInstallLogFolder, false, "SettleInstallLog",
         "reading the earlier installation's log", ERROR_ACCESS_DENIED},
    };
    SetTraceSink(Capture);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        installed::Cleanup cleanup;
        const std::string root = testenv::FreshFolder(std::to_string(static_cast<int>(row.fault)));
        testenv::Package package(root + "\\package");
        ASSERT_TRUE(CreateDirectoryA(package.Folder().c_str(), nullptr));
        const std::string company = testenv::UniqueName("Fault");
        const std::string install = root + "\\installed";
        const std::string menu = installed::ProgramsFolder() + "\\" + company + "\\Notes";
        cleanup.folders.push_back(installed::ProgramsFolder() + "\\" + company);
        cleanup.trees.emplace_back(HKEY_LOCAL_MACHINE,
                                   std::string(installed::kUninstallKey) + "\\" + company + " Notes for BlackBerry");

        script::ScriptWriter script;
        script.Set("Title", "Notes");
        script.Set("Company", company);
        script.AddFolder(kSectionApplication, "");
        script::ScriptFile program{"Notes.exe", 0, 2};
        program.menuShortcut = 1;
        script.AddFile(kSectionApplication, program);
        script::ScriptFile library{"reg.dll", 0, 3, kKindRegistrable};
        library.registerSelf = row.fault == Fault::kSelfRegistration ? 1 : 0;
        script.AddFile(kSectionApplication, library);
        ASSERT_TRUE(package.AddSetup() && package.WriteScript(script.Text()) && package.WriteData(2, "program") &&
                    package.WriteData(3, testenv::ReadFile(testenv::BinFolder() + "selfreg_fail.dll")));

        // Another installation's shortcut by the same name, where this one's goes.
        const std::string link = menu + "\\Notes.lnk";
        if (row.fault != Fault::kNewShortcut) {
            ASSERT_TRUE(CreateDirectoryA((installed::ProgramsFolder() + "\\" + company).c_str(), nullptr) &&
                        CreateDirectoryA(menu.c_str(), nullptr) &&
                        testenv::WriteFile(link, "another product's shortcut"));
        }
        const std::string tempLog = text::JoinPath(RunFilesFolder(), RunLogName(GetCurrentProcessId()));
        if (row.fault == Fault::kTempLogFolder) {
            ASSERT_TRUE(CreateDirectoryA(tempLog.c_str(), nullptr));
        }
        if (row.fault == Fault::kInstallLogFolder) {
            ASSERT_TRUE(CreateDirectoryA(install.c_str(), nullptr) &&
                        CreateDirectoryA((install + "\\install.log").c_str(), nullptr));
        }

        DriverRun driver;
        ASSERT_TRUE(PrepareDriverRun(package, install, &driver));
        Outcome() = RunOutcome();
        g_trace.clear();
        bool installedNow = false;
        {
            Journal journal;
            LogWriter log;
            InstallContext run(journal, log);
            if (row.fault == Fault::kShortcut || row.fault == Fault::kNewShortcut) run.writeLink = HalfWrittenLink;
            installedNow = RunInstallation(run, driver.request, &driver.result);
            log.Close();
            EXPECT_EQ(0, journal.TakeBack());
        }
        EXPECT_EQ(row.installed, installedNow) << g_trace;
        EXPECT_EQ(!row.installed, Outcome().failed);
        if (!row.installed) {
            EXPECT_EQ(row.step, Outcome().failure.step);
            EXPECT_EQ(row.action, Outcome().failure.action);
            EXPECT_EQ(row.error, Outcome().failure.error);
            EXPECT_FALSE(win::FileExists(install + "\\Notes.exe"));
        }
        EXPECT_EQ(1u, Occurrences(g_trace, std::string(row.step) + ": " + row.action)) << g_trace;
        const std::string code = row.error >= 0x80000000ul ? text::Format("error 0x%08lX, ", row.error)
                                                           : text::Format("error %lu, ", row.error);
        EXPECT_EQ(1u, Occurrences(g_trace, code)) << g_trace;
        const std::string log = testenv::ReadFile(install + "\\install.log");
        switch (row.fault) {
        case Fault::kShortcut:
        case Fault::kNewShortcut:
            // The commit deleted no kept copy: the other shortcut is back, and none of this run's
            // is left, nor a record of one.
            EXPECT_EQ(row.fault == Fault::kShortcut ? "another product's shortcut" : "", testenv::ReadFile(link));
            EXPECT_EQ(std::string::npos, log.find("CreateShortcut:")) << log;
            EXPECT_EQ(row.fault == Fault::kShortcut ? Names{"Notes.lnk"} : Names{}, installed::FolderEntries(menu));
            break;
        case Fault::kSelfRegistration: EXPECT_EQ(std::string::npos, log.find("Register:")) << log; break;
        case Fault::kTempLogFolder:
        case Fault::kInstallLogFolder:
            EXPECT_EQ("another product's shortcut", testenv::ReadFile(link));
            RemoveDirectoryA(tempLog.c_str());
            RemoveDirectoryA((install + "\\install.log").c_str());
            break;
        }
        testenv::DeleteTree(install);
    }
    SetTraceSink(nullptr);
}

}  // namespace
