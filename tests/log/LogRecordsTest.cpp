// The reader's rules for an install log: line splitting and record recognition.
#include <gtest/gtest.h>

#include "log/InstallLog.h"

namespace {

using Lines = std::vector<std::string>;

TEST(LogLines, CrAndLfEachEndALineAndEmptyLinesAreDropped) {
    EXPECT_EQ((Lines{"a", "b", "c", "d"}), SplitLogLines("a\r\nb\nc\rd"));
    EXPECT_EQ((Lines{"a"}), SplitLogLines("\r\n\r\n\n\ra\r\n\r\n"));
    EXPECT_EQ(Lines{}, SplitLogLines(""));
    EXPECT_EQ(Lines{}, SplitLogLines("\r\n\r\n"));
    EXPECT_EQ((Lines{" ", "x "}), SplitLogLines(" \r\nx "));
}

TEST(LogLines, EveryKindIsRecognisedByItsPrefix) {
    struct Case {
        const char* line;
        RecordKind kind;
        const char* payload;
    };
    const Case cases[] = {
        {"CopyFile: C:\\a.dll", RecordKind::kCopyFile, "C:\\a.dll"},
        {"CreateFolder: C:\\x", RecordKind::kCreateFolder, "C:\\x"},
        {"CreateShortcut: C:\\s.lnk", RecordKind::kCreateShortcut, "C:\\s.lnk"},
        {"InstallConduit: anything | at all", RecordKind::kInstallConduit, "anything | at all"},
        {"ModifyShared: C:\\a.dll|1", RecordKind::kModifyShared, "C:\\a.dll|1"},
        {"Application: Soft Notes for X", RecordKind::kApplication, "Soft Notes for X"},
        {"Register: C:\\r.dll", RecordKind::kRegister, "C:\\r.dll"},
        {"CopyFile: ", RecordKind::kCopyFile, ""},
        {"CopyFile:  two blanks ", RecordKind::kCopyFile, " two blanks "},
    };
    for (const Case& c : cases) {
        LogLine parsed{RecordKind::kRegister, "unset"};
        ASSERT_TRUE(ParseLogLine(c.line, &parsed)) << c.line;
        EXPECT_EQ(c.kind, parsed.kind) << c.line;
        EXPECT_EQ(c.payload, parsed.payload) << c.line;
    }
}

TEST(LogLines, UnknownLinesAreRejected) {
    for (const char* line : {"copyfile: C:\\a", "CopyFile:C:\\a", "CopyFile", " CopyFile: x", "Something: x", ""}) {
        LogLine parsed{RecordKind::kRegister, "unset"};
        EXPECT_FALSE(ParseLogLine(line, &parsed)) << line;
        EXPECT_EQ("unset", parsed.payload);
    }
}

TEST(LogLines, FormatsAndPrefixesAgree) {
    // Every writer's format must produce a line its reader recognises.
    LogLine parsed{};
    for (const char* format : {kRecordApplication, kRecordCopyFile, kRecordRegister, kRecordCreateFolder,
                               kRecordCreateShortcut}) {
        std::string line(format);
        line.replace(line.find("%s"), 2, "C:\\p");
        ASSERT_TRUE(ParseLogLine(line, &parsed)) << format;
        EXPECT_EQ("C:\\p", parsed.payload);
    }
    ASSERT_TRUE(ParseLogLine("ModifyShared: C:\\p|1", &parsed));
    EXPECT_STREQ("ModifyShared: %s|%d", kRecordModifyShared);
}

TEST(LogLines, ModifySharedSplitsAtTheFirstBar) {
    std::string path, number;
    ASSERT_TRUE(SplitModifyShared("C:\\a.dll|1", &path, &number));
    EXPECT_EQ("C:\\a.dll", path);
    EXPECT_EQ("1", number);
    ASSERT_TRUE(SplitModifyShared("C:\\a|-1|2", &path, &number));
    EXPECT_EQ("C:\\a", path);
    EXPECT_EQ("-1|2", number);
    ASSERT_TRUE(SplitModifyShared("|", &path, &number));
    EXPECT_EQ("", path);
    EXPECT_EQ("", number);

    path = "unchanged";
    EXPECT_FALSE(SplitModifyShared("C:\\a.dll 1", &path, &number));
    EXPECT_EQ("unchanged", path);
}

}  // namespace
