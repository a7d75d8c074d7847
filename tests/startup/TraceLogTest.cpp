// The /LOG and /S switches seen from outside: setup.exe writes its trace and the text of every
// message box to the named file, a time stamp in front of each line; quiet, it shows no box.
#include <gtest/gtest.h>

#include <regex>

#include "support/Package.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"

namespace {

// The texts of the trace file's lines; a line without its time stamp fails the test.
std::vector<std::string> TracedTexts(const std::string& path) {
    static const std::regex stamped(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  (.*))");
    std::vector<std::string> texts;
    const std::string bytes = testenv::ReadFile(path);
    size_t at = 0;
    while (at < bytes.size()) {
        size_t end = bytes.find("\r\n", at);
        EXPECT_NE(std::string::npos, end) << "unended last line";
        if (end == std::string::npos) end = bytes.size();
        std::smatch match;
        const std::string line = bytes.substr(at, end - at);
        EXPECT_TRUE(std::regex_match(line, match, stamped)) << line;
        texts.push_back(match.size() > 1 ? match[1].str() : line);
        at = end + 2;
    }
    return texts;
}

// True when `wanted` appear in `texts` in this order (other lines may come between).
bool InOrder(const std::vector<std::string>& texts, const std::vector<std::string>& wanted) {
    size_t next = 0;
    for (const std::string& text : texts)
        if (next < wanted.size() && text == wanted[next]) ++next;
    return next == wanted.size();
}

const char kScriptMessage[] =
    "MessageBox::Couldn't load the install script (error code 0x80660002). The installation will terminate.";

TEST(TraceLog, TheRunAndItsMessagesGoToTheFileShownOrQuiet) {
    // Without a script start-up ends at once, with message 99.
    testenv::Package package(testenv::FreshFolder());
    ASSERT_TRUE(package.AddSetup());

    const std::string log = package.PathOf("setup trace.log");
    ui::SingleMessageRun run = ui::RunExpectingOneMessage(package.SetupPath(), "/LOG=\"" + log + "\"", package.Folder());
    ASSERT_TRUE(run.sawBox);
    EXPECT_EQ(1, run.exitCode);
    const std::vector<std::string> shown = TracedTexts(log);
    EXPECT_TRUE(InOrder(shown, {"-------------------------------------------",
                                "-         core Setup.exe started          -",
                                "-------------------------------------------",
                                "Load project failed, terminating...", kScriptMessage}))
        << testing::PrintToString(shown);

    // Quiet, with the file named relative to the working folder: no box (one would hold the
    // process until the wait times out), the same exit code, the text in the trace.
    ui::SetupProcess quiet;
    ASSERT_TRUE(quiet.Start(package.SetupPath(), "/S /LOG=quiet.log", package.Folder()));
    EXPECT_EQ(1, quiet.WaitForExit());
    EXPECT_TRUE(InOrder(TracedTexts(package.PathOf("quiet.log")),
                        {"Load project failed, terminating...", kScriptMessage, "MessageBox::Not shown, answered 1."}))
        << testenv::ReadFile(package.PathOf("quiet.log"));

    // A second run appends to the file.
    EXPECT_EQ(1, ui::RunExpectingOneMessage(package.SetupPath(), "/LOG=\"" + log + "\"", package.Folder()).exitCode);
    EXPECT_EQ(2 * shown.size(), TracedTexts(log).size());
}

// A /LOG file that is a second name of another file is refused, as a link would be, before the
// elevated run writes a line; one that cannot be opened ends the run with 1622.
TEST(TraceLog, ASecondNameOrAMissingFolderEndsTheRunUntouched) {
    testenv::Package package(testenv::FreshFolder());
    ASSERT_TRUE(package.AddSetup());
    const std::string other = package.PathOf("system.ini");
    ASSERT_TRUE(testenv::WriteFile(other, "[boot]"));
    const std::string link = package.PathOf("trace.log");
    ASSERT_TRUE(CreateHardLinkA(link.c_str(), other.c_str(), nullptr));
    for (const auto& [log, code] : {std::pair<std::string, int>{link, 1639}, {package.PathOf("none\\x.log"), 1622}}) {
        ui::SetupProcess quiet;
        ASSERT_TRUE(quiet.Start(package.SetupPath(), "/S \"/LOG=" + log + "\"", package.Folder()));
        EXPECT_EQ(code, quiet.WaitForExit()) << log;
    }
    EXPECT_EQ("[boot]", testenv::ReadFile(other));
}

}  // namespace
