// Editing the [rename] section of WinInit.ini's bytes, and the names of pending copies.
#include <gtest/gtest.h>

#include "transaction/RenameSection.h"

namespace {

std::string Add(const std::string& content) {
    return ApplyRenameEdit(content, PlanRenameEntry(content, "C:\\WIN\\SHARED.DLL", "C:\\WIN\\SHARED.new"));
}

const char kEntry[] = "C:\\WIN\\SHARED.DLL=C:\\WIN\\SHARED.new\r\n";

TEST(RenameSection, MixedCaseHeaderAtTheStartTakesTheEntry) {
    EXPECT_EQ(std::string("[ReNaMe]\r\nA=B\r\n") + kEntry, Add("[ReNaMe]\r\nA=B\r\n"));
    EXPECT_EQ(std::string("[rename]\r\n") + kEntry + "[boot]\r\nx=1\r\n", Add("[rename]\r\n[boot]\r\nx=1\r\n"));
}

TEST(RenameSection, SectionBetweenTwoOthersGetsTheEntryBeforeTheNextHeader) {
    const std::string before = "[boot]\r\nshell=x\r\n\r\n[Rename]\r\nNUL=C:\\old.tmp\r\n";
    const std::string after = "[other]\r\nkey=value\r\n; comment [x]\r\n\x01\xff tail";
    std::string edited = Add(before + after);
    EXPECT_EQ(before + kEntry + after, edited);

    RenameEdit edit = PlanRenameEntry(before + after, "C:\\WIN\\SHARED.DLL", "C:\\WIN\\SHARED.new");
    EXPECT_EQ(before.size(), edit.offset);
    EXPECT_EQ("", edit.lead);
    EXPECT_EQ(after, edit.tail);
}

TEST(RenameSection, MissingSectionIsAppended) {
    EXPECT_EQ(std::string("[boot]\r\nx=1\r\n\r\n[rename]\r\n") + kEntry, Add("[boot]\r\nx=1\r\n"));
    EXPECT_EQ(std::string("[boot]\r\nx=1\r\n[rename]\r\n") + kEntry, Add("[boot]\r\nx=1"));
    EXPECT_EQ(std::string("\r\n[rename]\r\n") + kEntry, Add(""));
    // Only a header at the start or after CR LF counts, and "[renamed]" is another section.
    EXPECT_EQ(std::string("x[rename]\r\n\r\n[rename]\r\n") + kEntry, Add("x[rename]\r\n"));
    EXPECT_EQ(std::string("[renamed]\r\n\r\n[rename]\r\n") + kEntry, Add("[renamed]\r\n"));
}

TEST(RenameSection, LastSectionWithoutFinalLineBreakStartsANewLine) {
    EXPECT_EQ(std::string("[rename]\r\nA=B\r\n") + kEntry, Add("[rename]\r\nA=B"));
    EXPECT_EQ(std::string("[boot]\r\n[rename]\r\n") + kEntry, Add("[boot]\r\n[rename]"));
    EXPECT_EQ(std::string("[rename]\r\nA=B\r\n") + kEntry, Add("[rename]\r\nA=B\r"));
    EXPECT_EQ(std::string("[rename]\r\nA=B\n") + kEntry, Add("[rename]\r\nA=B\n"));
}

TEST(RenameSection, EntriesAccumulateInOrder) {
    std::string content = "[rename]\r\n[boot]\r\n";
    content = ApplyRenameEdit(content, PlanRenameEntry(content, "A", "1"));
    content = ApplyRenameEdit(content, PlanRenameEntry(content, "B", "2"));
    EXPECT_EQ("[rename]\r\nA=1\r\nB=2\r\n[boot]\r\n", content);
}

TEST(NewCopyName, ExtensionIsReplacedAndFurtherNamesStayEightDotThree) {
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\SHARED.new", NewCopyName("C:\\WINDOWS\\SYSTEM\\SHARED.DLL", 0));
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\SHARED.ne1", NewCopyName("C:\\WINDOWS\\SYSTEM\\SHARED.DLL", 1));
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\SHARED.ne9", NewCopyName("C:\\WINDOWS\\SYSTEM\\SHARED.DLL", 9));
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\SHARED.n10", NewCopyName("C:\\WINDOWS\\SYSTEM\\SHARED.DLL", 10));
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM\\SHARED.n99", NewCopyName("C:\\WINDOWS\\SYSTEM\\SHARED.DLL", 99));
    EXPECT_EQ("", NewCopyName("C:\\WINDOWS\\SYSTEM\\SHARED.DLL", kNewCopyAttempts));
    // A dot in a folder name is no extension.
    EXPECT_EQ("C:\\PROG~1.X\\SHARED.new", NewCopyName("C:\\PROG~1.X\\SHARED", 0));
    EXPECT_EQ("C:\\SHARE~1.new", NewCopyName("C:\\SHARE~1.DLL", 0));
}

}  // namespace
