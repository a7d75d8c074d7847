// The wizard as the user walks through it in setup.exe: the page frame, the text pages, the
// destination page with its folder checks, and Cancel.
#include <gtest/gtest.h>

#include "base/Text.h"
#include "support/Package.h"
#include "script/ScriptWriter.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "support/Wizard.h"
#include "win/Files.h"

namespace {

using testenv::kDestinationMark;
using testenv::kLicenceMark;
using testenv::kProgressMark;
using testenv::kWelcomeMark;
using testenv::TestLibrary;
using ui::SetControlText;
using ui::WaitUntil;

constexpr int kLanguageData = 2;
constexpr int kBrowserTree = 0x3741;  // the tree of the shell's folder browser

script::ScriptWriter BaseScript(const std::string& title, const TestLibrary& library) {
    script::ScriptWriter script;
    script.Set("Title", title);
    script.Set("Company", "Wizard Tests");
    script.Set("LanguageDLL", library.Name());
    script.Set("LanguageDLLIndex", kLanguageData);
    return script;
}

testenv::Package MakePackage(const script::ScriptWriter& script) {
    testenv::Package package(testenv::FreshFolder());
    EXPECT_TRUE(package.AddSetup());
    EXPECT_TRUE(package.AddLanguageLibrary(kLanguageData));
    EXPECT_TRUE(package.WriteScript(script.Text()));
    return package;
}

// The progress page once the installation is over: it says so, nothing is left to go back to
// or cancel, and Finish is the default button, with the focus.
void ExpectFinishedPage(const ui::SetupProcess& process, HWND progress, const std::string& title) {
    ASSERT_TRUE(testenv::WaitForInstallationEnd(process, progress));
    ASSERT_TRUE(WaitUntil([&] { return !ui::IsControlEnabled(progress, IDCANCEL); }));
    EXPECT_EQ("Installation Complete", ui::ControlText(progress, IDC_PAGE_TITLE));
    EXPECT_EQ("Setup has installed " + title + " on your computer.", ui::ControlText(progress, IDC_PROGRESS_TEXT));
    EXPECT_FALSE(ui::IsControlEnabled(progress, IDC_BACK));
    EXPECT_FALSE(ui::IsControlEnabled(progress, IDCANCEL));
    EXPECT_EQ("&Finish", ui::ControlText(progress, IDC_NEXT));
    EXPECT_EQ(MAKELRESULT(IDC_NEXT, DC_HASDEFID), SendMessageA(progress, DM_GETDEFID, 0, 0));
    EXPECT_EQ(GetDlgItem(progress, IDC_NEXT), ui::FocusOf(progress));
}

// The Application files are unpacked beside the program before the wizard shows: a package
// that lacks one ends with a message and exit code 1, not silently with 0.
TEST(WizardFlow, APackageThatCannotBePreparedSaysSoAndEnds) {
    TestLibrary library;
    script::ScriptWriter script = BaseScript("Broken Demo", library);
    script.AddFile(kSectionApplication, {"readme.txt", script.AddFolder(kSectionApplication, ""), 3});
    testenv::Package package = MakePackage(script);  // without data file 3

    ui::SetupProcess process;
    ASSERT_TRUE(process.Start(package.SetupPath(), "", package.Folder()));
    ui::MessageBoxInfo box;
    ASSERT_TRUE(testenv::AnswerBox(process, "OK", &box));
    // The desktop loader's warning comes first in a prefix without the loader.
    if (box.text.find("desktop software") != std::string::npos) {
        ASSERT_TRUE(testenv::AnswerBox(process, "OK", &box));
    }
    EXPECT_NE(std::string::npos, box.text.find("could not be prepared")) << box.text;
    EXPECT_EQ(1, process.WaitForExit());
}

TEST(WizardFlow, WelcomeLicenceDestinationAndCancel) {
    TestLibrary library;
    const std::string target = testenv::FreshFolder("target") + "\\Deep\\Er";
    script::ScriptWriter script = BaseScript("Flow Demo", library);
    script.Set("DefTargetDir", target);
    int folder = script.AddFolder(kSectionApplication, "");
    script.AddFile(kSectionApplication, {"readme.txt", folder, 3});
    script.AddFile(kSectionApplication, {"licence.txt", folder, 4});
    script.SetReadme(kSectionApplication, 0);
    script.SetEula(kSectionApplication, 1);
    testenv::Package package = MakePackage(script);
    ASSERT_TRUE(package.WriteData(3, "Read me first."));
    ASSERT_TRUE(package.WriteData(4, "Plain licence terms.\r\nSecond line."));

    ui::SetupProcess process;
    HWND welcome = testenv::StartWizard(&process, package);
    ASSERT_TRUE(welcome);
    EXPECT_EQ("Flow Demo Setup", ui::WindowText(welcome));
    EXPECT_EQ("Welcome to the Flow Demo Setup", ui::ControlText(welcome, IDC_PAGE_TITLE));
    EXPECT_FALSE(ui::IsControlEnabled(welcome, IDC_BACK));
    EXPECT_TRUE(ui::IsControlVisible(welcome, IDC_README));
    EXPECT_TRUE(ui::IsControlVisible(welcome, IDC_README_LABEL));
    EXPECT_EQ("&Next >", ui::ControlText(welcome, IDC_NEXT));
    // The Application files were unpacked into a folder of the run's, where the readme opens
    // from; the package folder, which may be read-only, is left as it was.
    const std::string unpacked = testenv::UnpackedPath(process, "readme.txt");
    EXPECT_EQ("Read me first.", testenv::ReadFile(unpacked));
    EXPECT_FALSE(win::FileExists(package.PathOf("readme.txt")));

    // The licence: Next only after Accept, and acceptance survives Back.
    HWND licence = testenv::PressAndWait(process, welcome, IDC_NEXT, kLicenceMark);
    ASSERT_TRUE(licence);
    EXPECT_EQ("Plain licence terms.\r\nSecond line.", ui::ControlText(licence, IDC_LICENSE_TEXT));
    EXPECT_FALSE(ui::IsControlEnabled(licence, IDC_NEXT));
    EXPECT_TRUE(ui::IsControlEnabled(licence, IDC_ACCEPT));
    EXPECT_TRUE(ui::IsControlEnabled(licence, IDC_BACK));
    ASSERT_TRUE(ui::SetupProcess::PressId(licence, IDC_ACCEPT));
    EXPECT_TRUE(WaitUntil([&] { return !ui::IsControlEnabled(licence, IDC_ACCEPT); }));
    EXPECT_TRUE(ui::IsControlEnabled(licence, IDC_NEXT));
    welcome = testenv::PressAndWait(process, licence, IDC_BACK, kWelcomeMark);
    ASSERT_TRUE(welcome);
    licence = testenv::PressAndWait(process, welcome, IDC_NEXT, kLicenceMark);
    ASSERT_TRUE(licence);
    EXPECT_TRUE(ui::IsControlEnabled(licence, IDC_NEXT));
    EXPECT_FALSE(ui::IsControlEnabled(licence, IDC_ACCEPT));

    // The destination: the default folder, the page before the last, a missing folder asked for.
    HWND destination = testenv::PressAndWait(process, licence, IDC_NEXT, kDestinationMark);
    ASSERT_TRUE(destination);
    EXPECT_EQ(target, ui::ControlText(destination, IDC_TARGET_DIR));
    EXPECT_TRUE(ui::IsControlVisible(destination, IDC_BROWSE));
    EXPECT_EQ("&Install", ui::ControlText(destination, IDC_NEXT));
    // Browse opens the shell's folder browser at the typed folder; OK puts its choice back.
    // Wine's browser gives up on a folder among many siblings (the temporary folder fills with
    // the suite's folders), so this one sits at the drive's root.
    const std::string browsed = "C:\\" + testenv::UniqueName("browsed");
    ASSERT_TRUE(CreateDirectoryA(browsed.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    SetControlText(destination, IDC_TARGET_DIR, browsed);
    ASSERT_TRUE(ui::SetupProcess::PressId(destination, IDC_BROWSE));
    HWND browser = process.WaitForDialog(kBrowserTree);
    ASSERT_TRUE(browser);
    ASSERT_TRUE(ui::SetupProcess::PressId(browser, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(browser); }));
    EXPECT_EQ(browsed, ui::ControlText(destination, IDC_TARGET_DIR));
    RemoveDirectoryA(browsed.c_str());

    // A folder the uninstaller could not take back, and one holding another product's
    // installation, keep the page before anything is asked or created.
    ui::MessageBoxInfo box;
    const std::string longRoot = testenv::FreshFolder("long");
    const std::string tooLong = longRoot + "\\" + std::string(245 - longRoot.size() - 1, 'x');  // log path: 257
    SetControlText(destination, IDC_TARGET_DIR, tooLong);
    ASSERT_TRUE(ui::SetupProcess::PressId(destination, IDC_NEXT));
    ASSERT_TRUE(testenv::AnswerBox(process, "OK", &box));
    EXPECT_EQ("The destination folder could not be created. Please choose a different folder.", box.text);
    ASSERT_EQ(destination, process.WaitForDialog(kDestinationMark));
    EXPECT_FALSE(win::FileExists(tooLong));
    const std::string taken = testenv::FreshFolder("taken");
    ASSERT_TRUE(testenv::WriteFile(taken + "\\install.log", "Application: Other Soft Notes for BlackBerry\r\n"));
    SetControlText(destination, IDC_TARGET_DIR, taken);
    ASSERT_TRUE(ui::SetupProcess::PressId(destination, IDC_NEXT));
    ASSERT_TRUE(testenv::AnswerBox(process, "OK", &box));
    EXPECT_NE(std::string::npos, box.text.find("holds the installation of Other Soft Notes for BlackBerry")) << box.text;
    ASSERT_EQ(destination, process.WaitForDialog(kDestinationMark));

    // Back asks nothing, whatever the folder, and keeps no folder that Next did not check.
    SetControlText(destination, IDC_TARGET_DIR, testenv::FreshFolder("blocker") + "\\missing");
    licence = testenv::PressAndWait(process, destination, IDC_BACK, kLicenceMark);
    ASSERT_TRUE(licence);
    destination = testenv::PressAndWait(process, licence, IDC_NEXT, kDestinationMark);
    ASSERT_TRUE(destination);
    EXPECT_EQ(target, ui::ControlText(destination, IDC_TARGET_DIR));

    // Cancel answered No keeps the page.
    ASSERT_TRUE(ui::SetupProcess::PressId(destination, IDCANCEL));
    ASSERT_TRUE(testenv::AnswerBox(process, "No", &box));
    EXPECT_EQ("Are you sure you want to cancel Setup?\n\nNothing more will be installed if you cancel now.", box.text);
    ASSERT_EQ(destination, process.WaitForDialog(kDestinationMark));

    // Next asks for a missing folder; No keeps the page and makes nothing.
    EXPECT_FALSE(testenv::PressAndWait(process, destination, IDC_NEXT, kProgressMark, &box));
    EXPECT_EQ("The destination folder does not exist.\n\nDo you want Setup to create it?", box.text);
    EXPECT_EQ((std::vector<std::string>{"Yes", "No"}), box.buttons);
    ASSERT_TRUE(testenv::AnswerBox(process, "No"));
    ASSERT_EQ(destination, process.WaitForDialog(kDestinationMark));
    EXPECT_FALSE(win::FileExists(target));
    ASSERT_TRUE(ui::SetupProcess::PressId(destination, IDC_NEXT));
    ASSERT_TRUE(testenv::AnswerBox(process, "Yes"));
    HWND progress = process.WaitForDialog(kProgressMark);
    ASSERT_TRUE(progress);
    EXPECT_TRUE(win::IsDirectory(target));
    ExpectFinishedPage(process, progress, "Flow Demo");
    ASSERT_TRUE(ui::SetupProcess::PressId(progress, IDC_NEXT));
    EXPECT_EQ(0, process.WaitForExit());
}

TEST(WizardFlow, RtfLicenceThenFinish) {
    TestLibrary library;
    script::ScriptWriter script = BaseScript("Rich Demo", library);
    int folder = script.AddFolder(kSectionSystem, "");
    script.AddFile(kSectionSystem, {"eula.rtf", folder, 3});
    script.SetEula(kSectionSystem, 0);
    testenv::Package package = MakePackage(script);
    ASSERT_TRUE(package.WriteData(3, "{\\rtf1\\ansi {\\b Rich} licence words.\\par}"));

    ui::SetupProcess process;
    HWND welcome = testenv::StartWizard(&process, package);
    ASSERT_TRUE(welcome);
    EXPECT_FALSE(ui::IsControlVisible(welcome, IDC_README));
    EXPECT_FALSE(ui::IsControlVisible(welcome, IDC_README_LABEL));
    HWND licence = testenv::PressAndWait(process, welcome, IDC_NEXT, kLicenceMark);
    ASSERT_TRUE(licence);
    EXPECT_NE("Edit", ui::ClassName(GetDlgItem(licence, IDC_LICENSE_TEXT)));
    EXPECT_NE(std::string::npos, ui::ControlText(licence, IDC_LICENSE_TEXT).find("Rich licence words."));
    EXPECT_EQ("&Install", ui::ControlText(licence, IDC_NEXT));
    ASSERT_TRUE(ui::SetupProcess::PressId(licence, IDC_ACCEPT));
    EXPECT_TRUE(WaitUntil([&] { return !ui::IsControlEnabled(licence, IDC_ACCEPT); }));
    HWND progress = testenv::PressAndWait(process, licence, IDC_NEXT, kProgressMark);
    ASSERT_TRUE(progress);
    ExpectFinishedPage(process, progress, "Rich Demo");
    ASSERT_TRUE(ui::SetupProcess::PressId(progress, IDC_NEXT));
    EXPECT_EQ(0, process.WaitForExit());
}

struct PageGeometry {
    int width = 0;       // of the page window
    int nextLeft = 0;    // Next button, in client coordinates
    int cancelLeft = 0;
    RECT separator = {};  // the one child less than ten pixels high
    RECT logo = {};       // a text-less static at the top left corner; empty when there is none
};

PageGeometry WelcomeGeometry(const testenv::Package& package) {
    PageGeometry geometry;
    ui::SetupProcess process;
    HWND welcome = testenv::StartWizard(&process, package);
    EXPECT_TRUE(welcome);
    if (!welcome) return geometry;
    RECT frame;
    GetWindowRect(welcome, &frame);
    geometry.width = frame.right - frame.left;
    geometry.nextLeft = ui::ControlRect(welcome, IDC_NEXT).left;
    geometry.cancelLeft = ui::ControlRect(welcome, IDCANCEL).left;
    for (HWND child : ui::Children(welcome)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, welcome, reinterpret_cast<POINT*>(&r), 2);
        if (r.bottom - r.top < 10) geometry.separator = r;
        if (r.left == 0 && r.top == 0 && ui::ClassName(child) == "Static" && GetDlgCtrlID(child) == 0 &&
            IsWindowVisible(child) && r.right < geometry.width / 2)
            geometry.logo = r;
    }
    ui::SetupProcess::PressId(welcome, IDCANCEL);
    testenv::AnswerBox(process, "Yes");
    EXPECT_EQ(1602, process.WaitForExit());
    return geometry;
}

// A logo of 30 x 60 is scaled to the height of the white panel above the separator line, so
// half as wide as that; the page grows by its width and everything but Cancel moves with it.
TEST(WizardFlow, ProjectLogoWidensThePageByItsScaledWidth) {
    TestLibrary library;
    script::ScriptWriter script = BaseScript("Logo Demo", library);
    testenv::Package plain = MakePackage(script);
    script.SetLogo("logo.bmp", 7, 0);
    testenv::Package withLogo(testenv::FreshFolder("logo"));
    ASSERT_TRUE(withLogo.AddSetup());
    ASSERT_TRUE(withLogo.AddLanguageLibrary(kLanguageData));
    ASSERT_TRUE(withLogo.WriteScript(script.Text()));
    ASSERT_TRUE(withLogo.WriteData(7, testenv::BitmapFileBytes(30, 60, RGB(200, 0, 0))));

    const PageGeometry before = WelcomeGeometry(plain);
    const PageGeometry after = WelcomeGeometry(withLogo);
    EXPECT_TRUE(IsRectEmpty(&before.logo));
    const int panel = after.separator.top;
    ASSERT_GT(panel, 0);
    const int w = panel / 2;
    EXPECT_EQ(before.separator.top, panel);
    EXPECT_EQ(0, after.logo.left);
    EXPECT_EQ(w, after.logo.right);
    EXPECT_EQ(panel, after.logo.bottom);
    EXPECT_EQ(before.width + w, after.width);
    EXPECT_EQ(before.nextLeft + w, after.nextLeft);
    EXPECT_EQ(before.cancelLeft, after.cancelLeft);
    EXPECT_EQ(0, after.separator.left);
    EXPECT_GE(after.separator.right, after.width - 2 * GetSystemMetrics(SM_CXDLGFRAME) - 2);
}

}  // namespace
