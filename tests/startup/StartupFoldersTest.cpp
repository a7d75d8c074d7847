// The Startup folders when the shell lacks SHGetSpecialFolderPathA: read from the Shell
// Folders registry values and created on request.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "engine/InstallDriver.h"
#include "script/ScriptWriter.h"
#include "startup/Startup.h"
#include "state/SetupState.h"
#include "support/Installed.h"
#include "support/TestEnv.h"
#include "support/Wizard.h"
#include "win/Files.h"
#include "wizard/ProgressPage.h"
#include "win/Registry.h"

namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Points the current user's "Startup" value elsewhere for one test and puts it back.
class StartupValueOverride {
public:
    StartupValueOverride() {
        win::OpenKey(HKEY_CURRENT_USER, kShellFolders, KEY_READ | KEY_WRITE, &key_);
        hadValue_ = key_ && win::ReadString(key_.get(), "Startup", 1024, &saved_);
    }
    ~StartupValueOverride() {
        if (!key_) return;
        if (hadValue_)
            win::WriteString(key_.get(), "Startup", saved_);
        else
            RegDeleteValueA(key_.get(), "Startup");
    }
    bool Set(const std::string& value) const { return key_ && win::WriteString(key_.get(), "Startup", value); }
    bool SetExpandable(const std::string& value) const {
        return key_ && RegSetValueExA(key_.get(), "Startup", 0, REG_EXPAND_SZ,
                                      reinterpret_cast<const BYTE*>(value.c_str()),
                                      static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    }

private:
    win::UniqueKey key_;
    bool hadValue_ = false;
    std::string saved_;
};

SpecialFolderPathFn ShellEntry() {
    HMODULE shell = GetModuleHandleA("shell32.dll");
    if (!shell) shell = LoadLibraryA("shell32.dll");
    FARPROC address = GetProcAddress(shell, "SHGetSpecialFolderPathA");
    return reinterpret_cast<SpecialFolderPathFn>(reinterpret_cast<void*>(address));
}

TEST(SpecialFolder, RegistryRouteFindsTheFoldersTheShellReports) {
    SpecialFolderPathFn shell = ShellEntry();
    ASSERT_NE(nullptr, shell);
    for (int csidl : {CSIDL_COMMON_STARTUP, CSIDL_STARTUP}) {
        std::string fromShell;
        std::string fromRegistry;
        ASSERT_NE(0, QuerySpecialFolder(shell, csidl, true, &fromShell)) << csidl;
        ASSERT_NE(0, QuerySpecialFolder(nullptr, csidl, true, &fromRegistry)) << csidl;
        EXPECT_EQ(0u, GetLastError());
        EXPECT_TRUE(win::IsDirectory(fromRegistry));
        EXPECT_EQ(fromShell, fromRegistry) << csidl;
    }
}

TEST(SpecialFolder, RegistryRouteKnowsOnlyTheStartupFolders) {
    std::string out = "untouched";
    EXPECT_EQ(0, QuerySpecialFolder(nullptr, CSIDL_PROGRAMS, true, &out));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED), GetLastError());
    EXPECT_EQ("untouched", out);
}

TEST(SpecialFolder, RegistryRouteCreatesMissingLevelsOnlyWhenAsked) {
    StartupValueOverride value;
    std::string folder = testenv::FreshFolder() + "\\Start Menu\\StartUp";
    ASSERT_TRUE(value.Set(folder));

    std::string out;
    ASSERT_NE(0, QuerySpecialFolder(nullptr, CSIDL_STARTUP, false, &out));
    EXPECT_EQ(folder, out);
    EXPECT_FALSE(win::IsDirectory(folder));

    ASSERT_NE(0, QuerySpecialFolder(nullptr, CSIDL_STARTUP, true, &out));
    EXPECT_TRUE(win::IsDirectory(folder));
}

TEST(SpecialFolder, RegistryRouteRefusesBadValues) {
    StartupValueOverride value;
    std::string out = "untouched";

    // Only plain text values count, as the shell writes them.
    ASSERT_TRUE(value.SetExpandable(testenv::FreshFolder()));
    EXPECT_EQ(0, QuerySpecialFolder(nullptr, CSIDL_STARTUP, false, &out));
    EXPECT_NE(0u, GetLastError());

    // Longer than a path may be.
    ASSERT_TRUE(value.Set("C:\\" + std::string(300, 'a')));
    EXPECT_EQ(0, QuerySpecialFolder(nullptr, CSIDL_STARTUP, false, &out));
    EXPECT_NE(0u, GetLastError());

    // A folder that cannot be made.
    ASSERT_TRUE(value.Set(testenv::FreshFolder() + "\\bad|name"));
    EXPECT_EQ(0, QuerySpecialFolder(nullptr, CSIDL_STARTUP, true, &out));
    EXPECT_NE(0u, GetLastError());
    EXPECT_EQ("untouched", out);
}

// Run as SYSTEM, the menu and Startup shortcuts go to all users' folders, where the log records
// them for the uninstall, and the account's own get nothing. Wine runs all as one administrator:
// the test stands in for SYSTEM through the account check, its user's folders for SYSTEM's.
TEST(SystemAccount, ShortcutsGoToTheAllUsersFoldersAndTheUninstallFindsThemThere) {
    win::ComInit com;
    SetupState state;
    std::string programs, startup, ownStartup;
    ASSERT_TRUE(QuerySpecialFolder(ShellEntry(), CSIDL_COMMON_PROGRAMS, false, &programs) &&
                QuerySpecialFolder(ShellEntry(), CSIDL_COMMON_STARTUP, false, &startup) &&
                QuerySpecialFolder(ShellEntry(), CSIDL_STARTUP, false, &ownStartup));
    ASSERT_TRUE(PrepareShortcutFolders(state, ShellEntry(), [](bool* system) { return *system = true; }));
    EXPECT_EQ(programs + "|" + startup + "|" + startup,
              state.programsFolder + "|" + state.startupFolder + "|" + state.commonStartupFolder);

    const std::string root = testenv::FreshFolder(), company = testenv::UniqueName("Sys");
    const std::string entry = std::string(installed::kUninstallKey) + "\\" + company + " Tool for BlackBerry";
    const std::string menuLink = programs + "\\" + company + "\\Tool\\Tool.lnk", startupLink = startup + "\\Tool.lnk";
    testenv::Package package(root + "\\package");
    testenv::TestLibrary library;
    installed::Cleanup cleanup{{{HKEY_LOCAL_MACHINE, entry}}, {}, {}, {programs + "\\" + company}, {startupLink}};
    script::ScriptWriter script;
    script.Set("Title", "Tool");
    script.Set("Company", company);
    script.Set("DefTargetDir", root + "\\Tool");
    script::ScriptFile program{"Tool.exe", script.AddFolder(kSectionApplication, ""), 2};
    program.menuShortcut = program.startupShortcut = 1;  // the user's Startup folder: none for SYSTEM
    script.AddFile(kSectionApplication, program);
    const std::string languagePath = win::WindowsFolder() + "\\" + library.Name();
    ASSERT_TRUE(CreateDirectoryA(package.Folder().c_str(), nullptr) && package.WriteScript(script.Text()) &&
                package.WriteData(2, "tool") && package.AddSetup() &&
                testenv::CopyFileTo(testenv::BinFolder() + "ResENU.DLL", languagePath));
    ASSERT_EQ(0, state.mainProject.Load(package.PathOf("00000001"), true));
    state.programFolder = package.Folder() + "\\";
    state.programPath = package.SetupPath();
    InstallRequest request;
    InstallResult result;
    ASSERT_TRUE(PrepareInstallation(state, &request));
    request.languagePath = languagePath;
    ASSERT_TRUE(DoInstall(request, nullptr, &result));

    const std::string log = testenv::ReadFile(root + "\\Tool\\install.log");
    for (const std::string& link : {menuLink, startupLink})
        EXPECT_TRUE(win::FileExists(link) && log.find("CreateShortcut: " + link + "\r\n") != std::string::npos) << link;
    EXPECT_FALSE(win::FileExists(installed::ProgramsFolder() + "\\" + company));
    EXPECT_FALSE(win::FileExists(ownStartup + "\\Tool.lnk"));
    const std::string uninstall = installed::RegistryText(HKEY_LOCAL_MACHINE, entry, "QuietUninstallString");
    EXPECT_EQ(0, ui::RunQuietUninstall(uninstall).exitCode);
    EXPECT_FALSE(win::FileExists(programs + "\\" + company) || win::FileExists(startupLink));
}

}  // namespace
