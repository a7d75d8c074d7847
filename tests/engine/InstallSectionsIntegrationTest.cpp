// A generated package installed section by section as the install driver does it: the log
// compared line by line, shortcuts read back, the library's own registration, the shared
// counts, then the uninstall entry and the desktop loader's values.
#include <gtest/gtest.h>

#include <memory>

#include <windows.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/InstallFile.h"
#include "engine/Section.h"
#include "engine/TargetFolder.h"
#include "engine/UninstallEntry.h"
#include "loader/Loader.h"
#include "log/InstallLog.h"
#include "script/ScriptWriter.h"
#include "support/InstallRun.h"
#include "support/Installed.h"
#include "support/Package.h"
#include "support/SharedDlls.h"
#include "support/TestEnv.h"
#include "win/Files.h"
#include "win/Registry.h"

namespace {

using Lines = std::vector<std::string>;

const char kVendorKey[] = "Software\\Research In Motion";
const char kLoaderKey[] = "Software\\Research In Motion\\BlackBerry\\Loader";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

TEST(InstallSections, GeneratedPackageInstallsWithEveryRecordAndRegistration) {
    win::ComInit com;
    ASSERT_TRUE(SUCCEEDED(com.result()));
    installed::Cleanup cleanup;

    const std::string root = testenv::FreshFolder();
    testenv::Package package(root + "\\package");
    ASSERT_TRUE(CreateDirectoryA(package.Folder().c_str(), nullptr));
    const std::string system = root + "\\system32";  // stands in for the system folder
    ASSERT_TRUE(CreateDirectoryA(system.c_str(), nullptr));
    const std::string startup = root + "\\Startup";
    ASSERT_TRUE(CreateDirectoryA(startup.c_str(), nullptr));
    const std::string conduits = root + "\\Conduits";

    const std::string company = testenv::UniqueName("Vendor");
    const std::string title = "Notes";
    const std::string install = root + "\\Program Files\\" + company + "\\" + title;
    const std::string library = testenv::UniqueName("exnotes") + ".dll";
    const std::string programs = installed::ProgramsFolder();
    ASSERT_TRUE(win::IsDirectory(programs)) << programs;
    const std::string menu = programs + "\\" + company + "\\" + title;
    cleanup.folders.push_back(programs + "\\" + company);

    // The keys the installation only opens: the loader's own and SharedDLLs.
    ASSERT_TRUE(sharedkey::Create());
    // Whatever part of the loader's key path the test makes, it removes again.
    for (const char* path : {kVendorKey, kLoaderKey}) {
        win::UniqueKey key;
        if (!win::OpenKey(HKEY_CURRENT_USER, path, KEY_READ, &key)) {
            cleanup.trees.emplace_back(HKEY_CURRENT_USER, path);
            break;
        }
    }
    {
        win::UniqueKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kLoaderKey) + "\\Packages").c_str(),
                                                 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
    }
    const std::string packages = std::string(kLoaderKey) + "\\Packages";
    cleanup.values.emplace_back(packages, title);
    cleanup.values.emplace_back(packages, "lib.ALX");
    cleanup.values.emplace_back(installed::kSelfRegKey, library);
    cleanup.sharedCounts = {system + "\\" + library, conduits + "\\MyConduit.dll"};

    // The package: script and data files.
    script::ScriptWriter script;
    script.Set("Title", title);
    script.Set("Version", "1.0");
    script.Set("Company", company);
    int systemRoot = script.AddFolder(kSectionSystem, "");
    script::ScriptFile registrable{library, systemRoot, 2, kKindRegistrable};
    registrable.registerSelf = 1;
    script.AddFile(kSectionSystem, registrable);
    ASSERT_TRUE(package.CopyData(2, testenv::BinFolder() + "selfreg_value.dll"));

    int appRoot = script.AddFolder(kSectionApplication, "");
    int docs = script.AddFolder(kSectionApplication, "docs");
    script.AddFile(kSectionApplication, {"Notes.alx", appRoot, 3});
    script.AddFile(kSectionApplication, {"Notes.cod", appRoot, 4});
    script.AddFile(kSectionApplication, {"lib.ALX", appRoot, 5});
    script::ScriptFile readme{"Readme.txt", docs, 6};
    readme.menuShortcut = 1;
    script.AddFile(kSectionApplication, readme);
    script::ScriptFile program{"Notes.exe", appRoot, 7};
    program.menuShortcut = 1;
    program.startupShortcut = 1;
    script.AddFile(kSectionApplication, program);

    int conduitFolder = script.AddFolder(kSectionConduit, conduits);
    script.AddFile(kSectionConduit, {"MyConduit.dll", conduitFolder, 8});
    script.AddFile(kSectionConduit, {"readme.txt", conduitFolder, 9});
    for (int number = 3; number <= 9; ++number)
        ASSERT_TRUE(package.WriteData(number, "data file " + std::to_string(number)));
    ASSERT_TRUE(package.WriteScript(script.Text()));

    Project project;
    ASSERT_EQ(0, project.Load(package.PathOf("00000001"), true));
    ASSERT_TRUE(package.AddSetup());
    SectionPlaces places;
    places.dataFolder = package.Folder() + "\\";
    places.startupFolder = startup;
    places.systemFolder = system;
    const std::string languagePath = win::WindowsFolder() + "\\ResENU.DLL";
    const std::string log = root + "\\install.log";
    auto run = std::make_unique<InstallRun>(root, log);
    ASSERT_TRUE(InstallPlanned(run->context, project, install, places));

    const std::string sysLib = system + "\\" + library;
    const Lines expected = {
        "CopyFile: " + sysLib,
        "ModifyShared: " + sysLib + "|1",
        "Register: " + sysLib,
        "CreateFolder: " + root + "\\Program Files",
        "CreateFolder: " + root + "\\Program Files\\" + company,
        "CreateFolder: " + install,
        "CreateFolder: " + install + "\\docs",
        "CopyFile: " + install + "\\Notes.alx",
        "CopyFile: " + install + "\\Notes.cod",
        "CopyFile: " + install + "\\lib.ALX",
        "CopyFile: " + install + "\\docs\\Readme.txt",
        "CreateFolder: " + programs + "\\" + company,
        "CreateFolder: " + menu,
        "CreateShortcut: " + menu + "\\Readme.lnk",
        "CopyFile: " + install + "\\Notes.exe",
        "CreateShortcut: " + menu + "\\Notes.lnk",
        "CreateShortcut: " + startup + "\\Notes.lnk",
        "CreateFolder: " + conduits,
        "CopyFile: " + conduits + "\\MyConduit.dll",
        "ModifyShared: " + conduits + "\\MyConduit.dll|1",
        "CopyFile: " + conduits + "\\readme.txt",
    };
    const Lines actual = installed::LogLines(log);
    for (size_t i = 0; i < expected.size() || i < actual.size(); ++i)
        EXPECT_EQ(i < expected.size() ? expected[i] : "<none>", i < actual.size() ? actual[i] : "<none>")
            << "log line " << i + 1;

    EXPECT_EQ("data file 6", testenv::ReadFile(install + "\\docs\\Readme.txt"));
    EXPECT_TRUE(text::EqualsNoCase(install + "\\docs\\Readme.txt", installed::ShortcutTarget(menu + "\\Readme.lnk")));
    EXPECT_TRUE(text::EqualsNoCase(install + "\\Notes.exe", installed::ShortcutTarget(menu + "\\Notes.lnk")));
    EXPECT_TRUE(text::EqualsNoCase(install + "\\Notes.exe", installed::ShortcutTarget(startup + "\\Notes.lnk")));

    std::string registered;
    EXPECT_TRUE(installed::ReadSelfRegValue(library, &registered));
    EXPECT_TRUE(text::EqualsNoCase(sysLib, registered)) << registered;

    DWORD count = 0;
    EXPECT_TRUE(sharedkey::Read(sysLib, &count));
    EXPECT_EQ(1u, count);
    EXPECT_TRUE(sharedkey::Read(conduits + "\\MyConduit.dll", &count));
    EXPECT_EQ(1u, count);
    EXPECT_FALSE(sharedkey::Read(conduits + "\\readme.txt", &count));

    // After the sections: the uninstall entry and the descriptor files, as the driver does.
    const std::string displayName = company + " " + title + " for BlackBerry";
    cleanup.trees.emplace_back(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + displayName);
    InstallPlan plan;
    ASSERT_TRUE(MakePlan(project, install, places, &plan));
    RegisterAlxFiles(run->journal, plan);
    PrepareUnInstall(run->context, project, package.SetupPath(), install, languagePath, 12);
    run.reset();

    const std::string entry = std::string(kUninstallKey) + "\\" + displayName;
    EXPECT_EQ(displayName, installed::RegistryText(HKEY_LOCAL_MACHINE, entry, "DisplayName"));
    EXPECT_EQ(win::WindowsFolder() + "\\pyxu.exe -u" + install + "\\install.log -l" + languagePath,
              installed::RegistryText(HKEY_LOCAL_MACHINE, entry, "UninstallString"));
    EXPECT_EQ(install, installed::RegistryText(HKEY_LOCAL_MACHINE, entry, "InstallPath"));
    EXPECT_TRUE(win::FileExists(win::WindowsFolder() + "\\pyxu.exe"));

    EXPECT_EQ(install + "\\Notes.alx", installed::RegistryText(HKEY_CURRENT_USER, packages, title.c_str()));
    EXPECT_EQ(install + "\\lib.ALX", installed::RegistryText(HKEY_CURRENT_USER, packages, "lib.ALX"));

    // Registration, uninstall entry and loader values are not install-log records.
    EXPECT_EQ(expected.size(), installed::LogLines(log).size());
}

}  // namespace
