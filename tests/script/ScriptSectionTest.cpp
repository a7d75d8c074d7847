// A section read whole answers as the profile function would for each key.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/ScriptSection.h"
#include "support/TestEnv.h"

namespace {

using namespace std::string_literals;

TEST(SectionValues, LooksUpKeysAsTheProfileFunctionDoes) {
    const std::string block = "File0=\"a\",0,\0file1=first\0FILE1=second\0Bare\0Empty=\0;note=x\0"
                              "Quoted=\"whole\"\0Single='one'\0Half=\"open\0Lone=\"\0Inner=\"a\"b\"\0 =no name\0=again\0\0"s;
    script::SectionValues values(block);
    EXPECT_EQ("\"a\",0,", values.Text("File0", 260));  // only enclosing quotes go
    EXPECT_EQ("first", values.Text("FILE1", 260));      // case-insensitive, first one wins
    EXPECT_EQ("", values.Text("Bare", 260));
    EXPECT_EQ("", values.Text("Empty", 260));
    EXPECT_EQ("", values.Text("Missing", 260));
    EXPECT_EQ("whole", values.Text("quoted", 260));
    EXPECT_EQ("one", values.Text("Single", 260));
    EXPECT_EQ("\"open", values.Text("Half", 260));
    EXPECT_EQ("\"", values.Text("Lone", 260));
    EXPECT_EQ("a\"b", values.Text("Inner", 260));
    EXPECT_EQ("no name", values.Text("", 260));  // the first empty name wins too
    EXPECT_EQ("\"a\"", values.Text("File0", 4));  // cut to limit - 1
    EXPECT_EQ("who", values.Text("Quoted", 4));

    // Numbered lists run to the first key whose Text is empty.
    script::SectionValues numbered("file0=a\0File1='b'\0FILE2=c\0File3=\"\"\0File4=e\0Other1=x\0"s);
    EXPECT_EQ(3, numbered.CountNumbered("File", 0));
    EXPECT_EQ(2, numbered.CountNumbered("File", 1));
    EXPECT_EQ(0, numbered.CountNumbered("File", 3));
    EXPECT_EQ(1, numbered.CountNumbered("Other", 1));
    EXPECT_EQ(0, numbered.CountNumbered("Other", 0));

    // The values live in the object's own copy of the block, which moves along with it.
    script::SectionValues moved = std::move(values);
    EXPECT_EQ("first", moved.Text("file1", 260));
    script::SectionValues small("A=b\0"s);
    script::SectionValues target = std::move(small);
    EXPECT_EQ("b", target.Text("a", 260));

    // A system that leaves blanks around the "=" in the block is read the same way.
    script::SectionValues spaced("File0 = \"a\",0,\0\tFile1\t=\t'b'\t\0"s);
    EXPECT_EQ("\"a\",0,", spaced.Text("File0", 260));
    EXPECT_EQ("b", spaced.Text("File1", 260));

    script::SectionValues none{std::string_view()};
    EXPECT_EQ(0u, none.Size());
    EXPECT_EQ("", none.Text("File0", 260));
}

// The same file read key by key with GetPrivateProfileStringA and whole with
// GetPrivateProfileSectionA gives the same values.
TEST(SectionValues, MatchesThePlatformKeyByKey) {
    const std::string path = testenv::FreshFolder() + "\\script.ini";
    const std::string ini =
        "[Other]\r\nFile0=wrong section\r\n"
        "[Application]\r\n"
        "  File0  =   \"a b\",0,1,0,1,0,   \r\n"
        "file1=\"quoted whole\"\r\n"
        "FILE1=duplicate\r\n"
        "File2\r\n"
        "File3=\r\n"
        ";File4=comment\r\n"
        "File5='single'\r\n"
        "File6=\"\r\n"
        "File7=\"open\r\n"
        "File8=\t tabbed \t\r\n"
        "File9=a=b=c\r\n"
        "[application]\r\nFile10=second section of the same name\r\n";
    ASSERT_TRUE(testenv::WriteFile(path, ini));

    std::vector<char> block(4096);
    DWORD n = GetPrivateProfileSectionA("Application", block.data(), static_cast<DWORD>(block.size()), path.c_str());
    script::SectionValues values(std::string_view(block.data(), n));

    for (int i = 0; i <= 11; ++i) {
        const std::string key = "File" + std::to_string(i);
        for (DWORD limit : {260u, 4u}) {
            char buffer[260];
            DWORD got = GetPrivateProfileStringA("Application", key.c_str(), "", buffer, limit, path.c_str());
            EXPECT_EQ(std::string(buffer, got), values.Text(key, limit)) << key << " limit " << limit;
        }
    }
}

}  // namespace
