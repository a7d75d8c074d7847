// Start-up as the user meets it once the script has loaded: the language library is put into
// the Windows folder and loaded from there, and every way it can fail ends the run with the
// program's own message in an untitled box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "support/Package.h"
#include "script/ScriptWriter.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "support/Wizard.h"
#include "win/Files.h"
#include "win/UniqueHandle.h"

namespace {

const char kLanguageMessage[] =
    "The installation could not initialize properly.\nThe most likely reason is unsufficient user rights on the "
    "host machine.\nIf this is a corporate computer, please call your administrator and have them install the "
    "application for you.\nOtherwise, try logging as administrator and make another installation attempt.";

constexpr int kLanguageData = 2;

std::string DefaultLibrary() { return testenv::BinFolder() + "ResENU.DLL"; }
std::string NoCaptionLibrary() { return testenv::BinFolder() + "LangNoCaption.DLL"; }
// Unique to the test, as every test shares the prefix's Windows folder.
std::string LibraryName() { return testenv::UniqueName("ResT") + ".DLL"; }

// The library's name in the shared Windows folder, unique to the test; removed afterwards.
class WindowsFolderLibrary {
public:
    explicit WindowsFolderLibrary(const std::string& name) : path_(text::JoinPath(win::WindowsFolder(), name)) {
        DeleteFileA(path_.c_str());
    }
    ~WindowsFolderLibrary() { DeleteFileA(path_.c_str()); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

std::vector<std::string> WindowsFolderFiles() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    win::UniqueFind find(FindFirstFileA(text::JoinPath(win::WindowsFolder(), "*").c_str(), &entry));
    if (find)
        do names.push_back(entry.cFileName);
        while (FindNextFileA(find.get(), &entry));
    return names;
}

std::string Script(const std::string& languageDll, bool withIndex = true) {
    script::ScriptWriter script;
    script.Set("Title", "Language Demo");
    script.Set("LanguageDLL", languageDll);
    if (withIndex) script.Set("LanguageDLLIndex", kLanguageData);
    return script.Text();
}

testenv::Package MakePackage(const std::string& script) {
    testenv::Package package(testenv::FreshFolder());
    EXPECT_TRUE(package.AddSetup());
    EXPECT_TRUE(package.WriteScript(script));
    return package;
}

// Runs setup.exe through its wizard (welcome, then the last page) and expects no message box
// on the way but the desktop loader's warning; returns the exit code.
int RunWithoutMessage(const testenv::Package& package) {
    ui::SetupProcess process;
    HWND welcome = testenv::StartWizard(&process, package);
    EXPECT_TRUE(welcome);
    if (!welcome) return ui::SetupProcess::kTimedOut;
    ui::MessageBoxInfo box;
    HWND last = testenv::PressAndWait(process, welcome, testenv::kNextButton, testenv::kProgressMark, &box);
    EXPECT_TRUE(last) << box.caption << ": " << box.text;
    if (!last) return ui::SetupProcess::kTimedOut;
    EXPECT_TRUE(testenv::WaitForInstallationEnd(process, last));
    ui::SetupProcess::PressId(last, testenv::kNextButton);
    return process.WaitForExit();
}

void ExpectLanguageFailure(const testenv::Package& package) {
    ui::SingleMessageRun run = ui::RunExpectingOneMessage(package.SetupPath(), "", package.Folder());
    ASSERT_TRUE(run.sawBox);
    EXPECT_EQ(kLanguageMessage, run.box.text);
    EXPECT_EQ("", run.box.caption);
    EXPECT_EQ(std::vector<std::string>{"OK"}, run.box.buttons);
    EXPECT_EQ(1, run.exitCode);
}

TEST(StartupLanguage, GoodPackageInstallsLibraryAndRunsToTheEnd) {
    WindowsFolderLibrary target(LibraryName());
    testenv::Package package = MakePackage(Script(LibraryName()));
    ASSERT_TRUE(package.AddLanguageLibrary(kLanguageData));

    EXPECT_EQ(0, RunWithoutMessage(package));
    EXPECT_EQ(testenv::ReadFile(DefaultLibrary()), testenv::ReadFile(target.Path()));
}

TEST(StartupLanguage, EmptyLanguageDllNameGivesResEnuInWindowsFolder) {
    WindowsFolderLibrary target("ResENU.DLL");
    testenv::Package package = MakePackage(Script(""));
    ASSERT_TRUE(package.AddLanguageLibrary(kLanguageData));

    EXPECT_EQ(0, RunWithoutMessage(package));
    EXPECT_EQ(testenv::ReadFile(DefaultLibrary()), testenv::ReadFile(target.Path()));
}

TEST(StartupLanguage, MissingLanguageIndexEndsWithLanguageMessage) {
    WindowsFolderLibrary target(LibraryName());
    testenv::Package package = MakePackage(Script(LibraryName(), false));
    ASSERT_TRUE(package.AddLanguageLibrary(kLanguageData));

    ExpectLanguageFailure(package);
    EXPECT_FALSE(win::FileExists(target.Path()));
}

TEST(StartupLanguage, MissingLanguageDataFileEndsWithLanguageMessage) {
    WindowsFolderLibrary target(LibraryName());
    testenv::Package package = MakePackage(Script(LibraryName()));

    ExpectLanguageFailure(package);
    EXPECT_FALSE(win::FileExists(target.Path()));
}

TEST(StartupLanguage, LibraryWithoutCaptionEndsWithLanguageMessage) {
    WindowsFolderLibrary target(LibraryName());
    testenv::Package package = MakePackage(Script(LibraryName()));
    ASSERT_TRUE(package.CopyData(kLanguageData, NoCaptionLibrary()));

    ExpectLanguageFailure(package);
    EXPECT_FALSE(win::FileExists(target.Path()));
}

// A truncated download must not spoil the library every installed product's uninstall loads:
// the good one stays as it was, and no copy of the damaged one is left behind.
TEST(StartupLanguage, DamagedLibraryLeavesTheInstalledOneAsItWas) {
    WindowsFolderLibrary target(LibraryName());
    const std::string good = testenv::ReadFile(DefaultLibrary());
    ASSERT_TRUE(testenv::WriteFile(target.Path(), good));
    ASSERT_TRUE(testenv::SetFileAge(target.Path(), 10));
    const std::vector<std::string> before = WindowsFolderFiles();
    for (const std::string& damaged : {good.substr(0, good.size() / 2), testenv::ReadFile(NoCaptionLibrary())}) {
        testenv::Package package = MakePackage(Script(LibraryName()));
        ASSERT_TRUE(package.WriteData(kLanguageData, damaged));
        ExpectLanguageFailure(package);
        EXPECT_EQ(good, testenv::ReadFile(target.Path()));
        EXPECT_EQ(before, WindowsFolderFiles());
    }
    // The library still works: a good package over it runs to the end.
    testenv::Package package = MakePackage(Script(LibraryName()));
    ASSERT_TRUE(package.AddLanguageLibrary(kLanguageData));
    EXPECT_EQ(0, RunWithoutMessage(package));
}

// The Windows folder holds a library without a caption; whether start-up fails tells
// whether it was kept or replaced by the package's good one.
TEST(StartupLanguage, NewerLibraryInWindowsFolderIsUsedUnchanged) {
    WindowsFolderLibrary target(LibraryName());
    ASSERT_TRUE(testenv::CopyFileTo(NoCaptionLibrary(), target.Path()));
    ASSERT_TRUE(testenv::SetFileAge(target.Path(), 1));
    testenv::Package package = MakePackage(Script(LibraryName()));
    ASSERT_TRUE(package.AddLanguageLibrary(kLanguageData));
    ASSERT_TRUE(testenv::SetFileAge(package.DataPath(kLanguageData), 10));

    ExpectLanguageFailure(package);
    EXPECT_EQ(testenv::ReadFile(NoCaptionLibrary()), testenv::ReadFile(target.Path()));
}

TEST(StartupLanguage, OlderLibraryInWindowsFolderIsReplaced) {
    WindowsFolderLibrary target(LibraryName());
    ASSERT_TRUE(testenv::CopyFileTo(NoCaptionLibrary(), target.Path()));
    ASSERT_TRUE(testenv::SetFileAge(target.Path(), 10));
    testenv::Package package = MakePackage(Script(LibraryName()));
    ASSERT_TRUE(package.AddLanguageLibrary(kLanguageData));
    ASSERT_TRUE(testenv::SetFileAge(package.DataPath(kLanguageData), 1));

    EXPECT_EQ(0, RunWithoutMessage(package));
    EXPECT_EQ(testenv::ReadFile(DefaultLibrary()), testenv::ReadFile(target.Path()));
}

}  // namespace
