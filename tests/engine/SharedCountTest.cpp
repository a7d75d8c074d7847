// Reference counts of shared files in the real registry of the test prefix. Each test uses
// value names (paths) of its own, since every test shares the one key.
#include <gtest/gtest.h>

#include "engine/SharedCount.h"
#include "log/LogWriter.h"
#include "support/SharedDlls.h"
#include "support/TestEnv.h"
#include "win/Files.h"
#include "win/Registry.h"

namespace {

class SharedCountTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sharedkey::Create());
        folder_ = testenv::FreshFolder();
        file_ = folder_ + "\\" + testenv::UniqueName("lib") + ".dll";
        log_ = folder_ + "\\install.log";
        writer_.Open(log_, LogWriter::Start::kEmpty);
    }
    void TearDown() override { sharedkey::Remove(file_); }

    // The counts outside a journal, as the uninstall keeps them; `log` records each change.
    void Ensure(const std::string& path) {
        SharedList list(nullptr, nullptr);
        ASSERT_TRUE(list.Open());
        list.Ensure(path);
    }
    bool Modify(const std::string& path, long delta, AtZero atZero, bool log) {
        SharedList list(nullptr, log ? &writer_ : nullptr);
        return list.Open() && list.Modify(path, delta, atZero);
    }

    LogWriter writer_;
    std::string folder_;
    std::string file_;
    std::string log_;
};

TEST_F(SharedCountTest, EnsureWritesOneOnlyForAnExistingUncountedFile) {
    Ensure(file_);
    EXPECT_EQ(-999, sharedkey::Count(file_)) << "a missing file gets no count";

    ASSERT_TRUE(testenv::WriteFile(file_, "x"));
    Ensure(file_);
    EXPECT_EQ(1, sharedkey::Count(file_));

    ASSERT_TRUE(sharedkey::SetCount(file_, 5));
    Ensure(file_);
    EXPECT_EQ(5, sharedkey::Count(file_));
    EXPECT_EQ("", testenv::ReadFile(log_));
}

TEST_F(SharedCountTest, MalformedValuesCountAsMissing) {
    ASSERT_TRUE(testenv::WriteFile(file_, "x"));
    long count = 77;

    ASSERT_TRUE(sharedkey::SetRaw(file_, REG_SZ, "3", 2));
    EXPECT_FALSE(ReadSharedCount(file_, &count));
    EXPECT_EQ(77, count);
    Ensure(file_);
    EXPECT_EQ(1, sharedkey::Count(file_));

    const char eight[8] = {2, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(sharedkey::SetRaw(file_, REG_DWORD, eight, 8));
    EXPECT_FALSE(ReadSharedCount(file_, &count));
    Modify(file_, 1, AtZero::kKeep, false);
    EXPECT_EQ(1, sharedkey::Count(file_)) << "modify starts from 0";

    ASSERT_TRUE(sharedkey::SetRaw(file_, REG_BINARY, eight, 4));
    EXPECT_FALSE(ReadSharedCount(file_, &count));
    ASSERT_TRUE(sharedkey::SetCount(file_, 4));
    ASSERT_TRUE(ReadSharedCount(file_, &count));
    EXPECT_EQ(4, count);
}

TEST_F(SharedCountTest, ModifyAddsAndLogsTheDelta) {
    ASSERT_TRUE(sharedkey::SetCount(file_, 2));
    Modify(file_, 1, AtZero::kKeep, true);
    EXPECT_EQ(3, sharedkey::Count(file_));
    Modify(file_, 1, AtZero::kKeep, false);
    EXPECT_EQ(4, sharedkey::Count(file_));
    EXPECT_EQ("ModifyShared: " + file_ + "|1\r\n", testenv::ReadFile(log_));

    Modify(file_, -1, AtZero::kKeep, true);
    EXPECT_EQ(3, sharedkey::Count(file_));
    EXPECT_EQ("ModifyShared: " + file_ + "|1\r\nModifyShared: " + file_ + "|-1\r\n", testenv::ReadFile(log_));
}

TEST_F(SharedCountTest, ModifyStopsAtZeroOrRemoves) {
    ASSERT_TRUE(sharedkey::SetCount(file_, 1));
    Modify(file_, -1, AtZero::kKeep, false);
    EXPECT_EQ(0, sharedkey::Count(file_));

    ASSERT_TRUE(sharedkey::SetCount(file_, 1));
    Modify(file_, -1, AtZero::kRemove, true);
    DWORD type = 0;
    std::string bytes;
    EXPECT_FALSE(sharedkey::Get(file_, &type, &bytes));
    EXPECT_EQ("", testenv::ReadFile(log_)) << "a removal writes no record";

    Modify(file_, -1, AtZero::kKeep, false);
    EXPECT_EQ(0, sharedkey::Count(file_)) << "a missing value is written as 0";

    ASSERT_TRUE(sharedkey::SetCount(file_, -5));
    Modify(file_, 2, AtZero::kKeep, false);
    EXPECT_EQ(0, sharedkey::Count(file_));
    ASSERT_TRUE(sharedkey::SetCount(file_, -5));
    Modify(file_, 6, AtZero::kKeep, false);
    EXPECT_EQ(1, sharedkey::Count(file_));

    // A list that may be read but not changed: the removal and the write both fail.
    win::SetKeyAccessHook([](HKEY, const std::string&, REGSAM) -> REGSAM { return KEY_READ; });
    EXPECT_FALSE(Modify(file_, -1, AtZero::kRemove, true));
    EXPECT_FALSE(Modify(file_, 1, AtZero::kKeep, true));
    win::SetKeyAccessHook(nullptr);
    EXPECT_EQ(1, sharedkey::Count(file_));
    EXPECT_EQ("", testenv::ReadFile(log_));
}

TEST_F(SharedCountTest, ModifyDoesNotWrapAtTheLargestCount) {
    ASSERT_TRUE(sharedkey::SetCount(file_, 0x7fffffff));
    Modify(file_, 1, AtZero::kKeep, false);
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
    Ensure(shortForm);
    Modify(shortForm, 1, AtZero::kKeep, false);
    EXPECT_EQ(2, sharedkey::Count(shortForm));
    EXPECT_EQ(3, sharedkey::Count(file_));
    sharedkey::Remove(shortForm);
}

TEST_F(SharedCountTest, WithoutTheKeyNothingIsCountedOrCreated) {
    ASSERT_TRUE(testenv::WriteFile(file_, "x"));
    {
        sharedkey::KeyAbsent absent;
        Ensure(file_);
        Modify(file_, 1, AtZero::kKeep, true);
        long count = 0;
        EXPECT_FALSE(ReadSharedCount(file_, &count));
        win::UniqueKey key;
        EXPECT_FALSE(win::OpenKey(HKEY_LOCAL_MACHINE, sharedkey::kPath, KEY_READ, &key));
    }
    EXPECT_EQ("", testenv::ReadFile(log_));
}

}  // namespace
