// The uninstaller as the user meets it: products installed through the engine, then the
// uninstall command run as Windows runs it, its message read and answered, and what is left on
// the machine compared with what must be left.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/UninstallEntry.h"
#include "support/Installed.h"
#include "support/Package.h"
#include "support/PendingRenames.h"
#include "support/SharedDlls.h"
#include "support/Snapshot.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "support/Product.h"
#include "uninstall/Uninstaller.h"
#include "win/Files.h"
#include "win/Registry.h"

namespace {

using Lines = std::vector<std::string>;

const char kUndoFailed[] =
    "An error occurred while removing the program. Uninstall has stopped before it was complete.";
const char kLogUnreadable[] = "The installation log could not be opened, so the program cannot be removed.";
const char kLanguageMissing[] = "Couldn't find the language DLL. Uninstall failed.";

std::string Library() { return testenv::BinFolder() + "ResENU.DLL"; }

using UninstallScenario = product::ProductTest;

TEST_F(UninstallScenario, EverythingInstalledGoes) {
    const product::Product notes = Make(testenv::UniqueName("Vendor"), "Notes", testenv::UniqueName("shared") + ".dll");
    ASSERT_TRUE(product::Install(notes, {}));
    ASSERT_EQ(15u, product::Remains(notes).size()) << testing::PrintToString(product::Remains(notes));
    EXPECT_EQ("Application: " + notes.displayName, installed::LogLines(notes.installLog).at(0));

    // A read-only log is deleted all the same.
    ASSERT_TRUE(SetFileAttributesA(notes.installLog.c_str(), FILE_ATTRIBUTE_READONLY));
    product::ExpectDone(product::Uninstall(notes), notes.displayName);

    EXPECT_EQ(Lines{}, product::Remains(notes));
    // The outermost folder the installation made goes too, once the log in it is gone.
    EXPECT_FALSE(win::FileExists(root_ + "\\Program Files"));
}

TEST_F(UninstallScenario, SharedFileOutlivesFirstProduct) {
    const std::string company = testenv::UniqueName("Vendor");
    const std::string shared = testenv::UniqueName("shared") + ".dll";
    const product::Product notes = Make(company, "Notes", shared);
    const product::Product sketch = Make(company, "Sketch", shared);
    ASSERT_TRUE(product::Install(notes, {}));
    ASSERT_TRUE(product::Install(sketch, {}));
    ASSERT_EQ(2, sharedkey::Count(notes.systemFile));

    // A file in use stays until the next restart, and its folders with it; the uninstall goes
    // on and completes.
    const std::string readme = notes.install + "\\docs\\Readme.txt";
    {
        win::UniqueFile held(CreateFileA(readme.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        product::ExpectDone(product::Uninstall(notes), notes.displayName);
    }
    installfile::RenamePair pending;
    EXPECT_TRUE(installfile::FindPendingRename(readme, &pending));
    for (const std::string& path : {readme, notes.install + "\\docs", notes.install,
                                    root_ + "\\Program Files\\" + company, root_ + "\\Program Files"})
        installfile::RemovePendingRenames(path);
    const std::string programsCompany = installed::ProgramsFolder() + "\\" + company;
    EXPECT_EQ((Lines{"file " + notes.systemFile, "folder " + root_ + "\\Program Files\\" + company,
                     "folder " + notes.install, "folder " + notes.install + "\\docs", "file " + readme,
                     "folder " + programsCompany, "count 1", "registration"}),
              product::Remains(notes));

    product::ExpectDone(product::Uninstall(sketch), sketch.displayName);
    // The last owner takes the shared file, its count and its registration. The folders the
    // first product made stay: no log that is left created them.
    EXPECT_EQ((Lines{"folder " + root_ + "\\Program Files\\" + company, "folder " + programsCompany}),
              product::Remains(sketch));
    EXPECT_EQ(-999, sharedkey::Count(notes.systemFile));
}

TEST_F(UninstallScenario, DashLFolderAndRenamedEntry) {
    // Short names: the whole command must fit in the 259 characters it is compared within.
    const product::Product notes = Make("Tools -lite", "Notes", testenv::UniqueName("shared") + ".dll");
    ASSERT_NE(std::string::npos, notes.install.find(" -l"));
    ASSERT_TRUE(product::Install(notes, {}));

    // Renamed by hand: the same command under another name and display name.
    std::string program;
    std::string arguments;
    ASSERT_TRUE(product::RegisteredCommand(notes, &program, &arguments));
    const std::string renamed = std::string(kUninstallListKey) + "\\" + testenv::UniqueName("Renamed");
    cleanup_.trees.emplace_back(HKEY_LOCAL_MACHINE, renamed);
    {
        win::UniqueKey entry;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, renamed.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, entry.put(), nullptr));
        ASSERT_TRUE(win::WriteString(entry.get(), "DisplayName", "Notes, renamed"));
        ASSERT_TRUE(win::WriteString(entry.get(), "UninstallString", program + " " + arguments));
    }
    ASSERT_TRUE(testenv::DeleteRegistryTree(HKEY_LOCAL_MACHINE,
                                            std::string(kUninstallListKey) + "\\" + notes.displayName));

    product::ExpectDone(ui::RunExpectingOneMessage(program, arguments, ""), "Notes, renamed");

    EXPECT_EQ(Lines{}, product::Remains(notes));
    win::UniqueKey gone;
    EXPECT_FALSE(win::OpenKey(HKEY_LOCAL_MACHINE, renamed, KEY_READ, &gone));
}

// A folder of the installation, or the install folder itself, replaced by a link to another
// folder holding files of the same names (and a copy of the log): that folder is not touched.
TEST_F(UninstallScenario, LinksInPlaceOfInstalledFoldersAreNotFollowed) {
    for (const char* replaced : {"\\docs", ""}) {
        SCOPED_TRACE(replaced);
        const product::Product notes =
            Make(testenv::UniqueName(*replaced ? "D" : "W"), "Notes", testenv::UniqueName(*replaced ? "d" : "w") + ".dll");
        ASSERT_TRUE(product::Install(notes, {}));
        const std::string folder = notes.install + replaced, other = folder + "-other";
        ASSERT_TRUE(MoveFileA(folder.c_str(), other.c_str()));
        ASSERT_TRUE(testenv::LinkFolder(folder, other));
        snapshot::Places places;
        places.folders = {other};
        const snapshot::Machine before = snapshot::Take(places);
        EXPECT_EQ(1603, product::UninstallQuietly(notes).exitCode);
        EXPECT_EQ(Lines{}, snapshot::Differences(before, snapshot::Take(places)));
    }
}

// Two products share a library. The first one's uninstall stops at its last record, where one
// killed there stops: run again, it takes the library's count once, not twice. The second
// one's meets a read-only file, which goes, and a file in use, which goes at the next restart.
TEST_F(UninstallScenario, AnUninstallRunTwiceOrHeldUpLeavesNothingWrong) {
    const std::string company = testenv::UniqueName("V"), shared = testenv::UniqueName("s") + ".dll";
    product::Product notes = Make(company, "Notes", shared), sketch = Make(company, "Sketch", shared);
    product::UseMachineFolders(&notes, &cleanup_);
    product::UseMachineFolders(&sketch, &cleanup_);
    ASSERT_EQ(0, product::InstallQuietly(notes, {}).exitCode);
    ASSERT_EQ(0, product::InstallQuietly(sketch, {}).exitCode);
    const std::string entry = std::string(kUninstallListKey) + "\\" + notes.displayName;
    {
        win::UniqueKey held;  // a key with a subkey cannot be deleted
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, (entry + "\\held").c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, held.put(), nullptr));
    }
    EXPECT_EQ(1603, product::UninstallQuietly(notes).exitCode);
    ASSERT_TRUE(testenv::DeleteRegistryTree(HKEY_LOCAL_MACHINE, entry + "\\held"));
    EXPECT_EQ(0, product::UninstallQuietly(notes).exitCode);
    EXPECT_EQ((Lines{"file " + notes.systemFile, "folder " + root_ + "\\Program Files\\" + company,
                     "folder " + installed::ProgramsFolder() + "\\" + company, "count 1", "registration"}),
              product::Remains(notes));

    const std::string readme = sketch.install + "\\docs\\Readme.txt", program = sketch.install + "\\Sketch.exe";
    ASSERT_TRUE(SetFileAttributesA(readme.c_str(), FILE_ATTRIBUTE_READONLY));
    {
        win::UniqueFile inUse(CreateFileA(program.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(inUse.valid());
        EXPECT_EQ(3010, product::UninstallQuietly(sketch).exitCode);
    }
    EXPECT_FALSE(win::FileExists(readme));
    installfile::RenamePair pending;
    for (const std::string& path : {program, sketch.install}) {
        EXPECT_TRUE(installfile::FindPendingRename(path, &pending)) << path;
        installfile::RemovePendingRenames(path);
    }
    EXPECT_TRUE(DeleteFileA(program.c_str()) && RemoveDirectoryA(sketch.install.c_str()));
    EXPECT_EQ((Lines{"folder " + root_ + "\\Program Files\\" + company,
                     "folder " + installed::ProgramsFolder() + "\\" + company}),
              product::Remains(sketch));
}

// Requests the uninstaller refuses, cannot finish or finds nothing in, each with what it must
// show and leave.
struct RefusedCase {
    const char* name;
    std::string arguments;
    std::string caption;  // of the one message box
    std::string text;     // empty: no message box at all
    int exitCode;
    Lines kept;  // paths that must still be there afterwards
    Lines gone;  // paths that must be gone
};

TEST_F(UninstallScenario, EachRequestEndsWithItsMessage) {
    const std::string& root = root_;
    testenv::Package package(root + "\\package");  // holds no install script
    ASSERT_TRUE(CreateDirectoryA(package.Folder().c_str(), nullptr));
    ASSERT_TRUE(package.AddSetup());

    // A log whose records each make a folder of their own, so what was undone can be seen.
    auto makeLog = [&](const std::string& path, const Lines& records) {
        std::string bytes;
        for (const std::string& record : records) {
            if (record.compare(0, 14, "CreateFolder: ") == 0) CreateDirectoryA(record.substr(14).c_str(), nullptr);
            bytes += record + "\r\n";
        }
        EXPECT_TRUE(testenv::WriteFile(path, bytes));
        return path;
    };
    auto folder = [&](const std::string& name) { return root + "\\" + name; };
    const std::string bad = makeLog(folder("bad.log"), {"CreateFolder: " + folder("before"), "Bogus: record",
                                                        "CreateFolder: " + folder("after")});
    const std::string badBytes = testenv::ReadFile(bad);
    const std::string quietBad = makeLog(folder("quietbad.log"), {"CreateFolder: " + folder("quietBefore"),
                                                                  "ModifyShared: no bar",
                                                                  "CreateFolder: " + folder("quietAfter")});
    const std::string good = makeLog(folder("good.log"), {"CreateFolder: " + folder("quiet")});
    const std::string empty = makeLog(folder("empty.log"), {});
    const std::string breaks = folder("breaks.log");
    ASSERT_TRUE(testenv::WriteFile(breaks, "\r\n\n\r\r\n"));
    const std::string other = makeLog(folder("other.log"), {"CreateFolder: " + folder("untouched")});
    // A log path one character too long for its field, and the file its cut text would name.
    const std::string longLog = root + "\\" + std::string(kUninstallLogPathLimit - root.size() - 5, 'x') + ".log";
    ASSERT_EQ(kUninstallLogPathLimit, longLog.size());
    const std::string cutLog =
        makeLog(longLog.substr(0, kUninstallLogPathLimit - 1), {"CreateFolder: " + folder("cut")});
    makeLog(longLog, {"CreateFolder: " + folder("cut")});

    const std::string lib = " -l" + Library();
    const RefusedCase cases[] = {
        {"unknown record", "-u" + bad + lib, "Uninstall", kUndoFailed, 0, {bad, folder("before")}, {folder("after")}},
        {"missing log", "-u" + folder("missing.log") + lib, "Uninstall", kLogUnreadable, 0, {}, {}},
        {"log path too long", "-u" + longLog + lib, "Uninstall", kLogUnreadable, 0, {longLog, cutLog, folder("cut")},
         {}},
        {"missing library", "-u" + other + " -l" + folder("none.dll"), "", kLanguageMissing, 0,
         {other, folder("untouched")}, {}},
        {"no -l: an installation", "-u" + other, "",
         "Couldn't load the install script (error code 0x80660002). The installation will terminate.", 1,
         {other, folder("untouched")}, {}},
        {"quiet failure", "/S -u" + quietBad + lib, "", "", 1603, {quietBad, folder("quietBefore")},
         {folder("quietAfter")}},
        {"quiet success", "/S -u" + good + lib, "", "", 0, {}, {good, folder("quiet")}},
        {"empty log", "-u" + empty + lib, "", "", 0, {empty}, {}},
        // No Application record: no entry was removed, so the box has no caption.
        {"line breaks only", "-u" + breaks + lib, "", testenv::LibraryString(25), 0, {}, {breaks}},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.name);
        ui::SetupProcess process;
        ASSERT_TRUE(process.Start(package.SetupPath(), c.arguments, package.Folder()));
        ui::MessageBoxInfo box;
        const bool sawBox = process.WaitForMessageBox(&box);
        EXPECT_EQ(!c.text.empty(), sawBox) << box.text;
        if (sawBox) {
            EXPECT_EQ(c.caption, box.caption);
            EXPECT_EQ(c.text, box.text);
            ui::SetupProcess::PressText(box.window, "OK");
        }
        EXPECT_EQ(c.exitCode, process.WaitForExit());
        for (const std::string& path : c.kept) EXPECT_TRUE(win::FileExists(path)) << path;
        for (const std::string& path : c.gone) EXPECT_FALSE(win::FileExists(path)) << path;
    }
    EXPECT_EQ(badBytes, testenv::ReadFile(bad));
}

}  // namespace
