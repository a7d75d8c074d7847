// Reference counts of shared files in the real registry of the test prefix. Each test uses
// value names (paths) of its own, since every test shares the one key.
#include <gtest/gtest.h>

#include "engine/SharedCount.h"
#include "log/InstallLog.h"
#include "support/SharedDlls.h"
#include "support/TestEnv.h"
#include "win/Files.h"

namespace {

class SharedCountTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sharedkey::Create());
        folder_ = testenv::FreshFolder();
        file_ = folder_ + "\\" + testenv::UniqueName("lib") + ".dll";
        log_ = folder_ + "\\install.log";
        SetLogFile(log_, 1);
    }
    void TearDown() override {
        sharedkey::Remove(file_);
        SetLogFile("", 0);
    }

    std::string folder_;
    std::string file_;
    std::string log_;
};

TEST_F(SharedCountTest, EnsureWritesOneOnlyForAnExistingUncountedFile) {
    EnsureSharedCount(file_);
    EXPECT_EQ(-999, sharedkey::Count(file_)) << "a missing file gets no count";

    ASSERT_TRUE(testenv::WriteFile(file_, "x"));
    EnsureSharedCount(file_);
    EXPECT_EQ(1, sharedkey::Count(file_));

    ASSERT_TRUE(sharedkey::SetCount(file_, 5));
    EnsureSharedCount(file_);
    EXPECT_EQ(5, sharedkey::Count(file_));
    EXPECT_EQ("", testenv::ReadFile(log_));
}

TEST_F(SharedCountTest, MalformedValuesCountAsMissing) {
    ASSERT_TRUE(testenv::WriteFile(file_, "x"));
    long count = 77;

    ASSERT_TRUE(sharedkey::SetRaw(file_, REG_SZ, "3", 2));
    EXPECT_FALSE(ReadSharedCount(file_, &count));
    EXPECT_EQ(77, count);
    EnsureSharedCount(file_);
    EXPECT_EQ(1, sharedkey::Count(file_));

    const char eight[8] = {2, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(sharedkey::SetRaw(file_, REG_DWORD, eight, 8));
    EXPECT_FALSE(ReadSharedCount(file_, &count));
    ModifySharedCount(file_, 1, false, false);
    EXPECT_EQ(1, sharedkey::Count(file_)) << "modify starts from 0";

    ASSERT_TRUE(sharedkey::SetRaw(file_, REG_BINARY, eight, 4));
    EXPECT_FALSE(ReadSharedCount(file_, &count));
    ASSERT_TRUE(sharedkey::SetCount(file_, 4));
    ASSERT_TRUE(ReadSharedCount(file_, &count));
    EXPECT_EQ(4, count);
}

TEST_F(SharedCountTest, ModifyAddsAndLogsTheDelta) {
    ASSERT_TRUE(sharedkey::SetCount(file_, 2));
    ModifySharedCount(file_, 1, false, true);
    EXPECT_EQ(3, sharedkey::Count(file_));
    ModifySharedCount(file_, 1, false, false);
    EXPECT_EQ(4, sharedkey::Count(file_));
    EXPECT_EQ("ModifyShared: " + file_ + "|1\r\n", testenv::ReadFile(log_));

    ModifySharedCount(file_, -1, false, true);
    EXPECT_EQ(3, sharedkey::Count(file_));
    EXPECT_EQ("ModifyShared: " + file_ + "|1\r\nModifyShared: " + file_ + "|-1\r\n", testenv::ReadFile(log_));
}

TEST_F(SharedCountTest, ModifyStopsAtZeroOrRemoves) {
    ASSERT_TRUE(sharedkey::SetCount(file_, 1));
    ModifySharedCount(file_, -1, false, false);
    EXPECT_EQ(0, sharedkey::Count(file_));

    ASSERT_TRUE(sharedkey::SetCount(file_, 1));
    ModifySharedCount(file_, -1, true, true);
    DWORD type = 0;
    std::string bytes;
    EXPECT_FALSE(sharedkey::Get(file_, &type, &bytes));
    EXPECT_EQ("", testenv::ReadFile(log_)) << "a removal writes no record";

    ModifySharedCount(file_, -1, false, false);
    EXPECT_EQ(0, sharedkey::Count(file_)) << "a missing value is written as 0";

    ASSERT_TRUE(sharedkey::SetCount(file_, -5));
    ModifySharedCount(file_, 2, false, false);
    EXPECT_EQ(0, sharedkey::Count(file_));
    ASSERT_TRUE(sharedkey::SetCount(file_, -5));
    ModifySharedCount(file_, 6, false, false);
    EXPECT_EQ(1, sharedkey::Count(file_));
}

TEST_F(SharedCountTest, ModifyDoesNotWrapAtTheLargestCount) {
    ASSERT_TRUE(sharedkey::SetCount(file_, 0x7fffffff));
    ModifySharedCount(file_, 1, false, false);
    EXPECT_EQ(0x7fffffff, sharedkey::Count(file_));
}

TEST_F(SharedCountTest, ShortAndLongFormsAreTwoValues) {
    ASSERT_TRUE(testenv::WriteFile(file_, "x"));
    char buffer[MAX_PATH];
    DWORD n = GetShortPathNameA(file_.c_str(), buffer, MAX_PATH);
    ASSERT_TRUE(n > 0 && n < MAX_PATH);
    std::string shortForm(buffer, n);
    ASSERT_NE(shortForm, file_);

    ASSERT_TRUE(sharedkey::SetCount(file_, 3));
    EnsureSharedCount(shortForm);
    ModifySharedCount(shortForm, 1, false, false);
    EXPECT_EQ(2, sharedkey::Count(shortForm));
    EXPECT_EQ(3, sharedkey::Count(file_));
    sharedkey::Remove(shortForm);
}

TEST_F(SharedCountTest, WithoutTheKeyNothingIsCountedOrCreated) {
    ASSERT_TRUE(testenv::WriteFile(file_, "x"));
    {
        sharedkey::KeyAbsent absent;
        EnsureSharedCount(file_);
        ModifySharedCount(file_, 1, false, true);
        long count = 0;
        EXPECT_FALSE(ReadSharedCount(file_, &count));
        win::UniqueKey key;
        EXPECT_FALSE(win::OpenKey(HKEY_LOCAL_MACHINE, sharedkey::kPath, KEY_READ, &key));
    }
    EXPECT_EQ("", testenv::ReadFile(log_));
}

}  // namespace
