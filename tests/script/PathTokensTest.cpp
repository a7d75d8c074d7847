// Token expansion against the real folders and registry of the test prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include "script/PathTokens.h"
#include "support/Installed.h"
#include "win/Files.h"
#include "win/Registry.h"

namespace {

std::string ProgramFilesValue() {
    win::UniqueKey key;
    std::string value;
    if (win::OpenKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", KEY_READ, &key))
        win::ReadString(key.get(), "ProgramFilesDir", 260, &value);
    return value;
}

Project NotesProject() {
    Project project;
    project.title = "Notes";
    project.company = "Acme Soft";
    project.version = "2.1";
    return project;
}

TEST(ExpandPath, SystemFoldersAndProjectValues) {
    Project project = NotesProject();
    const std::string windows = win::WindowsFolder();
    const std::string system = win::SystemFolder();
    const std::string programFiles = ProgramFilesValue();
    ASSERT_FALSE(windows.empty());
    ASSERT_FALSE(programFiles.empty());

    std::string out;
    ASSERT_TRUE(ExpandPath(project, "<WinDir>|<sysdir>", &out, nullptr, 260));
    EXPECT_EQ(windows + "|" + system, out);
    ASSERT_TRUE(ExpandPath(project, "<ProgramFilesDir>\\<Company>\\<Title> <Ver>", &out, nullptr, 260));
    EXPECT_EQ(programFiles + "\\Acme Soft\\Notes 2.1", out);
}

TEST(ExpandPath, EmptyCompanyLeavesOneBackslash) {
    Project project = NotesProject();
    project.company.clear();
    std::string out;
    ASSERT_TRUE(ExpandPath(project, "<ProgramFilesDir>\\<Company>\\<Title>", &out, nullptr, 260));
    EXPECT_EQ(ProgramFilesValue() + "\\Notes", out);
}

TEST(ExpandPath, InstallDirOnlyWithAnInstallFolder) {
    Project project = NotesProject();
    std::string out;
    EXPECT_FALSE(ExpandPath(project, "<InstallDir>\\data", &out, nullptr, 260));
    const std::string folder = "D:\\Apps\\Notes\\";
    ASSERT_TRUE(ExpandPath(project, "<installdir>\\data", &out, &folder, 260));
    EXPECT_EQ("D:\\Apps\\Notes\\data", out);
}

TEST(ExpandPath, PalmFoldersAndUnknownTokensFail) {
    Project project = NotesProject();
    std::string out;
    for (const char* text : {"<HotSync>", "<PalmDesktop>\\x", "C:\\<PalmDesktopData>", "C:\\<Notes>", "C:\\a<b"})
        EXPECT_FALSE(ExpandPath(project, text, &out, nullptr, 260)) << text;
}

TEST(ExpandPath, NetworkPathKeepsItsLeadingPair) {
    Project project = NotesProject();
    std::string out;
    ASSERT_TRUE(ExpandPath(project, "\\\\server\\\\apps\\<Title>", &out, nullptr, 260));
    EXPECT_EQ("\\\\server\\apps\\Notes", out);
}

TEST(ExpandPath, SystemFolderNeedsRoomForItsTerminator) {
    // The system is asked with the room left as its buffer size, so the Windows folder fits
    // only when one more character is free behind it.
    Project project = NotesProject();
    const std::string windows = win::WindowsFolder();
    std::string out;
    ASSERT_TRUE(ExpandPath(project, "<WinDir>", &out, nullptr, windows.size() + 2));
    EXPECT_EQ(windows, out);
    EXPECT_FALSE(ExpandPath(project, "<WinDir>", &out, nullptr, windows.size() + 1));

    const std::string programFiles = ProgramFilesValue();
    ASSERT_TRUE(ExpandPath(project, "<ProgramFilesDir>", &out, nullptr, programFiles.size() + 2));
    EXPECT_FALSE(ExpandPath(project, "<ProgramFilesDir>", &out, nullptr, programFiles.size() + 1));
}

TEST(ExpandPath, ResultOfExactlyLimitMinusOneSucceeds) {
    Project project = NotesProject();
    std::string text = "C:\\" + std::string(250, 'a') + "\\<Title>";  // 259 characters expanded
    std::string out;
    ASSERT_TRUE(ExpandPath(project, text, &out, nullptr, 260));
    EXPECT_EQ(259u, out.size());
    EXPECT_FALSE(ExpandPath(project, text + "x", &out, nullptr, 260));
}

TEST(ExpandTitleTokens, OnlyTheProjectTokensAndNoValidation) {
    Project project = NotesProject();
    std::string out;
    ASSERT_TRUE(ExpandTitleTokens(project, "<TITLE> <ver> for <company>", &out, 256));
    EXPECT_EQ("Notes 2.1 for Acme Soft", out);
    EXPECT_FALSE(ExpandTitleTokens(project, "<WinDir>\\<Title>", &out, 256));
    EXPECT_FALSE(ExpandTitleTokens(project, "<Title>", &out, 5));  // four characters of room
    ASSERT_TRUE(ExpandTitleTokens(project, "<Title>", &out, 6));
    EXPECT_EQ("Notes", out);
}

TEST(ResolveShortcutFolder, ProgramsMenuAndExpandedShortcutDir) {
    const std::string programs = installed::ProgramsFolder();
    ASSERT_FALSE(programs.empty()) << "the prefix has no Programs shell folder";
    Project project = NotesProject();
    project.defShortcutDir = "<Company>\\\\<Title>";
    std::string out;
    ASSERT_TRUE(ResolveShortcutFolder(project, &out, 260));
    EXPECT_EQ(programs + "\\Acme Soft\\Notes", out);

    project.defShortcutDir = "<WinDir>";  // not a title token
    EXPECT_FALSE(ResolveShortcutFolder(project, &out, 260));

    // The shortcut part gets only the room the menu folder leaves.
    project.defShortcutDir = "<Title>";
    const size_t exact = programs.size() + 1 + 5 + 1;
    ASSERT_TRUE(ResolveShortcutFolder(project, &out, exact));
    EXPECT_EQ(programs + "\\Notes", out);
    EXPECT_FALSE(ResolveShortcutFolder(project, &out, exact - 1));
    // A menu folder that fills the whole output leaves no room for the backslash.
    EXPECT_FALSE(ResolveShortcutFolder(project, &out, programs.size() + 1));
}

TEST(CheckLaunchCommand, QuotedUnquotedAndFailingCommands) {
    Project project = NotesProject();
    const std::string folder = "C:\\Program Files\\Acme Soft\\Notes";
    std::string out;

    ASSERT_TRUE(CheckLaunchCommand(project, "\"<InstallDir>\\app.exe\" -first", &out, folder, 260));
    EXPECT_EQ("\"" + folder + "\\app.exe\" -first", out);
    // A file that does not exist is still a path.
    ASSERT_TRUE(CheckLaunchCommand(project, "<InstallDir>\\missing.exe", &out, folder, 260));
    EXPECT_EQ(folder + "\\missing.exe", out);

    EXPECT_FALSE(CheckLaunchCommand(project, "<InstallDir>\\<Nope>.exe", &out, folder, 260));
    EXPECT_FALSE(CheckLaunchCommand(project, "<HotSync>\\sync.exe", &out, folder, 260));
    EXPECT_FALSE(CheckLaunchCommand(project, "", &out, folder, 260));
    // Wildcards are no path; inside quotes they are tested without the parameters behind.
    EXPECT_FALSE(CheckLaunchCommand(project, "C:\\app*.exe", &out, folder, 260));
    EXPECT_FALSE(CheckLaunchCommand(project, "\"C:\\app?.exe\" -x", &out, folder, 260));
    EXPECT_TRUE(CheckLaunchCommand(project, "\"C:\\app.exe\" *", &out, folder, 260));
}

}  // namespace
