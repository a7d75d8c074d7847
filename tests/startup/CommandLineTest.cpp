// The run's switches in front of the argument string, and the lines the trace file gets.
#include <gtest/gtest.h>

#include "base/Trace.h"
#include "startup/CommandLine.h"

namespace {

struct CommandLineCase {
    const char* arguments;
    bool quiet;
    const char* logFile;
    const char* rest;
    bool malformed;
};

const CommandLineCase kCommandLines[] = {
    // Without switches the string is untouched: the uninstall request and installs as before.
    {"", false, "", "", false},
    {"-uC:\\Notes\\install.log -lC:\\WINDOWS\\ResENU.DLL", false, "", "-uC:\\Notes\\install.log -lC:\\WINDOWS\\ResENU.DLL", false},
    {"  -uC:\\a -lb", false, "", "  -uC:\\a -lb", false},
    {"anything else", false, "", "anything else", false},
    // Switches in front, in any order and case, are taken off with the blanks behind them.
    {"/S -uC:\\My Notes\\install.log -lC:\\W\\R.DLL", true, "", "-uC:\\My Notes\\install.log -lC:\\W\\R.DLL", false},
    {"/s", true, "", "", false},
    {"/LOG=C:\\t.log", false, "C:\\t.log", "", false},
    {" /log=t.log  /S\t-uX -lY", true, "t.log", "-uX -lY", false},
    {"/S /LOG=\"C:\\My Logs\\t.log\" -uX -lY", true, "C:\\My Logs\\t.log", "-uX -lY", false},
    {"/LOG=a.log /LOG=b.log", false, "b.log", "", false},
    // Quoted as a whole, as launchers write them, and /S with the next switch right behind it.
    {"\"/S\" -uX -lY", true, "", "-uX -lY", false},
    {"\"/LOG=C:\\My Logs\\t.log\" /S", true, "C:\\My Logs\\t.log", "", false},
    {"/S/LOG=t.log x", true, "t.log", "x", false},
    // The first word that is no switch ends them; what follows keeps its meaning.
    {"-uX -lY /S", false, "", "-uX -lY /S", false},
    // An unknown or empty switch, or an unclosed quote, stops the run.
    {"/S /X /LOG=t.log", true, "", "/X /LOG=t.log", true},
    {"/Silent", false, "", "/Silent", true},
    {"/S-uX", false, "", "/S-uX", true},
    {"/", false, "", "/", true},
    {"/LOG= -uX", false, "", "/LOG= -uX", true},
    {"/LOG", false, "", "/LOG", true},
    {"/LOG=\"\" x", false, "", "/LOG=\"\" x", true},
    {"/LOG=\"C:\\open x", false, "", "/LOG=\"C:\\open x", true},
    {"/LOG=\"a\"b x", false, "", "/LOG=\"a\"b x", true},
    {"\"/S x", false, "", "\"/S x", true},
    {"\"/S\"x", false, "", "\"/S\"x", true},
};

TEST(CommandLine, SwitchesComeOffTheFrontAndLeaveTheRest) {
    for (const CommandLineCase& c : kCommandLines) {
        const CommandLine parsed = ParseCommandLine(c.arguments);
        EXPECT_EQ(c.quiet, parsed.quiet) << c.arguments;
        EXPECT_EQ(c.logFile, parsed.logFile) << c.arguments;
        EXPECT_EQ(c.rest, parsed.arguments) << c.arguments;
        EXPECT_EQ(c.malformed, parsed.malformed) << c.arguments;
    }
}

TEST(CommandLine, UnattendedSwitchesAndTheirMalformedValues) {
    const struct {
        const char* arguments;
        bool malformed;
        const char* folder;
        const char* components;  // as joined back with commas; "-" when not given
        const char* device;
    } cases[] = {
        {"/S /D=C:\\Program Files\\My App", false, "C:\\Program Files\\My App", "-", ""},
        {"/S /COMPONENTS=1,3 /device=e: /D=\\\\server\\apps\\x  ", false, "\\\\server\\apps\\x", "1,3", "e:\\"},
        {"/DEVICE=F:\\ /COMPONENTS=12", false, "", "12", "F:\\"},
        {"/D=\"C:\\Quoted Folder\"", false, "C:\\Quoted Folder", "-", ""},
        {"\"/D=C:\\dir with blank\" /S", false, "C:\\dir with blank", "-", ""},
        {"/S/D=C:\\dir with blank", false, "C:\\dir with blank", "-", ""},
        {"/S \"/D=\"", true, "", "-", ""},
        {"/COMPONENTS=", true, "", "", ""},
        {"/COMPONENTS=0", true, "", "", ""},
        {"/COMPONENTS=1,,2", true, "", "", ""},
        {"/COMPONENTS=1,", true, "", "", ""},
        {"/COMPONENTS=a", false, "", "a", ""},
        // Names, in quotes when they hold a blank or comma, beside numbers.
        {"/COMPONENTS=\"Extra Tools\",2,\"a,b\" /D=C:\\x", false, "C:\\x", "Extra Tools,2,a,b", ""},
        {"\"/COMPONENTS=Extra Tools,base\" /S", false, "", "Extra Tools,base", ""},
        {"/COMPONENTS=\"open /S", true, "", "", ""},
        {"/COMPONENTS=\"a\"b", true, "", "", ""},
        {"/COMPONENTS=99999", true, "", "", ""},
        {"/COMPONENTS=99999", true, "", "", ""},
        {"/DEVICE=E", true, "", "-", ""},
        {"/DEVICE=E:\\Folder", true, "", "-", ""},
        {"/DEVICE=1:", true, "", "-", ""},
        {"/D=", true, "", "-", ""},
        {"/D=relative\\folder", true, "", "-", ""},
        {"/D=C:", true, "", "-", ""},
    };
    for (const auto& c : cases) {
        const CommandLine parsed = ParseCommandLine(c.arguments);
        EXPECT_EQ(c.malformed, parsed.malformed) << c.arguments;
        EXPECT_EQ(c.folder, parsed.installFolder) << c.arguments;
        std::string joined = parsed.componentsGiven ? "" : "-";
        for (const std::string& item : parsed.components) joined += (joined.empty() ? "" : ",") + item;
        EXPECT_EQ(c.components, joined) << c.arguments;
        EXPECT_EQ(c.device, parsed.deviceFolder) << c.arguments;
    }
    EXPECT_TRUE(ParseCommandLine("/D=C:\\" + std::string(300, 'x')).malformed);
    EXPECT_EQ("", ParseCommandLine("/D=C:\\X").arguments);
}

TEST(CommandLine, ResultWaitAndHelpSwitches) {
    const struct {
        const char* arguments;
        bool malformed;
        const char* result;
        int wait;  // -1 without /WAIT; a bare one waits as long as it takes (0)
        bool help;
    } cases[] = {
        {"/S /RESULT=\"C:\\My Logs\\r.json\" /WAIT=60", false, "C:\\My Logs\\r.json", 60, false},
        {"/wait /S", false, "", 0, false},
        {"/S/WAIT/D=C:\\x", false, "", 0, false},
        {"/?", false, "", -1, true},
        {"/HELP x", false, "", -1, true},
        {"/RESULT=", true, "", -1, false},
        {"/WAIT=0", true, "", -1, false},
        {"/WAIT=1m", true, "", -1, false},
        {"/WAITING", true, "", -1, false},
        {"/?x", true, "", -1, false},
        {"/HELPME", true, "", -1, false},
    };
    for (const auto& c : cases) {
        const CommandLine parsed = ParseCommandLine(c.arguments);
        EXPECT_EQ(c.malformed, parsed.malformed) << c.arguments;
        EXPECT_EQ(c.result, parsed.resultFile) << c.arguments;
        EXPECT_EQ(c.wait, parsed.wait ? static_cast<int>(parsed.waitSeconds) : -1) << c.arguments;
        EXPECT_EQ(c.help, parsed.help) << c.arguments;
    }
}

TEST(TraceFileLines, EveryLineOfAMessageGetsTheStamp) {
    const struct {
        const char* message;
        const char* lines;
    } cases[] = {
        {"DoInstall::Complete!\n", "T DoInstall::Complete!\r\n"},
        {"EULAlDlg::Next...", "T EULAlDlg::Next...\r\n"},
        {"first\nsecond\r\nthird", "T first\r\nT second\r\nT third\r\n"},
        {"\n", "T \r\n"},
        {"a\n\nb\n", "T a\r\nT \r\nT b\r\n"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.lines, StampTraceLines("T ", c.message)) << c.message;
}

}  // namespace
