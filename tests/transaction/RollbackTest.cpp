// A failed or interrupted installation leaves the machine exactly as it was: each scenario
// takes a snapshot of the places the run touches, runs setup.exe, and compares.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/Section.h"
#include "support/Installed.h"
#include "support/SharedDlls.h"
#include "support/Snapshot.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "support/Wizard.h"
#include "transaction/JournalFormat.h"
#include "transaction/RunFiles.h"
#include "support/Product.h"
#include "win/Files.h"
#include "win/SecureFolder.h"
#include "win/UniqueHandle.h"

#include <sddl.h>

namespace {

using Lines = std::vector<std::string>;

using Rollback = product::ProductTest;

// Everything a run of `p` may change: its folders, System file and Startup link, its shared
// count and registration, its Uninstall entry.
snapshot::Machine Snapshot(const product::Product& p) {
    snapshot::Places places;
    places.folders = {p.root + "\\Program Files\\" + p.company, installed::ProgramsFolder() + "\\" + p.company};
    places.files = {p.systemFile, p.startupLink};
    places.keys = {{HKEY_LOCAL_MACHINE, std::string(installed::kUninstallKey) + "\\" + p.displayName}};
    places.values = {{HKEY_LOCAL_MACHINE, sharedkey::kPath, p.systemFile},
                     {HKEY_CURRENT_USER, installed::kSelfRegKey, p.sharedName}};
    return snapshot::Take(places);
}

// What runs left in `folder`: the run files folder unless named.
Lines Journals(const std::string& folder = RunFilesFolder()) {
    Lines found;
    WIN32_FIND_DATAA entry;
    win::UniqueFind find(FindFirstFileA((folder + "\\SetupRun-*").c_str(), &entry));
    if (find) {
        do found.push_back(entry.cFileName);
        while (FindNextFileA(find.get(), &entry));
    }
    return found;
}

TEST_F(Rollback, FailedRunPutsBackWhatItReplaced) {
    product::Product notes = Make(testenv::UniqueName("V"), "Notes", testenv::UniqueName("s") + ".dll");
    product::UseMachineFolders(&notes, &cleanup_);
    // The folder holds the user's own files, one by the name of the product's program; another
    // product's copy of the shared library is counted once.
    ASSERT_TRUE(CreateFolderPath(notes.install + "\\docs"));
    ASSERT_TRUE(testenv::WriteFile(notes.install + "\\Notes.exe", "the user's own program"));
    ASSERT_TRUE(testenv::WriteFile(notes.install + "\\docs\\Readme.txt", "the user's notes"));
    ASSERT_TRUE(SetFileAttributesA((notes.install + "\\docs\\Readme.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(testenv::WriteFile(notes.systemFile, "another product's library"));
    ASSERT_TRUE(sharedkey::SetCount(notes.systemFile, 1));
    const snapshot::Machine before = Snapshot(notes);

    product::Run run;
    run.extraFiles = {"Extra.txt"};
    run.failAtEnd = true;  // after the System and Application files, shortcuts and registration
    const ui::QuietRun failed = product::InstallQuietly(notes, run);
    EXPECT_EQ(1603, failed.exitCode);
    EXPECT_FALSE(failed.windowShown);
    EXPECT_EQ(Lines(), snapshot::Differences(before, Snapshot(notes)));
    EXPECT_EQ(Lines(), Journals());
    SetFileAttributesA((notes.install + "\\docs\\Readme.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Rollback, FailedRunSparesTheFirstFolder) {
    const std::string company = testenv::UniqueName("V");
    const std::string shared = testenv::UniqueName("s") + ".dll";
    product::Product earlier = Make(company, "Notes", shared);
    product::UseMachineFolders(&earlier, &cleanup_);
    ASSERT_EQ(0, product::InstallQuietly(earlier, {}).exitCode);
    const snapshot::Machine before = Snapshot(earlier);

    // The same product into another folder, which would take over the same entry, menu
    // shortcuts and Startup link: refused before anything changes.
    product::Product again = product::Describe(root_ + "\\other", company, "Notes", shared, &cleanup_);
    product::UseMachineFolders(&again, &cleanup_);
    ASSERT_TRUE(CreateDirectoryA(again.root.c_str(), nullptr));
    product::Run run;
    run.package = 2;
    run.failAtEnd = true;
    EXPECT_EQ(1639, product::InstallQuietly(again, run).exitCode);
    EXPECT_EQ(Lines(), snapshot::Differences(before, Snapshot(earlier)));
    EXPECT_FALSE(win::FileExists(again.root + "\\Program Files"));

    EXPECT_EQ(0, product::UninstallQuietly(earlier).exitCode);
    EXPECT_EQ(Lines(), product::Remains(earlier));
}

TEST_F(Rollback, AnInstallLogThatCannotBeWrittenFailsTheRun) {
    product::Product notes = Make(testenv::UniqueName("V"), "Notes", testenv::UniqueName("s") + ".dll");
    product::UseMachineFolders(&notes, &cleanup_);
    ASSERT_EQ(0, product::InstallQuietly(notes, {}).exitCode);
    const snapshot::Machine before = Snapshot(notes);
    {
        // Another program holds the log: the upgrade cannot append its records.
        win::UniqueFile holder(
            CreateFileA(notes.installLog.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder.valid());
        product::Run upgrade;
        upgrade.package = 2;
        upgrade.extraFiles = {"Extra.txt"};
        EXPECT_EQ(1603, product::InstallQuietly(notes, upgrade).exitCode);
    }
    EXPECT_EQ(Lines(), snapshot::Differences(before, Snapshot(notes)));
    EXPECT_EQ(0, product::UninstallQuietly(notes).exitCode);
    EXPECT_EQ(Lines(), product::Remains(notes));
}

TEST_F(Rollback, KilledRunIsTakenBackAtNextStart) {
    for (int k : {1, 10, 25}) {
        SCOPED_TRACE("killed after file " + std::to_string(k));
        const std::string tag = std::to_string(k);
        product::Product notes =
            Make(testenv::UniqueName("V" + tag), "Notes", testenv::UniqueName("s" + tag) + ".dll");
        product::UseMachineFolders(&notes, &cleanup_);
        ASSERT_TRUE(CreateFolderPath(notes.install));
        ASSERT_TRUE(testenv::WriteFile(notes.install + "\\Notes.exe", "the user's own program"));
        product::Run run;
        for (int i = 1; i <= 40; ++i) run.extraFiles.push_back("f" + std::to_string(i) + ".bin");
        run.extraSize = 1 << 20;
        const testenv::Package package = product::LayRun(notes, run);
        ASSERT_FALSE(package.Folder().empty());
        const snapshot::Machine before = Snapshot(notes);

        {
            ui::SetupProcess setup;
            ASSERT_TRUE(setup.Start(package.SetupPath(), "/S /D=" + notes.install, package.Folder()));
            const std::string kth = notes.install + "\\more\\f" + tag + ".bin";
            // Watched closely: the files follow each other within milliseconds.
            const DWORD start = GetTickCount();
            while (!win::FileExists(kth) && setup.Running() && GetTickCount() - start < 30000) Sleep(1);
            ASSERT_TRUE(setup.Running()) << "the run ended before it could be killed";
            setup.Kill();
        }
        ASSERT_EQ(2u, Journals().size()) << "the killed run's journal and temporary log";

        // Another product's setup.exe takes the killed run back before it installs itself.
        product::Product other = Make(testenv::UniqueName("W" + tag), "Other", testenv::UniqueName("o" + tag) + ".dll");
        product::UseMachineFolders(&other, &cleanup_);
        EXPECT_EQ(0, product::InstallQuietly(other, {}).exitCode);
        EXPECT_EQ(Lines(), snapshot::Differences(before, Snapshot(notes)));
        EXPECT_EQ(Lines(), Journals());
        EXPECT_EQ(0, product::UninstallQuietly(other).exitCode);
    }
}

// Killed once its new log's digest is stored, an upgrade may have marked its journal
// committed: the next start deletes the copies it kept and their folders.
TEST_F(Rollback, AnUpgradeKilledAtItsCommitLeavesNoStagingFolder) {
    product::Product notes = Make(testenv::UniqueName("V"), "Notes", testenv::UniqueName("s") + ".dll");
    product::UseMachineFolders(&notes, &cleanup_);
    product::Run run;
    for (int i = 1; i <= 300; ++i) run.extraFiles.push_back("f" + std::to_string(i) + ".txt");
    ASSERT_EQ(0, product::InstallQuietly(notes, run).exitCode);
    const std::string sealed = installed::UninstallValue(notes.displayName, "InstallLogSha256");
    run.package = 2;  // newer copies of every file
    const testenv::Package package = product::LayRun(notes, run);
    {
        ui::SetupProcess setup;
        ASSERT_TRUE(setup.Start(package.SetupPath(), "/S /D=" + notes.install, package.Folder()));
        const DWORD start = GetTickCount();
        while (installed::UninstallValue(notes.displayName, "InstallLogSha256") == sealed && setup.Running() &&
               GetTickCount() - start < 60000) {
        }
        setup.Kill();
    }
    EXPECT_EQ(0, product::UninstallQuietly(notes).exitCode);
    EXPECT_EQ(Lines(), product::Remains(notes));
}

TEST_F(Rollback, FailedWizardUpgrade) {
    product::Product notes = Make(testenv::UniqueName("V"), "Notes", testenv::UniqueName("s") + ".dll");
    product::UseMachineFolders(&notes, &cleanup_);
    const testenv::WizardWalk first = product::InstallThroughWizard(notes, {});
    ASSERT_EQ(0, first.exitCode) << testing::PrintToString(first.seen);
    ASSERT_TRUE(win::FileExists(notes.installLog)) << testing::PrintToString(first.seen);
    const snapshot::Machine before = Snapshot(notes);

    product::Run upgrade;
    upgrade.package = 2;
    upgrade.extraFiles = {"Extra.txt"};
    upgrade.failAtEnd = true;
    const testenv::WizardWalk second = product::InstallThroughWizard(notes, upgrade);
    ASSERT_FALSE(second.seen.empty());
    EXPECT_EQ("box:" + testenv::LibraryString(9), second.seen.back());
    EXPECT_EQ(1603, second.exitCode);
    EXPECT_EQ(Lines(), snapshot::Differences(before, Snapshot(notes)));

    // The destination page made the install folder and its parent: the uninstall removes both.
    product::ExpectDone(product::Uninstall(notes), notes.displayName);
    EXPECT_EQ(Lines(), product::Remains(notes));
}

TEST_F(Rollback, ASecondRunWhileOneIsInProgressChangesNothing) {
    product::Product notes = Make(testenv::UniqueName("V"), "Notes", testenv::UniqueName("s") + ".dll");
    product::UseMachineFolders(&notes, &cleanup_);
    const testenv::Package package = product::LayRun(notes, {});
    ASSERT_FALSE(package.Folder().empty());
    const snapshot::Machine before = Snapshot(notes);
    {
        // What a running installation holds.
        win::UniqueKernelHandle running(CreateMutexA(nullptr, TRUE, "Global\\HandheldSetupInstallation"));
        ASSERT_TRUE(running.valid());
        const ui::QuietRun quiet = ui::RunQuietly(package.SetupPath(), "/S /D=" + notes.install, package.Folder());
        EXPECT_EQ(1618, quiet.exitCode);
        EXPECT_FALSE(quiet.windowShown);
        const ui::SingleMessageRun shown = ui::RunExpectingOneMessage(package.SetupPath(), "", package.Folder());
        EXPECT_EQ(1618, shown.exitCode);
        EXPECT_NE(std::string::npos, shown.box.text.find("Another installation")) << shown.box.text;
        ReleaseMutex(running.get());
    }
    EXPECT_EQ(Lines(), snapshot::Differences(before, Snapshot(notes)));
}

// An ordinary user can write the temporary folder, and could plant a journal in the run files
// folder if it let them: neither is ever acted on by an installation or an uninstall.
TEST_F(Rollback, JournalsAnyoneCouldHaveWrittenAreLeftAlone) {
    const std::string victim = root_ + "\\victim.txt";
    const std::string target = root_ + "\\target.dll";
    const std::string attacker = root_ + "\\attacker.dll";
    for (const std::string& file : {victim, target, attacker}) ASSERT_TRUE(testenv::WriteFile(file, file));
    const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string value = testenv::UniqueName("planted");
    snapshot::Places places;
    places.files = {victim, target, attacker};
    places.values = {{HKEY_LOCAL_MACHINE, kRun, value}};
    const snapshot::Machine before = snapshot::Take(places);
    auto line = [](JournalKind kind, Lines fields) { return FormatJournalLine({kind, std::move(fields)}); };
    const std::string undo = line(JournalKind::kHeader, {"1", root_ + "\\x.log"}) +
                             line(JournalKind::kNewFile, {victim}) + line(JournalKind::kAside, {target, attacker}) +
                             line(JournalKind::kValue, {"HKLM", kRun, value, EncodeValueState(true, REG_SZ, "evil.exe")}) +
                             line(JournalKind::kGrown, {victim, "0"});
    const std::string committed = line(JournalKind::kHeader, {"1", root_ + "\\y.log"}) +
                                  line(JournalKind::kAside, {target, victim}) + line(JournalKind::kCommitted, {});

    // The run files folder opened to everyone is no longer trusted: a new one is made.
    const std::string runFolder = RunFilesFolder();
    win::UniqueLocal open;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;FA;;;WD)", SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    open.reset(descriptor);
    ASSERT_TRUE(SetFileSecurityA(runFolder.c_str(), DACL_SECURITY_INFORMATION, descriptor));
    const std::vector<std::string> planted = {win::TempFolder() + "SetupRun-90001.journal",
                                              win::TempFolder() + "SetupRun-90002.journal",
                                              runFolder + "\\SetupRun-90003.journal"};
    for (size_t i = 0; i < planted.size(); ++i) ASSERT_TRUE(testenv::WriteFile(planted[i], i == 1 ? committed : undo));

    product::Product other = Make(testenv::UniqueName("W"), "Other", testenv::UniqueName("o") + ".dll");
    product::UseMachineFolders(&other, &cleanup_);
    EXPECT_EQ(0, product::InstallQuietly(other, {}).exitCode);
    EXPECT_EQ(Lines(), snapshot::Differences(before, snapshot::Take(places)));
    EXPECT_EQ(0, product::UninstallQuietly(other).exitCode);
    EXPECT_EQ(Lines(), snapshot::Differences(before, snapshot::Take(places)));
    for (const std::string& journal : planted) EXPECT_TRUE(win::FileExists(journal)) << journal;

    // The runs went to a folder of their own, made for administrators only. Wine keeps no owner
    // of its own for a file (every file is the user's), so only the access list can be read back.
    const std::string fresh = runFolder + ".1";
    std::string why;
    EXPECT_TRUE(win::IsAdminOnlyFolder(fresh, &why)) << why;
    char* text = nullptr;
    DWORD needed = 0;
    GetFileSecurityA(fresh.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::vector<char> read(needed);
    ASSERT_TRUE(GetFileSecurityA(fresh.c_str(), DACL_SECURITY_INFORMATION, read.data(), needed, &needed));
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorA(read.data(), SDDL_REVISION_1,
                                                                     DACL_SECURITY_INFORMATION, &text, nullptr));
    win::UniqueLocal owned(text);
    for (const char* everyone : {";;;WD)", ";;;BU)", ";;;AU)"}) EXPECT_EQ(std::string::npos, std::string(text).find(everyone)) << text;

    for (const std::string& journal : planted) DeleteFileA(journal.c_str());
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)",
                                                                     SDDL_REVISION_1, &descriptor, nullptr));
    open.reset(descriptor);
    EXPECT_TRUE(SetFileSecurityA(runFolder.c_str(), DACL_SECURITY_INFORMATION, descriptor));
    EXPECT_TRUE(win::DeleteTree(fresh));
}

// A file of the install folder that another program holds open: the run fails and leaves no
// second name of it, no staging folder and no journal behind.
TEST_F(Rollback, HeldOpenDestinationLeavesNothingBehind) {
    product::Product notes = Make(testenv::UniqueName("V"), "Notes", testenv::UniqueName("s") + ".dll");
    product::UseMachineFolders(&notes, &cleanup_);
    ASSERT_TRUE(CreateFolderPath(notes.install));
    const std::string held = notes.install + "\\Notes.exe";
    ASSERT_TRUE(testenv::WriteFile(held, "the user's own program"));
    const snapshot::Machine before = Snapshot(notes);
    {
        win::UniqueFile holder(CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder.valid());
        EXPECT_EQ(32, product::InstallQuietly(notes, {}).exitCode);
    }
    EXPECT_EQ(Lines(), snapshot::Differences(before, Snapshot(notes)));
    EXPECT_EQ(Lines(), Journals());
    WIN32_FIND_DATAA entry;
    EXPECT_FALSE(win::UniqueFind(FindFirstFileA((notes.install + "\\~sr*").c_str(), &entry)).valid());
}

}  // namespace
