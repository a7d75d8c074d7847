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
};

const CommandLineCase kCommandLines[] = {
    // Without switches the string is untouched: the uninstall request and installs as before.
    {"", false, "", ""},
    {"-uC:\\Notes\\install.log -lC:\\WINDOWS\\ResENU.DLL", false, "", "-uC:\\Notes\\install.log -lC:\\WINDOWS\\ResENU.DLL"},
    {"  -uC:\\a -lb", false, "", "  -uC:\\a -lb"},
    {"anything else", false, "", "anything else"},
    // Switches in front, in any order and case, are taken off with the blanks behind them.
    {"/S -uC:\\My Notes\\install.log -lC:\\W\\R.DLL", true, "", "-uC:\\My Notes\\install.log -lC:\\W\\R.DLL"},
    {"/s", true, "", ""},
    {"/LOG=C:\\t.log", false, "C:\\t.log", ""},
    {" /log=t.log  /S\t-uX -lY", true, "t.log", "-uX -lY"},
    {"/S /LOG=\"C:\\My Logs\\t.log\" -uX -lY", true, "C:\\My Logs\\t.log", "-uX -lY"},
    {"/LOG=a.log /LOG=b.log", false, "b.log", ""},
    // The first word that is no switch ends them; what follows keeps its meaning.
    {"-uX -lY /S", false, "", "-uX -lY /S"},
    {"/S /X /LOG=t.log", true, "", "/X /LOG=t.log"},
    {"/Silent", false, "", "/Silent"},
    {"/S-uX", false, "", "/S-uX"},
    {"/LOG= -uX", false, "", "/LOG= -uX"},
    {"/LOG", false, "", "/LOG"},
    {"/LOG=\"\" x", false, "", "/LOG=\"\" x"},
    {"/LOG=\"C:\\open x", false, "", "/LOG=\"C:\\open x"},
    {"/LOG=\"a\"b x", false, "", "/LOG=\"a\"b x"},
};

TEST(CommandLine, SwitchesComeOffTheFrontAndLeaveTheRest) {
    for (const CommandLineCase& c : kCommandLines) {
        const CommandLine parsed = ParseCommandLine(c.arguments);
        EXPECT_EQ(c.quiet, parsed.quiet) << c.arguments;
        EXPECT_EQ(c.logFile, parsed.logFile) << c.arguments;
        EXPECT_EQ(c.rest, parsed.arguments) << c.arguments;
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
        {"/COMPONENTS=", true, "", "", ""},
        {"/COMPONENTS=0", true, "", "", ""},
        {"/COMPONENTS=1,,2", true, "", "", ""},
        {"/COMPONENTS=1,", true, "", "", ""},
        {"/COMPONENTS=a", true, "", "", ""},
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
        for (int n : parsed.components) joined += (joined.empty() ? "" : ",") + std::to_string(n);
        EXPECT_EQ(c.components, joined) << c.arguments;
        EXPECT_EQ(c.device, parsed.deviceFolder) << c.arguments;
    }
    EXPECT_TRUE(ParseCommandLine("/D=C:\\" + std::string(300, 'x')).malformed);
    EXPECT_EQ("", ParseCommandLine("/D=C:\\X").arguments);
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
