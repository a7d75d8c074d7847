// What Windows reads from setup.exe before it runs it, and where the program loads libraries
// from: the manifest and the version resource of both builds, libraries planted beside the
// program under system names, and the wizard's pages at 144 DPI.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SetupVersion.h"
#include "base/Text.h"
#include "mkpackage/Manifest.h"
#include "mkpackage/Package.h"
#include "support/Installed.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "support/Wizard.h"
#include "win/Files.h"
#include "win/Registry.h"

namespace {

struct Expected {
    const char* name;  // a manifest element, or a version string's name
    const char* text;  // what the manifest holds, or the string's value
};

const Expected kManifest[] = {
    {"elevation", "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"},
    {"common controls", "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" processorArchitecture=\"*\""},
    {"DPI", "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"},
    {"Vista", "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>"},
    {"7", "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>"},
    {"8", "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>"},
    {"8.1", "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>"},
    {"10 and 11", "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"},
};

const Expected kVersion[] = {
    {"FileVersion", SETUP_VERSION_TEXT},
    {"ProductVersion", SETUP_VERSION_TEXT},
    {"FileDescription", "Handheld software setup"},
    {"ProductName", "Handheld Software Setup"},
    {"CompanyName", "Handheld Setup Authors"},
    {"OriginalFilename", "setup.exe"},
    {"LegalCopyright", "Copyright (C) 2026 Handheld Setup Authors"},
};

std::string ManifestOf(const std::string& program) {
    win::UniqueModule image(LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    HRSRC found = image ? FindResourceA(image.get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)) : nullptr;
    HGLOBAL data = found ? LoadResource(image.get(), found) : nullptr;
    if (!data) return std::string();
    return std::string(static_cast<const char*>(LockResource(data)), SizeofResource(image.get(), found));
}

std::string VersionString(const std::string& program, const std::string& name) {
    std::string block(GetFileVersionInfoSizeA(program.c_str(), nullptr), '\0');
    void* value = nullptr;
    UINT size = 0;
    if (block.empty() || !GetFileVersionInfoA(program.c_str(), 0, static_cast<DWORD>(block.size()), &block[0]) ||
        !VerQueryValueA(block.data(), ("\\StringFileInfo\\040904B0\\" + name).c_str(), &value, &size) || size == 0)
        return std::string();
    return std::string(static_cast<const char*>(value), size - 1);
}

TEST(ProgramResources, BothBuildsCarryTheManifestAndTheVersion) {
    for (const std::string& program : {testenv::BinFolder() + "setup.exe", std::string(SETUP_I686_PROGRAM)}) {
        const std::string manifest = ManifestOf(program);
        ASSERT_FALSE(manifest.empty()) << program;
        for (const Expected& e : kManifest) EXPECT_NE(std::string::npos, manifest.find(e.text)) << program << ": " << e.name;
        for (const Expected& e : kVersion) EXPECT_EQ(e.text, VersionString(program, e.name)) << program << ": " << e.name;
    }
}

// The sample package, built by mkpackage, beside a test folder to install into.
struct SamplePackage {
    std::string root = testenv::FreshFolder();
    std::string package = root + "\\package";
    std::string install = root + "\\Installed";
    std::string entryKey = std::string(installed::kUninstallKey) + "\\Northwind Mobile Field Notes for BlackBerry";
    installed::Cleanup cleanup;

    SamplePackage() { cleanup.trees.emplace_back(HKEY_LOCAL_MACHINE, entryKey); }

    bool Build(std::string* error) const {
        mkpackage::PackagePlan plan;
        return mkpackage::ReadManifest(SETUP_SOURCE_DIR "\\sample\\package.toml", {testenv::BinFolder() + "ResENU.DLL"},
                                       &plan, error) &&
               mkpackage::WritePackage(plan, testenv::BinFolder() + "setup.exe", package, error);
    }

    // Takes the installation back through its registered quiet uninstall.
    int Uninstall() const {
        const std::string command = installed::RegistryText(HKEY_LOCAL_MACHINE, entryKey, "QuietUninstallString");
        return command.empty() ? -1 : ui::RunQuietUninstall(command).exitCode;
    }
};

// Libraries that the program, or the system for it, loads after start: a copy of each beside
// setup.exe, which Wine is told to prefer over its own for setup.exe, as Windows' search order
// would (programs of other tests find no copy and keep Wine's). Not version.dll: Wine's own
// user32 imports it, so it is loaded with the program's imports, before its first instruction
// (Windows' user32 does not import it).
const char* const kPlanted[] = {"riched32", "riched20", "msftedit", "uxtheme", "dwmapi", "cryptbase", "propsys",
                                "rsaenh",   "bcrypt",   "secur32",  "userenv", "oleacc", "winmm"};
const char kOverrides[] = "Software\\Wine\\AppDefaults\\setup.exe\\DllOverrides";

TEST(PlantedLibraries, NoneIsLoadedByTheWizardOrAQuietRun) {
    SamplePackage kit;
    kit.cleanup.trees.emplace_back(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\setup.exe");
    std::string error;
    ASSERT_TRUE(kit.Build(&error)) << error;
    win::UniqueKey overrides;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                             overrides.put(), nullptr));
    for (const char* name : kPlanted) {
        ASSERT_TRUE(testenv::CopyFileTo(testenv::BinFolder() + "planted.dll", kit.package + "\\" + name + ".dll"));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(overrides.get(), name, 0, REG_SZ,
                                                reinterpret_cast<const BYTE*>("native,builtin"), 15));
    }

    ui::SetupProcess wizard;
    ASSERT_TRUE(wizard.Start(kit.package + "\\setup.exe", "/D=" + kit.install, kit.package));
    const testenv::WizardWalk walk = testenv::WalkWizard(wizard);
    EXPECT_EQ(0, walk.exitCode);
    EXPECT_EQ(0, kit.Uninstall());
    EXPECT_EQ(0, ui::RunQuietly(kit.package + "\\setup.exe", "/S /D=" + kit.install, kit.package).exitCode);
    EXPECT_EQ(0, kit.Uninstall());
    for (const char* name : kPlanted)
        EXPECT_FALSE(win::FileExists(kit.package + "\\" + name + ".dll.loaded")) << name << " was loaded";
}

// Wine's pixels per inch for programs started from now on; 0 removes the setting.
void SetScreenDpi(DWORD dpi) {
    win::UniqueKey key;
    ASSERT_TRUE(win::OpenKey(HKEY_CURRENT_USER, "Control Panel\\Desktop", KEY_SET_VALUE, &key));
    if (dpi)
        RegSetValueExA(key.get(), "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
    else
        RegDeleteValueA(key.get(), "LogPixels");
}

// Every visible control of a page that the user reads or works, in the page's client
// coordinates; not the unnumbered statics (the white panel, frames and lines), which lie
// under the others by design.
std::vector<std::pair<HWND, RECT>> Controls(HWND page) {
    std::vector<std::pair<HWND, RECT>> controls;
    for (HWND child : ui::Children(page)) {
        if (!IsWindowVisible(child) || GetDlgCtrlID(child) == -1) continue;
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
        controls.emplace_back(child, r);
    }
    return controls;
}

// At 144 DPI every page keeps its controls inside its client area, none over another.
TEST(Dpi144, EveryControlLiesInsideItsPageAndNoneOverlap) {
    SamplePackage kit;
    std::string error;
    ASSERT_TRUE(kit.Build(&error)) << error;
    SetScreenDpi(144);
    std::string faults;
    int pages = 0;
    const testenv::PageWatcher check = [&](HWND page, const std::string& name) {
        ++pages;
        RECT client;
        GetClientRect(page, &client);
        const auto controls = Controls(page);
        for (size_t i = 0; i < controls.size(); ++i) {
            const RECT& r = controls[i].second;
            const std::string what = name + " control " + std::to_string(GetDlgCtrlID(controls[i].first));
            if (r.left < 0 || r.top < 0 || r.right > client.right || r.bottom > client.bottom)
                faults += what + " lies outside the page\n";
            for (size_t j = i + 1; j < controls.size(); ++j) {
                // Controls that abut in dialog units may share a pixel column after rounding.
                RECT overlap;
                if (IntersectRect(&overlap, &r, &controls[j].second) && overlap.right - overlap.left > 1 &&
                    overlap.bottom - overlap.top > 1)
                    faults += what + " overlaps control " + std::to_string(GetDlgCtrlID(controls[j].first)) + "\n";
            }
        }
    };
    ui::SetupProcess wizard;
    const bool started = wizard.Start(kit.package + "\\setup.exe", "/D=" + kit.install, kit.package);
    const testenv::WizardWalk walk = started ? testenv::WalkWizard(wizard, ui::kDefaultTimeoutMs, check)
                                             : testenv::WizardWalk();
    SetScreenDpi(0);
    ASSERT_TRUE(started);
    EXPECT_EQ(0, walk.exitCode);
    EXPECT_GE(pages, 4);  // welcome, licence, destination, progress
    EXPECT_EQ("", faults);
    EXPECT_EQ(0, kit.Uninstall());
}

}  // namespace
