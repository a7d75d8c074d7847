// Roads of the wizard that the other scenarios pass by: the background window behind the pages,
// the readme button, the desktop loader's warning, and the folder offered without DefTargetDir.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/Text.h"
#include "support/Package.h"
#include "script/ScriptWriter.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "support/Wizard.h"
#include "win/Files.h"
#include "win/Gdi.h"
#include "win/Registry.h"

namespace {

using testenv::kDestinationMark;
using testenv::kWelcomeMark;
using ui::WaitUntil;

constexpr int kLanguageData = 2;
const char kVendorKey[] = "Software\\Research In Motion";
const char kLoaderKey[] = "Software\\Research In Motion\\BlackBerry\\Loader";

struct RoadPackage {
    testenv::TestLibrary library;
    std::string company = testenv::UniqueName("Roads");
    script::ScriptWriter script;
    testenv::Package package{testenv::FreshFolder()};

    explicit RoadPackage(const std::string& title) {
        script.Set("Title", title);
        script.Set("Company", company);
        script.Set("LanguageDLL", library.Name());
        script.Set("LanguageDLLIndex", kLanguageData);
    }
    bool Lay() {
        return package.AddSetup() && package.AddLanguageLibrary(kLanguageData) && package.WriteScript(script.Text());
    }
};

// Cancel on a page, confirmed: the run ends as cancelled.
void CancelWizard(ui::SetupProcess& process, HWND page) {
    ASSERT_TRUE(ui::SetupProcess::PressId(page, IDCANCEL));
    ASSERT_TRUE(testenv::AnswerBox(process, "Yes"));
    EXPECT_EQ(1602, process.WaitForExit());
}

COLORREF ScreenPixel(int x, int y) {
    win::WindowDc screen(nullptr);
    return GetPixel(screen.get(), x, y);
}

TEST(WizardRoads, BackgroundWindowHasTheTitleAndTheImageInItsCorner) {
    RoadPackage road("Backdrop Demo");
    road.script.SetBackgroundImage("corner.bmp", 5, 3);  // bottom right, the rest plain
    ASSERT_TRUE(road.Lay());
    ASSERT_TRUE(road.package.WriteData(5, testenv::BitmapFileBytes(40, 40, RGB(0, 0, 255))));

    ui::SetupProcess process;
    HWND welcome = testenv::StartWizard(&process, road.package);
    ASSERT_TRUE(welcome);
    HWND background = GetWindow(welcome, GW_OWNER);
    ASSERT_TRUE(background);
    EXPECT_EQ(text::Format(testenv::LibraryString(16).c_str(), "Backdrop Demo"), ui::WindowText(background));
    // The program's own icon, 32 by 32, as the caption takes it from the program's file.
    win::UniqueModule program(LoadLibraryExA(road.package.SetupPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    HICON shown = static_cast<HICON>(LoadImageA(program.get(), MAKEINTRESOURCEA(1000), IMAGE_ICON, 0, 0, 0));
    ICONINFO icon = {};
    ASSERT_TRUE(shown && GetIconInfo(shown, &icon));
    win::UniqueGdiObject iconColour(icon.hbmColor), iconMask(icon.hbmMask);
    BITMAP colour = {};
    ASSERT_TRUE(GetObjectA(iconColour.get(), sizeof colour, &colour));
    EXPECT_EQ(32, colour.bmWidth);
    EXPECT_EQ(32, colour.bmHeight);
    DestroyIcon(shown);
    RECT client = {};
    GetClientRect(background, &client);
    MapWindowPoints(background, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(client.right - 5, client.bottom - 5) == RGB(0, 0, 255); }));
    EXPECT_EQ(RGB(0, 130, 132), ScreenPixel(client.left + 5, client.bottom - 5));
    EXPECT_EQ(RGB(0, 130, 132), ScreenPixel(client.right - 5, client.bottom - 45));
    CancelWizard(process, welcome);
}

// The readme is opened with whatever Windows opens its kind of file with; a program as the
// readme shows that the button opened the copy unpacked beside setup.exe.
TEST(WizardRoads, ReadmeButtonOpensTheUnpackedReadme) {
    RoadPackage road("Readme Demo");
    road.script.AddFile(kSectionApplication, {"readme.exe", road.script.AddFolder(kSectionApplication, ""), 3});
    road.script.SetReadme(kSectionApplication, 0);
    ASSERT_TRUE(road.Lay());
    ASSERT_TRUE(road.package.CopyData(3, testenv::BinFolder() + "launch_marker.exe"));

    ui::SetupProcess process;
    HWND welcome = testenv::StartWizard(&process, road.package);
    ASSERT_TRUE(welcome);
    ASSERT_TRUE(ui::SetupProcess::PressId(welcome, IDC_README));
    const std::string marker = testenv::UnpackedPath(process, "launched.txt");
    EXPECT_TRUE(WaitUntil([&] { return win::FileExists(marker); }));
    // The wizard stays where it was; its copy of the files goes with it.
    EXPECT_EQ(welcome, process.WaitForDialog(kWelcomeMark));
    CancelWizard(process, welcome);
    EXPECT_FALSE(win::FileExists(marker.substr(0, marker.rfind('\\'))));
}

// Message 3 tells that the desktop loader is missing; with its Packages key there is no box.
TEST(WizardRoads, LoaderWarningShowsOnlyWithoutTheLoader) {
    RoadPackage road("Loader Demo");
    ASSERT_TRUE(road.Lay());
    // The prefix has no desktop software; the loader's tests expect none of its keys either.
    ASSERT_TRUE(testenv::DeleteRegistryTree(HKEY_CURRENT_USER, kVendorKey));

    ui::SetupProcess withoutLoader;
    ASSERT_TRUE(withoutLoader.Start(road.package.SetupPath(), "", road.package.Folder()));
    ui::MessageBoxInfo box;
    EXPECT_FALSE(withoutLoader.WaitForDialog(kWelcomeMark, &box));
    EXPECT_EQ(testenv::LibraryString(3), box.text);
    ASSERT_TRUE(testenv::AnswerBox(withoutLoader, "OK"));
    HWND welcome = withoutLoader.WaitForDialog(kWelcomeMark);
    ASSERT_TRUE(welcome);
    CancelWizard(withoutLoader, welcome);

    win::UniqueKey packages;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kLoaderKey) + "\\Packages").c_str(), 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, packages.put(), nullptr));
    ui::SetupProcess withLoader;
    ASSERT_TRUE(withLoader.Start(road.package.SetupPath(), "", road.package.Folder()));
    welcome = withLoader.WaitForDialog(kWelcomeMark, &box);
    EXPECT_TRUE(welcome) << box.text;
    if (welcome) CancelWizard(withLoader, welcome);
    EXPECT_TRUE(testenv::DeleteRegistryTree(HKEY_CURRENT_USER, kVendorKey));
}

TEST(WizardRoads, WithoutDefTargetDirTheFolderIsProgramFilesCompanyTitle) {
    RoadPackage road("Default Demo");
    road.script.AddFile(kSectionApplication, {"app.exe", road.script.AddFolder(kSectionApplication, ""), 3});
    ASSERT_TRUE(road.Lay());
    ASSERT_TRUE(road.package.WriteData(3, "app"));
    std::string programFiles;
    win::UniqueKey key;
    ASSERT_TRUE(win::OpenKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", KEY_READ, &key));
    ASSERT_TRUE(win::ReadString(key.get(), "ProgramFilesDir", MAX_PATH, &programFiles));

    ui::SetupProcess process;
    HWND welcome = testenv::StartWizard(&process, road.package);
    ASSERT_TRUE(welcome);
    HWND destination = testenv::PressAndWait(process, welcome, IDC_NEXT, kDestinationMark);
    ASSERT_TRUE(destination);
    EXPECT_EQ(programFiles + "\\" + road.company + "\\Default Demo",
              ui::ControlText(destination, IDC_TARGET_DIR));
    CancelWizard(process, destination);
}

}  // namespace
