// The uninstall entry in the prefix's own HKLM list of installed programs, and the uninstaller
// copy in its Windows folder. Every test uses its own company and title and removes its key.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/Text.h"
#include "engine/UninstallEntry.h"
#include "support/InstallRun.h"
#include "support/Installed.h"
#include "support/TestEnv.h"
#include "win/Files.h"
#include "win/Registry.h"

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class UninstallEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        project_.company = "Acme Soft";
        project_.title = testenv::UniqueName("Notes");
        displayName_ = UninstallDisplayName(project_);
        entryKey_ = std::string(kUninstallKey) + "\\" + displayName_;
        testenv::DeleteRegistryTree(HKEY_LOCAL_MACHINE, entryKey_);
    }
    void TearDown() override { testenv::DeleteRegistryTree(HKEY_LOCAL_MACHINE, entryKey_); }

    std::string Value(const char* name) { return installed::RegistryText(HKEY_LOCAL_MACHINE, entryKey_, name); }

    // A REG_DWORD value; -1 when missing or of another type.
    long long Number(const char* name) {
        win::UniqueKey key;
        DWORD value = 0;
        if (!win::OpenKey(HKEY_LOCAL_MACHINE, entryKey_, KEY_READ, &key) || !win::ReadDword(key.get(), name, &value))
            return -1;
        return value;
    }

    void WriteEntry(const std::string& uninstallString, DWORD type = REG_SZ) {
        win::UniqueKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, entryKey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, key.put(), nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.get(), "UninstallString", 0, type,
                                                reinterpret_cast<const BYTE*>(uninstallString.c_str()),
                                                static_cast<DWORD>(uninstallString.size() + 1)));
    }

    // A stand-in for the running program, so the test controls its content and age.
    void FakeProgram(const std::string& content, int daysAgo) {
        const std::string path = testenv::FreshFolder() + "\\setup.exe";
        ASSERT_TRUE(testenv::WriteFile(path, content));
        ASSERT_TRUE(testenv::SetFileAge(path, daysAgo));
        programPath_ = path;
    }

    void Prepare() {
        const std::string folder = testenv::FreshFolder("run");
        InstallRun run(folder, folder + "\\install.log");
        PrepareUnInstall(run.context, project_, programPath_, installFolder_, languagePath_, sizeKiB_);
    }
    bool Previous(std::string* folder, size_t limit) { return PreviousInstallFolder(project_, folder, limit); }

    Project project_;
    std::string programPath_, installFolder_, languagePath_;
    uint32_t sizeKiB_ = 0;
    std::string displayName_;
    std::string entryKey_;
};

TEST(UninstallDisplayName, CompanyThenTitle) {
    Project project;
    project.company = "Example Soft";
    project.title = "Notes";
    EXPECT_EQ("Example Soft Notes for BlackBerry", UninstallDisplayName(project));
}

TEST_F(UninstallEntryTest, InstallsWriteTheEntryAndTheFolderReadsBack) {
    const std::string windows = win::WindowsFolder();
    FakeProgram("program", 3);
    installFolder_ = "C:\\Program Files\\Acme Soft\\Notes";
    languagePath_ = windows + "\\ResENU.DLL";

    std::string folder;
    EXPECT_FALSE(Previous(&folder, 260));

    project_.version = "2.1";
    sizeKiB_ = 1234;
    Prepare();
    EXPECT_EQ(displayName_, Value("DisplayName"));
    // Unquoted even with blanks: the uninstaller splits at "-u" and " -l".
    EXPECT_EQ(windows + "\\pyxu.exe -uC:\\Program Files\\Acme Soft\\Notes\\install.log -l" + windows + "\\ResENU.DLL",
              Value("UninstallString"));
    EXPECT_EQ("C:\\Program Files\\Acme Soft\\Notes", Value("InstallPath"));
    // What the list of installed programs shows besides.
    EXPECT_EQ(windows + "\\pyxu.exe /S -uC:\\Program Files\\Acme Soft\\Notes\\install.log -l" + windows +
                  "\\ResENU.DLL",
              Value("QuietUninstallString"));
    EXPECT_EQ("Acme Soft", Value("Publisher"));
    EXPECT_EQ("2.1", Value("DisplayVersion"));
    EXPECT_EQ("C:\\Program Files\\Acme Soft\\Notes", Value("InstallLocation"));
    EXPECT_EQ(windows + "\\pyxu.exe", Value("DisplayIcon"));
    EXPECT_EQ(1234, Number("EstimatedSize"));
    EXPECT_EQ(1, Number("NoModify"));
    EXPECT_EQ(1, Number("NoRepair"));
    ASSERT_TRUE(Previous(&folder, 260));
    EXPECT_EQ(Value("InstallPath"), folder);

    // The folder must be shorter than the limit.
    std::string untouched = "untouched";
    EXPECT_FALSE(Previous(&untouched, folder.size()));
    EXPECT_EQ("untouched", untouched);
    EXPECT_TRUE(Previous(&untouched, folder.size() + 1));

    // A second installation of the same product rewrites the same entry.
    installFolder_ = "D:\\Elsewhere";
    project_.version = "2.2";
    sizeKiB_ = 99;
    Prepare();
    EXPECT_EQ("D:\\Elsewhere", Value("InstallPath"));
    EXPECT_EQ("D:\\Elsewhere", Value("InstallLocation"));
    EXPECT_EQ("2.2", Value("DisplayVersion"));
    EXPECT_EQ(99, Number("EstimatedSize"));
    ASSERT_TRUE(Previous(&folder, 260));
    EXPECT_EQ("D:\\Elsewhere", folder);
}

TEST_F(UninstallEntryTest, CommandLinesWithoutAFolderGiveNone) {
    std::string folder = "untouched";
    for (const char* command : {
             "C:\\Other\\uninst.exe /S",                            // another program's entry
             "C:\\windows\\pyxu.exe -uC:\\Notes\\other.log -lx",  // no "install.log"
             "C:\\windows\\pyxu.exe-uC:\\Notes\\install.log",      // no blank before "-u"
             "C:\\windows\\pyxu.exe -uinstall.log -lx",           // install.log right after -u
             "C:\\windows\\pyxu.exe -u\\install.log -lx",         // an empty folder
             "",
         }) {
        WriteEntry(command);
        EXPECT_FALSE(Previous(&folder, 260)) << command;
        EXPECT_EQ("untouched", folder) << command;
    }
    WriteEntry("C:\\windows\\pyxu.exe -uC:\\Notes\\install.log -lx", REG_EXPAND_SZ);
    EXPECT_FALSE(Previous(&folder, 260));

    // The first " -u" starts the folder; the first "install.log" behind it ends it.
    WriteEntry("C:\\my -utils\\pyxu.exe -uC:\\Notes\\install.log -lC:\\install.log");
    ASSERT_TRUE(Previous(&folder, 260));
    EXPECT_EQ("tils\\pyxu.exe -uC:\\Notes", folder);
}

TEST_F(UninstallEntryTest, UninstallerCopyIsRefreshedOnlyByANewerProgram) {
    const std::string uninstaller = win::WindowsFolder() + "\\pyxu.exe";
    DeleteFileA(uninstaller.c_str());
    installFolder_ = "C:\\Notes";

    FakeProgram("first", 10);
    Prepare();
    EXPECT_EQ("first", testenv::ReadFile(uninstaller));

    FakeProgram("older", 20);
    Prepare();
    EXPECT_EQ("first", testenv::ReadFile(uninstaller));

    FakeProgram("newer", 1);
    Prepare();
    EXPECT_EQ("newer", testenv::ReadFile(uninstaller));

    DeleteFileA(uninstaller.c_str());
}

}  // namespace
