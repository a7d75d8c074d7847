// The program launched after a successful installation: how its command is split into the
// file and the parameters, and what the user sees when the shell cannot start it.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "startup/Launch.h"
#include "startup/Language.h"
#include "support/TestEnv.h"
#include "support/Wizard.h"

namespace {

TEST(Launch, QuotedProgramIsSplitFromItsParameters) {
    struct Case {
        const char* command;
        const char* file;
        const char* parameters;
    };
    const Case cases[] = {
        {"\"C:\\Program Files\\App\\app.exe\" -x \"y z\"", "C:\\Program Files\\App\\app.exe", "-x \"y z\""},
        {"\"C:\\App\\app.exe\"\t\r\n  -a", "C:\\App\\app.exe", "-a"},
        {"\"C:\\App\\readme.txt\"", "C:\\App\\readme.txt", ""},
        // Unquoted, or quoted only later or never closed: the whole text is the file.
        {"C:\\App\\app.exe -a", "C:\\App\\app.exe -a", ""},
        {"C:\\App\\app.exe \"-a\"", "C:\\App\\app.exe \"-a\"", ""},
        {"\"C:\\App\\app.exe -a", "\"C:\\App\\app.exe -a", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        const LaunchCommand launch = SplitLaunchCommand(c.command);
        EXPECT_EQ(c.file, launch.file) << c.command;
        EXPECT_EQ(c.parameters, launch.parameters) << c.command;
    }
}

TEST(Launch, ProgramThatCannotStartIsReportedWithTheShellsCode) {
    ASSERT_TRUE(LoadLanguageLibrary(testenv::BinFolder() + "ResENU.DLL"));
    const std::string missing = testenv::FreshFolder() + "\\missing.exe";
    ui::MessageBoxInfo box;
    std::thread user([&] { EXPECT_TRUE(testenv::AnswerBox(GetCurrentProcessId(), "OK", &box)); });
    const bool started = LaunchProgram("\"" + missing + "\" -a");
    user.join();

    EXPECT_FALSE(started);
    EXPECT_EQ("Cannot start " + missing + "\nError code is 2", box.text);  // SE_ERR_FNF
    EXPECT_EQ("Setup", box.caption);
}

}  // namespace
