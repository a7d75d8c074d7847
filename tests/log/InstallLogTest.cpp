// The install log writer against real files: every record lands with CR LF at once, long
// records are cut, folders are logged outermost first, and appends keep what was there.
#include <gtest/gtest.h>

#include <string>

#include "base/RunResult.h"
#include "log/LogWriter.h"
#include "support/TestEnv.h"
#include "win/Files.h"
#include "win/UniqueHandle.h"

namespace {

class InstallLogTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = testenv::FreshFolder();
        log_ = folder_ + "\\install.log";
    }
    LogWriter writer_;
    std::string folder_;
    std::string log_;
};

TEST_F(InstallLogTest, RecordsAppendInOrderWithCrLf) {
    ASSERT_TRUE(testenv::WriteFile(log_, "old content"));
    writer_.Open(log_, LogWriter::Start::kEmpty);
    EXPECT_EQ("", testenv::ReadFile(log_));
    EXPECT_TRUE(win::FileExists(log_));

    writer_.Record(kRecordCopyFile, "C:\\a\\b.dll");
    writer_.Record(kRecordModifyShared, "C:\\a\\b.dll", 1);
    EXPECT_EQ("CopyFile: C:\\a\\b.dll\r\nModifyShared: C:\\a\\b.dll|1\r\n", testenv::ReadFile(log_));
}

TEST_F(InstallLogTest, WithoutTruncateKeepsContentAndMissingFileIsCreated) {
    ASSERT_TRUE(testenv::WriteFile(log_, "Application: X\r\n"));
    writer_.Open(log_, LogWriter::Start::kAppend);
    writer_.Record(kRecordRegister, "C:\\r.dll");
    EXPECT_EQ("Application: X\r\nRegister: C:\\r.dll\r\n", testenv::ReadFile(log_));

    std::string other = folder_ + "\\other.log";
    writer_.Open(other, LogWriter::Start::kAppend);
    writer_.Record(kRecordCreateShortcut, "C:\\s.lnk");
    EXPECT_EQ("CreateShortcut: C:\\s.lnk\r\n", testenv::ReadFile(other));
    EXPECT_EQ(other, writer_.Path());
}

TEST_F(InstallLogTest, LongRecordIsCutAt510Characters) {
    writer_.Open(log_, LogWriter::Start::kEmpty);
    std::string payload(600, 'x');
    writer_.Record(kRecordApplication, payload.c_str());
    std::string expected = std::string("Application: ") + payload;
    expected.resize(510);
    EXPECT_EQ(expected + "\r\n", testenv::ReadFile(log_));

    writer_.Open(log_, LogWriter::Start::kEmpty);
    std::string exact(510 - 13, 'y');  // "Application: " is 13 characters
    writer_.Record(kRecordApplication, exact.c_str());
    EXPECT_EQ("Application: " + exact + "\r\n", testenv::ReadFile(log_));
}

TEST_F(InstallLogTest, ARecordThatCannotBeWrittenMarksTheLogNotWhole) {
    writer_.Open(log_, LogWriter::Start::kEmpty);
    writer_.Record(kRecordCopyFile, "kept");
    EXPECT_FALSE(writer_.WriteFailed());
    // Nobody else may write the log while it is the current one.
    win::UniqueFile writer(CreateFileA(log_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(writer.valid());
    EXPECT_EQ("CopyFile: kept\r\n", testenv::ReadFile(log_));

    EXPECT_FALSE(writer_.Open(folder_ + "\\missing\\install.log", LogWriter::Start::kAppend));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, Outcome().failure.error);
    writer_.Record(kRecordCopyFile, "nowhere");
    EXPECT_TRUE(writer_.WriteFailed());
    EXPECT_FALSE(win::FileExists(folder_ + "\\missing"));
    writer_.Open(log_, LogWriter::Start::kAppend);
    EXPECT_FALSE(writer_.WriteFailed());
}

TEST_F(InstallLogTest, ALogPathThatDoesNotFitIsRefusedNotCut) {
    const std::string path = folder_ + "\\" + std::string(300 - folder_.size(), 'p');
    EXPECT_FALSE(writer_.Open(path, LogWriter::Start::kAppend));
    writer_.Record(kRecordCopyFile, "nowhere");
    EXPECT_TRUE(writer_.WriteFailed());
    EXPECT_FALSE(win::FileExists(path.substr(0, 259)));
}

TEST_F(InstallLogTest, NewFoldersAreLoggedOutermostFirst) {
    writer_.Open(log_, LogWriter::Start::kEmpty);
    writer_.NewFolders("D:\\Apps\\Tools\\Demo", 2);
    EXPECT_EQ("CreateFolder: D:\\Apps\\Tools\r\nCreateFolder: D:\\Apps\\Tools\\Demo\r\n", testenv::ReadFile(log_));

    writer_.Open(log_, LogWriter::Start::kEmpty);
    writer_.NewFolders("D:\\Apps\\Tools\\Demo", 0);
    writer_.NewFolders("D:\\Apps\\Tools\\Demo", -1);
    EXPECT_EQ("", testenv::ReadFile(log_));

    writer_.Open(log_, LogWriter::Start::kEmpty);
    writer_.NewFolders("D:\\Apps\\Tools\\Demo", 1);
    EXPECT_EQ("CreateFolder: D:\\Apps\\Tools\\Demo\r\n", testenv::ReadFile(log_));
}

TEST_F(InstallLogTest, NewFoldersStopAtTheStartOfThePath) {
    writer_.Open(log_, LogWriter::Start::kEmpty);
    writer_.NewFolders("D:\\Apps\\Tools", 5);
    EXPECT_EQ("CreateFolder: D:\\Apps\r\nCreateFolder: D:\\Apps\\Tools\r\n", testenv::ReadFile(log_));

    writer_.Open(log_, LogWriter::Start::kEmpty);
    writer_.NewFolders("Apps", 1);
    EXPECT_EQ("CreateFolder: Apps\r\n", testenv::ReadFile(log_));
}

TEST_F(InstallLogTest, NewFoldersOfAFullLengthPathStayWhole) {
    // 259 characters is the longest path; adding the walk's own backslash must not cut it.
    std::string path = "C:\\" + std::string(120, 'a') + "\\" + std::string(135, 'b');
    ASSERT_EQ(259u, path.size());
    writer_.Open(log_, LogWriter::Start::kEmpty);
    writer_.NewFolders(path, 2);
    EXPECT_EQ("CreateFolder: C:\\" + std::string(120, 'a') + "\r\nCreateFolder: " + path + "\r\n",
              testenv::ReadFile(log_));
}

TEST_F(InstallLogTest, AppendCreatesTheTargetAndAppends) {
    std::string temp = folder_ + "\\temp.log";
    ASSERT_TRUE(testenv::WriteFile(temp, ""));
    EXPECT_EQ(1, AppendLogFile(temp, log_));
    EXPECT_TRUE(win::FileExists(log_));
    EXPECT_EQ("", testenv::ReadFile(log_));

    ASSERT_TRUE(testenv::WriteFile(log_, "Application: A\r\n"));
    // Larger than one 2048-byte chunk and not a multiple of it.
    std::string records;
    for (int i = 0; records.size() < 5000; ++i) records += "CopyFile: C:\\f" + std::to_string(i) + "\r\n";
    ASSERT_TRUE(testenv::WriteFile(temp, records));
    EXPECT_EQ(1, AppendLogFile(temp, log_));
    EXPECT_EQ("Application: A\r\n" + records, testenv::ReadFile(log_));
    EXPECT_EQ(records, testenv::ReadFile(temp));
}

TEST_F(InstallLogTest, AppendFailsWhenAFileCannotBeOpened) {
    std::string temp = folder_ + "\\temp.log";
    EXPECT_EQ(0, AppendLogFile(temp, log_));
    EXPECT_FALSE(win::FileExists(log_));

    ASSERT_TRUE(testenv::WriteFile(temp, "CopyFile: x\r\n"));
    ASSERT_TRUE(testenv::WriteFile(log_, "before"));
    {
        win::UniqueFile holder(CreateFileA(log_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder.valid());
        EXPECT_EQ(0, AppendLogFile(temp, log_));
    }
    EXPECT_EQ("before", testenv::ReadFile(log_));
}

}  // namespace
