// The Startup folders when the shell lacks SHGetSpecialFolderPathA: read from the Shell
// Folders registry values and created on request.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "startup/Startup.h"
#include "support/TestEnv.h"
#include "win/Files.h"
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

}  // namespace
