// The token walk with values supplied by the test, so limits and room can be pinned exactly.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "script/PathTokens.h"

namespace {

struct Walk {
    std::map<PathToken, std::string> values;
    std::vector<size_t> roomsSeen;

    bool Run(const std::string& text, std::string* out, size_t limit = 260, bool titleOnly = false) {
        auto source = [this](PathToken token, size_t room, std::string* value) {
            roomsSeen.push_back(room);
            auto found = values.find(token);
            if (found == values.end()) return false;
            *value = found->second;
            return true;
        };
        return ExpandTokens(text, titleOnly, limit, source, out);
    }
};

Walk StandardWalk() {
    Walk walk;
    walk.values[PathToken::WinDir] = "C:\\windows";
    walk.values[PathToken::ProgramFilesDir] = "C:\\Program Files";
    walk.values[PathToken::Company] = "Acme";
    walk.values[PathToken::Title] = "Notes";
    walk.values[PathToken::Ver] = "2.1";
    return walk;
}

TEST(TokenExpansion, TokenNamesMatchWithoutRegardToCase) {
    Walk walk = StandardWalk();
    for (const char* text : {"<Title>", "<title>", "<TITLE>", "<tItLe>"}) {
        std::string out;
        ASSERT_TRUE(walk.Run(text, &out)) << text;
        EXPECT_EQ("Notes", out) << text;
    }
    std::string out;
    ASSERT_TRUE(walk.Run("<PROGRAMFILESDIR>\\<company>\\<Ver>x<windir>", &out));
    EXPECT_EQ("C:\\Program Files\\Acme\\2.1xC:\\windows", out);
}

TEST(TokenExpansion, UnknownOrUnclosedTokensFail) {
    Walk walk = StandardWalk();
    std::string out;
    EXPECT_FALSE(walk.Run("a<", &out));
    EXPECT_FALSE(walk.Run("<", &out));
    EXPECT_FALSE(walk.Run("<Title", &out));
    EXPECT_FALSE(walk.Run("<Titles>", &out));
    EXPECT_FALSE(walk.Run("< Title>", &out));
    EXPECT_FALSE(walk.Run("<Nope>\\x", &out));
    EXPECT_FALSE(walk.Run("<>", &out));
}

TEST(TokenExpansion, CloseBracketAndValuesAreCopiedAsTheyAre) {
    Walk walk = StandardWalk();
    walk.values[PathToken::Title] = "<Company>";  // values are not expanded again
    std::string out;
    ASSERT_TRUE(walk.Run("a>b>> <Title>", &out));
    EXPECT_EQ("a>b>> <Company>", out);
}

TEST(TokenExpansion, TitleWalkKnowsOnlyTheProjectTokens) {
    Walk walk = StandardWalk();
    std::string out;
    ASSERT_TRUE(walk.Run("<Company>\\<Title> <Ver>", &out, 260, true));
    EXPECT_EQ("Acme\\Notes 2.1", out);
    for (const char* text : {"<WinDir>", "<SysDir>", "<ProgramFilesDir>", "<InstallDir>", "<HotSync>"})
        EXPECT_FALSE(walk.Run(text, &out, 260, true)) << text;
}

TEST(TokenExpansion, PalmFolderTokensAlwaysFailButEmptyProjectValuesDoNot) {
    Project project;
    project.title = "Notes";
    project.company = "";
    auto fromProject = [&](PathToken token, size_t, std::string* value) {
        return ProjectTokenValue(project, token, value);
    };
    std::string out;
    for (const char* text : {"<HotSync>", "x\\<PalmDesktop>", "<PalmDesktopData>\\y", "<palmdesktopdata>"})
        EXPECT_FALSE(ExpandTokens(text, false, 260, fromProject, &out)) << text;
    ASSERT_TRUE(ExpandTokens("<Company>\\<Title>", false, 260, fromProject, &out));
    EXPECT_EQ("\\Notes", out);
    // The folder tokens are not the project's to answer.
    EXPECT_FALSE(ExpandTokens("<WinDir>", false, 260, fromProject, &out));
}

TEST(TokenExpansion, OutputHoldsAtMostLimitMinusOneCharacters) {
    Walk walk = StandardWalk();
    std::string out;
    const std::string nine(9, 'a');
    ASSERT_TRUE(walk.Run(nine, &out, 10));
    EXPECT_EQ(nine, out);
    EXPECT_FALSE(walk.Run(nine + "a", &out, 10));
    // A token after the output is full is text left over as well.
    EXPECT_FALSE(walk.Run(nine + "<Ver>", &out, 10));
    ASSERT_TRUE(walk.Run("", &out, 1));
    EXPECT_EQ("", out);
    EXPECT_FALSE(walk.Run("a", &out, 1));
    EXPECT_FALSE(walk.Run("", &out, 0));
}

TEST(TokenExpansion, TokenValueMustFitInTheRoomLeft) {
    Walk walk = StandardWalk();  // "Notes": five characters
    std::string out;
    ASSERT_TRUE(walk.Run("abcd<Title>", &out, 10));  // room 5 for 5
    EXPECT_EQ("abcdNotes", out);
    EXPECT_EQ(std::vector<size_t>{5}, walk.roomsSeen);
    EXPECT_FALSE(walk.Run("abcde<Title>", &out, 10));  // room 4 for 5
    // The source sees the room left at each token.
    walk.roomsSeen.clear();
    ASSERT_TRUE(walk.Run("<Ver>-<Ver>", &out, 20));
    EXPECT_EQ((std::vector<size_t>{19, 15}), walk.roomsSeen);
}

TEST(TokenExpansion, FailingSourceFailsTheExpansion) {
    Walk walk;  // knows no values: every token fails, InstallDir included
    std::string out = "unchanged";
    EXPECT_FALSE(walk.Run("C:\\<InstallDir>\\x", &out));
    EXPECT_EQ("unchanged", out);
    ASSERT_TRUE(walk.Run("C:\\plain", &out));
    EXPECT_EQ("C:\\plain", out);
}

TEST(CleanBackslashes, RunsBecomeOneExceptTheLeadingNetworkPair) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"C:\\Program Files\\\\Notes", "C:\\Program Files\\Notes"},
        {"C:\\\\\\\\a\\b\\\\", "C:\\a\\b\\"},
        {"\\\\server\\share\\\\x", "\\\\server\\share\\x"},
        {"\\\\\\server", "\\\\\\server"},  // a single backslash behind the pair stays
        {"\\\\\\\\server", "\\\\\\server"},
        {"\\a", "\\a"},
        {"\\", "\\"},
        {"", ""},
        {"no slashes", "no slashes"},
    };
    for (const Case& c : cases) {
        std::string value = c.in;
        CleanBackslashes(&value);
        EXPECT_EQ(c.out, value) << c.in;
    }
}

}  // namespace
