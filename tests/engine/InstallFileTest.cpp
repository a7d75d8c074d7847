// File replacement with real files, real time stamps and real shared counts: the four rules,
// the question, read-only files, the log records and the replacement at restart.
#include <gtest/gtest.h>

#include <memory>

#include "engine/InstallFile.h"
#include "log/InstallLog.h"
#include "support/InstallRun.h"
#include "support/PendingRenames.h"
#include "support/SharedDlls.h"
#include "support/TestEnv.h"
#include "transaction/RenameSection.h"
#include "win/Files.h"
#include "win/UniqueHandle.h"

namespace {

struct Asked {
    int calls = 0;
    std::string destination;
    bool answer = false;
};
Asked g_asked;

bool Ask(const char* destination) {
    ++g_asked.calls;
    g_asked.destination = destination;
    return g_asked.answer;
}

// Holds a file open the way a running program holds its libraries: others may read it, but
// not overwrite or delete it.
win::UniqueFile HoldInUse(const std::string& path) {
    return win::UniqueFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}

class InstallFileTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sharedkey::Create());
        folder_ = testenv::FreshFolder();
        source_ = folder_ + "\\00000007";
        destination_ = folder_ + "\\target.dll";
        log_ = folder_ + "\\install.log";
        ASSERT_TRUE(testenv::WriteFile(source_, "new"));
        run_.reset(new InstallRun(folder_, log_));
        g_asked = Asked();
    }
    void TearDown() override {
        run_.reset();
        sharedkey::Remove(destination_);
    }
    // InstallFile in this test's run, asking Ask.
    bool Install(const std::string& source, const std::string& destination, int mode, AskReplaceFn ask, Count count,
                 Logging logging) {
        run_->context.ask = ask;
        return InstallFile(run_->context, source, destination, mode, count, logging);
    }

    std::unique_ptr<InstallRun> run_;

    // Puts "old" at the destination, `sourceDaysNewer` days older than the source.
    void PlaceDestination(int sourceDaysNewer) {
        ASSERT_TRUE(testenv::WriteFile(destination_, "old"));
        ASSERT_TRUE(testenv::SetFileAge(source_, 10));
        ASSERT_TRUE(testenv::SetFileAge(destination_, 10 + sourceDaysNewer));
    }
    // Puts "old" at the destination with exactly the source's time.
    void PlaceDestinationSameTime() {
        WIN32_FIND_DATAA entry;
        ASSERT_TRUE(win::FindEntry(source_, &entry));
        ASSERT_TRUE(testenv::WriteFile(destination_, "old"));
        win::UniqueFile file(
            CreateFileA(destination_.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &entry.ftLastWriteTime));
    }
    std::string Content() { return testenv::ReadFile(destination_); }
    std::string Log() { return testenv::ReadFile(log_); }

    std::string folder_, source_, destination_, log_;
};

TEST_F(InstallFileTest, ReplaceNoneNeverCopies) {
    EXPECT_NE(0, Install(source_, destination_, kReplaceNone, Ask, Count::kNone, Logging::kRecord));
    EXPECT_FALSE(win::FileExists(destination_));
    PlaceDestination(5);
    EXPECT_NE(0, Install(source_, destination_, kReplaceNone, Ask, Count::kNone, Logging::kRecord));
    EXPECT_EQ("old", Content());
    EXPECT_EQ("", Log());
}

TEST_F(InstallFileTest, ReplaceNoneOnSharedUncountedFileOnlyCountsIt) {
    PlaceDestination(5);
    EXPECT_NE(0, Install(source_, destination_, kReplaceNone, Ask, Count::kShared, Logging::kRecord));
    EXPECT_EQ(1, sharedkey::Count(destination_));
    EXPECT_EQ("old", Content());
    EXPECT_EQ("", Log());
}

TEST_F(InstallFileTest, ReplaceAlwaysPutsAnOlderFileOverANewerOne) {
    PlaceDestination(-5);
    EXPECT_NE(0, Install(source_, destination_, kReplaceAlways, Ask, Count::kNone, Logging::kRecord));
    EXPECT_EQ("new", Content());
    EXPECT_EQ(0, g_asked.calls);
    EXPECT_EQ("CopyFile: " + destination_ + "\r\n", Log());
}

TEST_F(InstallFileTest, ReplaceOlderCopiesOnlyANewerSourceOrToAMissingDestination) {
    EXPECT_NE(0, Install(source_, destination_, kReplaceOlder, Ask, Count::kNone, Logging::kSilent));
    EXPECT_EQ("new", Content());

    PlaceDestination(-5);
    EXPECT_NE(0, Install(source_, destination_, kReplaceOlder, Ask, Count::kNone, Logging::kRecord));
    EXPECT_EQ("old", Content()) << "older source keeps the newer file";

    PlaceDestinationSameTime();
    EXPECT_NE(0, Install(source_, destination_, kReplaceOlder, Ask, Count::kNone, Logging::kRecord));
    EXPECT_EQ("old", Content()) << "equal times keep the file";
    EXPECT_EQ("", Log());

    PlaceDestination(5);
    EXPECT_NE(0, Install(source_, destination_, kReplaceOlder, Ask, Count::kNone, Logging::kRecord));
    EXPECT_EQ("new", Content());
    EXPECT_EQ("CopyFile: " + destination_ + "\r\n", Log());
    EXPECT_EQ(0, g_asked.calls);
}

TEST_F(InstallFileTest, ReplaceOlderAskAsksOnlyForAnOlderSource) {
    PlaceDestination(-5);
    g_asked.answer = false;
    EXPECT_NE(0, Install(source_, destination_, kReplaceOlderAsk, Ask, Count::kNone, Logging::kRecord));
    EXPECT_EQ(1, g_asked.calls);
    EXPECT_EQ(destination_, g_asked.destination);
    EXPECT_EQ("old", Content());
    EXPECT_EQ("", Log());

    g_asked.answer = true;
    EXPECT_NE(0, Install(source_, destination_, kReplaceOlderAsk, Ask, Count::kNone, Logging::kRecord));
    EXPECT_EQ(2, g_asked.calls);
    EXPECT_EQ("new", Content());
    EXPECT_EQ("CopyFile: " + destination_ + "\r\n", Log());

    PlaceDestination(5);
    EXPECT_NE(0, Install(source_, destination_, kReplaceOlderAsk, Ask, Count::kNone, Logging::kSilent));
    EXPECT_EQ(2, g_asked.calls) << "a newer source is copied without a question";
    EXPECT_EQ("new", Content());

    PlaceDestinationSameTime();
    EXPECT_NE(0, Install(source_, destination_, kReplaceOlderAsk, Ask, Count::kNone, Logging::kSilent));
    EXPECT_EQ(2, g_asked.calls) << "equal times are no question";
    EXPECT_EQ("old", Content());

    PlaceDestination(-5);
    EXPECT_NE(0, Install(source_, destination_, kReplaceOlderAsk, nullptr, Count::kNone, Logging::kSilent));
    EXPECT_EQ("old", Content()) << "without a question the newer file stays";
}

TEST_F(InstallFileTest, UnknownRuleFailsAndChangesNothing) {
    for (int mode : {4, -1, 100}) {
        EXPECT_EQ(0, Install(source_, destination_, mode, Ask, Count::kNone, Logging::kRecord)) << mode;
        EXPECT_FALSE(win::FileExists(destination_));
    }
    EXPECT_EQ("", Log());
}

TEST_F(InstallFileTest, ReadOnlyFilesAreReplacedAndCopiesLeftWritable) {
    for (int mode : {kReplaceOlder, kReplaceAlways, kReplaceOlderAsk}) {
        PlaceDestination(5);
        ASSERT_TRUE(SetFileAttributesA(destination_.c_str(), FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(SetFileAttributesA(source_.c_str(), FILE_ATTRIBUTE_READONLY));
        EXPECT_NE(0, Install(source_, destination_, mode, Ask, Count::kNone, Logging::kSilent)) << mode;
        EXPECT_EQ("new", Content()) << mode;
        EXPECT_EQ(0u, GetFileAttributesA(destination_.c_str()) & FILE_ATTRIBUTE_READONLY) << mode;
        SetFileAttributesA(source_.c_str(), FILE_ATTRIBUTE_NORMAL);
        SetFileAttributesA(destination_.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(InstallFileTest, ReadOnlyFileInUseStaysReadOnlyWhenTheCopyFails) {
    PlaceDestination(5);
    ASSERT_TRUE(SetFileAttributesA(destination_.c_str(), FILE_ATTRIBUTE_READONLY));
    {
        win::UniqueFile inUse = HoldInUse(destination_);
        ASSERT_TRUE(inUse.valid());
        EXPECT_EQ(0, Install(source_, destination_, kReplaceAlways, Ask, Count::kNone, Logging::kRecord));
    }
    EXPECT_EQ("old", Content());
    EXPECT_NE(0u, GetFileAttributesA(destination_.c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(destination_.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(InstallFileTest, MissingSourceFailsInsteadOfKeepingTheFile) {
    PlaceDestination(-5);
    ASSERT_TRUE(DeleteFileA(source_.c_str()));
    EXPECT_EQ(0, Install(source_, destination_, kReplaceOlder, Ask, Count::kNone, Logging::kRecord));
    EXPECT_EQ("old", Content());
    EXPECT_EQ("", Log());
}

TEST_F(InstallFileTest, CopyFailureOfAPlainFileFailsQuietly) {
    PlaceDestination(5);
    installfile::BoxWatcher boxes;
    {
        win::UniqueFile inUse = HoldInUse(destination_);
        ASSERT_TRUE(inUse.valid());
        EXPECT_EQ(0, Install(source_, destination_, kReplaceAlways, Ask, Count::kNone, Logging::kRecord));
    }
    EXPECT_EQ("old", Content());
    EXPECT_FALSE(win::FileExists(folder_ + "\\target.new"));
    EXPECT_EQ("", Log());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(InstallFileTest, SharedFileCopiedLogsCopyThenCount) {
    EXPECT_NE(0, Install(source_, destination_, kReplaceOlder, Ask, Count::kShared, Logging::kRecord));
    EXPECT_EQ(1, sharedkey::Count(destination_));
    EXPECT_EQ("CopyFile: " + destination_ + "\r\nModifyShared: " + destination_ + "|1\r\n", Log());
}

TEST_F(InstallFileTest, SharedFileKeptIsCountedForItsOldOwnerAndForUs) {
    PlaceDestinationSameTime();
    EXPECT_NE(0, Install(source_, destination_, kReplaceOlder, Ask, Count::kShared, Logging::kRecord));
    EXPECT_EQ("old", Content());
    EXPECT_EQ(2, sharedkey::Count(destination_));
    EXPECT_EQ("ModifyShared: " + destination_ + "|1\r\n", Log());

    g_asked.answer = false;
    PlaceDestination(-5);
    EXPECT_NE(0, Install(source_, destination_, kReplaceOlderAsk, Ask, Count::kShared, Logging::kSilent));
    EXPECT_EQ(1, g_asked.calls);
    EXPECT_EQ(3, sharedkey::Count(destination_));
    EXPECT_EQ("ModifyShared: " + destination_ + "|1\r\n", Log()) << "no record without log";
}

TEST_F(InstallFileTest, SharedFileInUseIsReplacedAtRestart) {
    PlaceDestination(5);
    const std::string shortTarget = installfile::ShortForm(destination_);
    ASSERT_FALSE(shortTarget.empty());
    const std::string newCopy = shortTarget.substr(0, shortTarget.rfind('.')) + ".new";
    installfile::BoxWatcher boxes;
    {
        win::UniqueFile inUse = HoldInUse(destination_);
        ASSERT_TRUE(inUse.valid());
        EXPECT_NE(0, Install(source_, destination_, kReplaceAlways, Ask, Count::kShared, Logging::kRecord));
    }
    EXPECT_EQ("old", Content());
    EXPECT_EQ("new", testenv::ReadFile(newCopy));
    EXPECT_EQ("", Log()) << "no CopyFile and no ModifyShared record";
    EXPECT_EQ(1, sharedkey::Count(destination_)) << "only the old owner's count";
    EXPECT_TRUE(boxes.Boxes().empty());

    installfile::RenamePair pending;
    bool scheduled = installfile::FindPendingRename(newCopy, &pending);
    installfile::RemovePendingRenames(newCopy);
    ASSERT_TRUE(scheduled);
    EXPECT_TRUE(lstrcmpiA(("!" + shortTarget).c_str(), pending.second.c_str()) == 0) << pending.second;
}

TEST_F(InstallFileTest, TwoSharedFilesOfOneBaseNameGetTwoPendingCopies) {
    const std::string dll = folder_ + "\\SHARED.DLL";
    const std::string ocx = folder_ + "\\SHARED.OCX";
    const std::string ocxSource = folder_ + "\\00000008";
    ASSERT_TRUE(testenv::WriteFile(dll, "old dll"));
    ASSERT_TRUE(testenv::WriteFile(ocx, "old ocx"));
    ASSERT_TRUE(testenv::WriteFile(ocxSource, "new ocx"));
    {
        win::UniqueFile dllInUse = HoldInUse(dll);
        win::UniqueFile ocxInUse = HoldInUse(ocx);
        ASSERT_TRUE(dllInUse.valid() && ocxInUse.valid());
        EXPECT_NE(0, Install(source_, dll, kReplaceAlways, Ask, Count::kShared, Logging::kRecord));
        EXPECT_NE(0, Install(ocxSource, ocx, kReplaceAlways, Ask, Count::kShared, Logging::kRecord));
    }
    const std::string first = folder_ + "\\SHARED.new";
    const std::string second = folder_ + "\\SHARED.ne1";
    EXPECT_EQ("new", testenv::ReadFile(first));
    EXPECT_EQ("new ocx", testenv::ReadFile(second));

    installfile::RenamePair dllRename, ocxRename;
    bool dllScheduled = installfile::FindPendingRename(installfile::ShortForm(first), &dllRename);
    bool ocxScheduled = installfile::FindPendingRename(installfile::ShortForm(second), &ocxRename);
    installfile::RemovePendingRenames(installfile::ShortForm(first));
    installfile::RemovePendingRenames(installfile::ShortForm(second));
    sharedkey::Remove(dll);
    sharedkey::Remove(ocx);
    ASSERT_TRUE(dllScheduled && ocxScheduled);
    EXPECT_TRUE(lstrcmpiA(dllRename.second.c_str(), ("!" + installfile::ShortForm(dll)).c_str()) == 0);
    EXPECT_TRUE(lstrcmpiA(ocxRename.second.c_str(), ("!" + installfile::ShortForm(ocx)).c_str()) == 0);
}

TEST_F(InstallFileTest, SharedFileThatCannotBeDeferredShowsTheWarning) {
    installfile::BoxWatcher boxes;
    // No folder to copy into: the destination has no short form to schedule a rename for.
    const std::string nowhere = folder_ + "\\missing\\lib.dll";
    EXPECT_EQ(0, Install(source_, nowhere, kReplaceAlways, Ask, Count::kShared, Logging::kRecord));
    sharedkey::Remove(nowhere);

    // A source that cannot be found while the destination is in use.
    PlaceDestination(5);
    ASSERT_TRUE(DeleteFileA(source_.c_str()));
    {
        win::UniqueFile inUse = HoldInUse(destination_);
        EXPECT_EQ(0, Install(source_, destination_, kReplaceAlways, Ask, Count::kShared, Logging::kRecord));
    }
    EXPECT_FALSE(win::FileExists(folder_ + "\\target.new"));
    EXPECT_EQ("", Log());

    std::vector<installfile::SeenBox> seen = boxes.Boxes();
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ("Error", seen[0].caption);
    EXPECT_EQ("Unable to copy a system file (lib.dll).\nPlease check if you have the right permissions for this "
              "operation.",
              seen[0].text);
    EXPECT_TRUE(seen[0].warningIcon);
    EXPECT_EQ("Unable to copy a system file (target.dll).\nPlease check if you have the right permissions for this "
              "operation.",
              seen[1].text);
}

class WinInitRenameTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = testenv::FreshFolder();
        ini_ = folder_ + "\\WinInit.ini";
    }
    std::string folder_, ini_;
};

TEST_F(WinInitRenameTest, OnlyTheDelayFlagIsAccepted) {
    SetLastError(0);
    EXPECT_FALSE(WinInitRename(ini_, "C:\\A.new", "C:\\A.DLL", 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(WinInitRename(ini_, "C:\\A.new", "C:\\A.DLL", 4 | 1));
    EXPECT_FALSE(win::FileExists(ini_));
}

TEST_F(WinInitRenameTest, MissingFileIsCreatedWithTheSection) {
    EXPECT_TRUE(WinInitRename(ini_, "C:\\WIN\\A.new", "C:\\WIN\\A.DLL", 4));
    char value[MAX_PATH];
    GetPrivateProfileStringA("rename", "C:\\WIN\\A.DLL", "", value, sizeof(value), ini_.c_str());
    EXPECT_STREQ("C:\\WIN\\A.new", value);
}

TEST_F(WinInitRenameTest, ExistingFileIsEditedInPlace) {
    ASSERT_TRUE(testenv::WriteFile(ini_, "[boot]\r\nx=1\r\n[RENAME]\r\nNUL=C:\\t.tmp\r\n[last]\r\ny=2\r\n"));
    EXPECT_TRUE(WinInitRename(ini_, "C:\\WIN\\A.new", "C:\\WIN\\A.DLL", 4));
    EXPECT_EQ("[boot]\r\nx=1\r\n[RENAME]\r\nNUL=C:\\t.tmp\r\nC:\\WIN\\A.DLL=C:\\WIN\\A.new\r\n[last]\r\ny=2\r\n",
              testenv::ReadFile(ini_));

    ASSERT_TRUE(testenv::WriteFile(ini_, "[boot]\r\nx=1"));
    EXPECT_TRUE(WinInitRename(ini_, "B.new", "B.DLL", 4));
    EXPECT_EQ("[boot]\r\nx=1\r\n[rename]\r\nB.DLL=B.new\r\n", testenv::ReadFile(ini_));

    ASSERT_TRUE(testenv::WriteFile(ini_, "[rename]\r\nA=1"));
    EXPECT_TRUE(WinInitRename(ini_, "B.new", "B.DLL", 4));
    EXPECT_EQ("[rename]\r\nA=1\r\nB.DLL=B.new\r\n", testenv::ReadFile(ini_));
}

TEST_F(WinInitRenameTest, FileLockedByAnotherWriterFails) {
    ASSERT_TRUE(testenv::WriteFile(ini_, "[rename]\r\n"));
    win::UniqueFile other(CreateFileA(ini_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(other.valid());
    EXPECT_FALSE(WinInitRename(ini_, "B.new", "B.DLL", 4));
    other.reset();
    EXPECT_EQ("[rename]\r\n", testenv::ReadFile(ini_));
}

}  // namespace
