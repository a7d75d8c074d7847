// The syntax inside script values: quoted strings with their escapes, limits and cursor rules,
// integers, and every value layout.
#include <gtest/gtest.h>

#include "script/ValueSyntax.h"

namespace {

using script::Cursor;

std::string Quoted(std::string_view value, size_t limit, bool* ok = nullptr, size_t* position = nullptr) {
    Cursor cursor(value);
    std::string out = "untouched";
    bool read = cursor.ReadQuoted(limit, &out);
    if (ok) *ok = read;
    if (position) *position = cursor.Position();
    return out;
}

TEST(QuotedString, DecodesEveryEscape) {
    EXPECT_EQ("say \"hi\"", Quoted(R"("say \"hi\"")", 260));
    EXPECT_EQ("C:\\dir", Quoted(R"("C:\\dir")", 260));
    EXPECT_EQ("one\r\ntwo", Quoted(R"("one\ntwo")", 260));
    // Any other backslash stands for itself, so single-backslash paths read unchanged...
    EXPECT_EQ("C:\\Program Files\\app", Quoted(R"("C:\Program Files\app")", 260));
    // ...unless a name behind one starts with the letter n.
    EXPECT_EQ("C:\r\new", Quoted(R"("C:\new")", 260));
    EXPECT_EQ("", Quoted(R"("")", 260));
}

TEST(QuotedString, ClosingQuoteIsFirstUnescapedQuote) {
    size_t position = 0;
    EXPECT_EQ("a", Quoted(R"("a","b")", 260, nullptr, &position));
    EXPECT_EQ(3u, position);
    // A doubled backslash before the closing quote still escapes it: the read runs on to the
    // next quote, or fails when there is none.
    bool ok = true;
    Quoted(R"("dir\\")", 260, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ("a\\\"b", Quoted(R"("a\\"b")", 260));
}

TEST(QuotedString, BlanksEndOfValueAndMissingQuote) {
    bool ok = false;
    size_t position = 0;
    EXPECT_EQ("x", Quoted(" \t\r\n\"x\"", 260, &ok, &position));
    EXPECT_TRUE(ok);
    EXPECT_EQ(7u, position);
    EXPECT_EQ("", Quoted("   ", 260, &ok));
    EXPECT_TRUE(ok);
    EXPECT_EQ("", Quoted("", 260, &ok));
    EXPECT_TRUE(ok);
    EXPECT_EQ("untouched", Quoted("x\"a\"", 260, &ok));
    EXPECT_FALSE(ok);
    EXPECT_EQ("untouched", Quoted("\"unterminated", 260, &ok));
    EXPECT_FALSE(ok);
}

TEST(QuotedString, LimitKeepsLimitMinusOneAndLeavesCursorInside) {
    bool ok = false;
    size_t position = 0;
    // Exactly L - 1 characters fit: the cursor goes behind the closing quote.
    EXPECT_EQ("abcd", Quoted("\"abcd\",x", 5, &ok, &position));
    EXPECT_TRUE(ok);
    EXPECT_EQ(6u, position);
    // Longer content: L - 1 characters kept, the cursor stays inside the quoted text.
    EXPECT_EQ("abcd", Quoted("\"abcdef\",x", 5, &ok, &position));
    EXPECT_TRUE(ok);
    EXPECT_EQ(5u, position);
    EXPECT_EQ("", Quoted("\"abc\"", 1, &ok, &position));
    EXPECT_TRUE(ok);
    EXPECT_EQ(1u, position);
}

TEST(QuotedString, EscapeStraddlingTheLimitIsNotSplit) {
    size_t position = 0;
    // Room for one more character but \n needs two: it stays unconsumed.
    EXPECT_EQ("abc", Quoted(R"("abc\n")", 5, nullptr, &position));
    EXPECT_EQ(4u, position);
    EXPECT_EQ("abc\"", Quoted(R"("abc\"x")", 5, nullptr, &position));
    EXPECT_EQ(6u, position);
    EXPECT_EQ("ab\r\n", Quoted(R"("ab\n")", 5, nullptr, &position));
    EXPECT_EQ(6u, position);
}

TEST(Integers, SignedAndUnsignedReads) {
    int32_t value = 0;
    Cursor plain("  42,7");
    ASSERT_TRUE(plain.ReadSigned(&value));
    EXPECT_EQ(42, value);
    EXPECT_EQ(4u, plain.Position());  // on the delimiter
    ASSERT_TRUE(plain.Comma());
    ASSERT_TRUE(plain.ReadSigned(&value));
    EXPECT_EQ(7, value);
    EXPECT_TRUE(plain.AtEnd());

    Cursor negative("-12 ");
    ASSERT_TRUE(negative.ReadSigned(&value));
    EXPECT_EQ(-12, value);

    for (const char* bad : {"+1", "-", "", "1x", "x", "1.5", "- 1", "0x10"}) {
        Cursor cursor(bad);
        value = 99;
        EXPECT_FALSE(cursor.ReadSigned(&value)) << bad;
        EXPECT_EQ(99, value) << bad;
    }

    uint32_t unsignedValue = 0;
    Cursor big("4294967295");
    ASSERT_TRUE(big.ReadUnsigned(&unsignedValue));
    EXPECT_EQ(4294967295u, unsignedValue);
    Cursor minus("-1");
    EXPECT_FALSE(minus.ReadUnsigned(&unsignedValue));
}

TEST(Integers, AccumulateInThirtyTwoBitsWithoutOverflowTest) {
    int32_t value = 0;
    Cursor wrap("4294967297");  // 2^32 + 1
    ASSERT_TRUE(wrap.ReadSigned(&value));
    EXPECT_EQ(1, value);
    Cursor high("2147483648");
    ASSERT_TRUE(high.ReadSigned(&value));
    EXPECT_EQ(INT32_MIN, value);
    uint32_t unsignedValue = 0;
    Cursor longer("4294967296");
    ASSERT_TRUE(longer.ReadUnsigned(&unsignedValue));
    EXPECT_EQ(0u, unsignedValue);
}

// A seal's size reads back whatever the writer wrote, up to the largest 64-bit number.
TEST(Integers, SealSizesReadUpToTheLargest) {
    const std::string digest(64, 'f');
    uint64_t size = 0;
    std::string sha256;
    ASSERT_TRUE(script::ParseSeal("18446744073709551615," + digest, &size, &sha256));
    EXPECT_EQ(UINT64_MAX, size);
    EXPECT_FALSE(script::ParseSeal("18446744073709551616," + digest, &size, &sha256));
}

TEST(ScriptVersion, ConvertsLikeAtoiAndComparesUnsigned) {
    EXPECT_EQ(5u, script::ScriptVersionFromText("5"));
    EXPECT_EQ(4u, script::ScriptVersionFromText("  4.2beta"));
    EXPECT_EQ(3u, script::ScriptVersionFromText("+3"));
    EXPECT_EQ(0u, script::ScriptVersionFromText("v5"));
    EXPECT_EQ(0u, script::ScriptVersionFromText(""));
    EXPECT_EQ(0xFFFFFFFFu, script::ScriptVersionFromText("-1"));
    EXPECT_GE(script::ScriptVersionFromText("-1"), 5u);
}

TEST(Layouts, Launch) {
    std::string command = "old";
    ASSERT_TRUE(script::ParseLaunch(R"("C:\\app\\run.exe" -x,-1)", &command));
    EXPECT_EQ("C:\\app\\run.exe", command);
    command = "old";
    EXPECT_FALSE(script::ParseLaunch("C:\\run.exe,-1", &command));
    EXPECT_EQ("old", command);
    ASSERT_TRUE(script::ParseLaunch("\"" + std::string(300, 'a') + "\",-1", &command));
    EXPECT_EQ(std::string(259, 'a'), command);
}

TEST(Layouts, ComponentGatedByScriptVersion) {
    script::ComponentLine line;
    ASSERT_TRUE(script::ParseComponent(R"("Extras", 5 , 0,1,2,"The \"extra\" files",)", 5, &line));
    EXPECT_EQ("Extras", line.name);
    EXPECT_EQ(5, line.subScript);
    EXPECT_EQ(0, line.useMainFolder);
    EXPECT_EQ(1, line.selected);
    EXPECT_EQ(2, line.group);
    EXPECT_EQ("The \"extra\" files", line.description);

    // Version 4: four fields; what follows is ignored.
    script::ComponentLine old;
    ASSERT_TRUE(script::ParseComponent(R"("Old",-1,1,0,junk)", 4, &old));
    EXPECT_EQ(-1, old.subScript);
    EXPECT_EQ(0, old.group);
    EXPECT_EQ("", old.description);
    EXPECT_FALSE(script::ParseComponent(R"("Old",-1,1,0)", 5, &old));
    // A negative version counts as very large.
    EXPECT_FALSE(script::ParseComponent(R"("Old",-1,1,0)", 0xFFFFFFFFu, &old));

    EXPECT_FALSE(script::ParseComponent(R"("A",1,1)", 4, &line));
    EXPECT_FALSE(script::ParseComponent(R"("A" 1,1,1)", 4, &line));
    EXPECT_FALSE(script::ParseComponent(R"(A,1,1,1)", 4, &line));
    EXPECT_EQ("Extras", line.name);  // untouched by the failures

    // The description is read with limit 1024 and 511 characters are kept; a description too
    // long for the read is still the last field, so the line stays valid.
    std::string longText(2000, 'd');
    ASSERT_TRUE(script::ParseComponent("\"A\",1,1,1,0,\"" + longText + "\",", 5, &line));
    EXPECT_EQ(std::string(511, 'd'), line.description);
    // A name too long for its field leaves the cursor inside it and the comma test fails.
    EXPECT_FALSE(script::ParseComponent("\"" + std::string(260, 'n') + "\",1,1,1", 4, &line));
    ASSERT_TRUE(script::ParseComponent("\"" + std::string(259, 'n') + "\",1,1,1", 4, &line));
    EXPECT_EQ(259u, line.name.size());
}

TEST(Layouts, DocumentAndImage) {
    DocRef doc;
    ASSERT_TRUE(script::ParseDocument(" 2 , 7 ", &doc));
    EXPECT_EQ(2, doc.section);
    EXPECT_EQ(7, doc.fileIndex);
    EXPECT_FALSE(script::ParseDocument("2", &doc));
    EXPECT_FALSE(script::ParseDocument("2;7", &doc));
    EXPECT_FALSE(script::ParseDocument("a,7", &doc));

    ImageSpec image;
    ASSERT_TRUE(script::ParseImage(R"("back.bmp",12,3)", &image));
    EXPECT_EQ("back.bmp", image.name);
    EXPECT_EQ(12, image.dataFile);
    EXPECT_EQ(3, image.mode);
    for (const char* outOfRange : {R"("b",1,7)", R"("b",1,-1)", R"("b",1,4)"}) {
        ASSERT_TRUE(script::ParseImage(outOfRange, &image)) << outOfRange;
        EXPECT_EQ(0, image.mode) << outOfRange;
    }
    EXPECT_FALSE(script::ParseImage(R"("b",1)", &image));
    EXPECT_FALSE(script::ParseImage(R"(b,1,1)", &image));
}

TEST(Layouts, PalmFileGatedByScriptVersion) {
    script::PalmLine line;
    ASSERT_TRUE(script::ParsePalmFile(R"("app.prc",3,4,2)", 5, &line));
    EXPECT_EQ("app.prc", line.name);
    EXPECT_EQ(3, line.firstNumber);
    EXPECT_EQ(4, line.secondNumber);
    EXPECT_EQ(2, line.folderNumber);

    ASSERT_TRUE(script::ParsePalmFile(R"("app.prc",3,4,2)", 4, &line));
    EXPECT_EQ(4, line.secondNumber);
    EXPECT_EQ(-1, line.folderNumber);
    ASSERT_TRUE(script::ParsePalmFile(R"("app.prc",3,4,2)", 3, &line));
    EXPECT_EQ(0, line.secondNumber);
    EXPECT_EQ(-1, line.folderNumber);

    EXPECT_FALSE(script::ParsePalmFile(R"("app.prc",3,4)", 5, &line));
    EXPECT_FALSE(script::ParsePalmFile(R"("app.prc",3)", 4, &line));
    EXPECT_FALSE(script::ParsePalmFile(R"("app.prc")", 1, &line));
}

TEST(Layouts, SectionFolderNeedsItsComma) {
    std::string path = "untouched";
    ASSERT_TRUE(script::ParseSectionFolder(R"("bin\\tools" ,)", &path));
    EXPECT_EQ("bin\\tools", path);
    ASSERT_TRUE(script::ParseSectionFolder(R"("",)", &path));
    EXPECT_EQ("", path);
    path = "untouched";
    EXPECT_FALSE(script::ParseSectionFolder(R"("bin")", &path));
    EXPECT_FALSE(script::ParseSectionFolder("bin,", &path));
    EXPECT_FALSE(script::ParseSectionFolder("\"" + std::string(300, 'p') + "\",", &path));
    EXPECT_EQ("untouched", path);
}

TEST(Layouts, FileLineCommonFieldsAndPlainTail) {
    Cursor cursor(R"("a b.txt",1,17,0,2,1,1,"note",)");
    script::FileLine line;
    ASSERT_TRUE(script::ParseFileCommon(cursor, &line));
    EXPECT_EQ("a b.txt", line.path);
    EXPECT_EQ(1, line.folder);
    EXPECT_EQ(17, line.dataFile);
    EXPECT_EQ(0, line.kind);
    EXPECT_EQ(2, line.replaceMode);
    EXPECT_EQ(1, line.menuShortcut);
    script::PlainTail tail;
    ASSERT_TRUE(script::ParsePlainTail(cursor, &tail));
    EXPECT_EQ(1, tail.startupShortcut);
    EXPECT_EQ("note", tail.note);

    // The startup choice and note are optional behind the tail's comma, the comma is not.
    Cursor shortLine(R"("a",0,2,0,1,0, )");
    ASSERT_TRUE(script::ParseFileCommon(shortLine, &line));
    script::PlainTail shortTail;
    ASSERT_TRUE(script::ParsePlainTail(shortLine, &shortTail));
    EXPECT_EQ(0, shortTail.startupShortcut);
    EXPECT_EQ("", shortTail.note);

    for (const char* bad : {R"("a",0,2,0,1,0)", R"("a",0,2,0,1,0,1)", R"("a",0,2,0,1,0,1,x)"}) {
        Cursor c(bad);
        ASSERT_TRUE(script::ParseFileCommon(c, &line)) << bad;
        EXPECT_FALSE(script::ParsePlainTail(c, &tail)) << bad;
    }
    for (const char* bad : {R"("a",0,2,0,1)", R"(a,0,2,0,1,0,)", R"("a",0,x,0,1,0,)"}) {
        Cursor c(bad);
        EXPECT_FALSE(script::ParseFileCommon(c, &line)) << bad;
    }
}

TEST(Layouts, LibraryTail) {
    Cursor cursor(R"("x.dll",0,3,2,1,0,1,2,"n",)");
    script::FileLine line;
    ASSERT_TRUE(script::ParseFileCommon(cursor, &line));
    script::LibraryTail tail;
    ASSERT_TRUE(script::ParseLibraryTail(cursor, &tail));
    EXPECT_EQ(1, tail.registerSelf);
    EXPECT_EQ(2, tail.startupShortcut);
    EXPECT_EQ("n", tail.note);

    Cursor shortLine(R"("x.dll",0,3,2,1,0,1,)");
    ASSERT_TRUE(script::ParseFileCommon(shortLine, &line));
    ASSERT_TRUE(script::ParseLibraryTail(shortLine, &tail));
    EXPECT_EQ(0, tail.startupShortcut);

    for (const char* bad : {R"("x.dll",0,3,2,1,0,1)", R"("x.dll",0,3,2,1,0,)", R"("x.dll",0,3,2,1,0,1,2)"}) {
        Cursor c(bad);
        ASSERT_TRUE(script::ParseFileCommon(c, &line)) << bad;
        EXPECT_FALSE(script::ParseLibraryTail(c, &tail)) << bad;
    }
}

TEST(Layouts, ConduitTailWithAndWithoutTheOptionalFields) {
    const std::string ten = R"(,"t1",2,"t3","t4","t5",6,"t7","t8",9,"t10")";
    {
        const std::string line = ten + R"(,11,"t12",)";
        Cursor cursor(line);
        ConduitSpec spec;
        ASSERT_TRUE(script::ParseConduitTail(cursor, &spec));
        EXPECT_EQ("t1", spec.text1);
        EXPECT_EQ(2u, spec.number2);
        EXPECT_EQ("t5", spec.text5);
        EXPECT_EQ(6u, spec.number6);
        EXPECT_EQ(9u, spec.number9);
        EXPECT_EQ("t10", spec.text10);
        EXPECT_EQ(11u, spec.number11);
        EXPECT_EQ("t12", spec.text12);
    }
    for (const std::string& optional : {std::string(), std::string(","), std::string(", ")}) {
        const std::string line = ten + optional;
        Cursor cursor(line);
        ConduitSpec spec;
        ASSERT_TRUE(script::ParseConduitTail(cursor, &spec)) << optional;
        EXPECT_EQ(0u, spec.number11);
        EXPECT_EQ("", spec.text12);
    }
    {
        const std::string line = ten + ",11";
        Cursor cursor(line);
        ConduitSpec spec;
        ASSERT_TRUE(script::ParseConduitTail(cursor, &spec));
        EXPECT_EQ(11u, spec.number11);
        EXPECT_EQ("", spec.text12);
    }
    for (const std::string& bad : {ten.substr(0, ten.size() - 6), ten + ",x", ten + ",11,t12",
                                   std::string(R"(,"t1",-2,"t3","t4","t5",6,"t7","t8",9,"t10")"),
                                   ",\"" + std::string(128, 'c') + "\"" + ten.substr(5)}) {
        Cursor cursor(bad);
        ConduitSpec spec;
        EXPECT_FALSE(script::ParseConduitTail(cursor, &spec)) << bad;
    }
}

}  // namespace
