#include "support/Product.h"

#include <windows.h>

#include "base/Text.h"
#include "engine/Section.h"
#include "engine/UninstallEntry.h"
#include "log/InstallLog.h"
#include "script/Project.h"
#include "script/ScriptWriter.h"
#include "support/InstallRun.h"
#include "support/Package.h"
#include "support/SharedDlls.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "win/Files.h"
#include "win/Registry.h"

namespace product {

namespace {

constexpr int kMissingData = 99;
constexpr int kLanguageData = 90;

std::string EntryKey(const Product& product) {
    return std::string(kUninstallListKey) + "\\" + product.displayName;
}

}  // namespace

Product Describe(const std::string& root, const std::string& company, const std::string& title,
                 const std::string& sharedName, installed::Cleanup* cleanup) {
    Product p;
    p.root = root;
    p.company = company;
    p.title = title;
    p.sharedName = sharedName;
    p.displayName = company + " " + title + " for BlackBerry";
    p.install = root + "\\Program Files\\" + company + "\\" + title;
    p.menu = installed::ProgramsFolder() + "\\" + company + "\\" + title;
    p.systemFile = root + "\\system32\\" + sharedName;
    p.startupLink = root + "\\Startup\\" + title + ".lnk";
    p.tempLog = root + "\\temp_" + title + ".log";
    p.installLog = p.install + "\\install.log";
    // Windows has the list of installed programs; a fresh prefix may not have it yet.
    win::UniqueKey list;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallListKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, list.put(), nullptr);
    CreateDirectoryA((root + "\\system32").c_str(), nullptr);
    CreateDirectoryA((root + "\\Startup").c_str(), nullptr);
    cleanup->trees.emplace_back(HKEY_LOCAL_MACHINE, EntryKey(p));
    cleanup->values.emplace_back(installed::kSelfRegKey, sharedName);
    cleanup->sharedCounts.push_back(p.systemFile);
    cleanup->folders.push_back(installed::ProgramsFolder() + "\\" + company);
    return p;
}

namespace {

// The package of one run, as the authoring tool lays it out for setup.exe.
bool LayPackage(const Product& product, const Run& run, testenv::Package* package) {
    CreateDirectoryA(package->Folder().c_str(), nullptr);
    script::ScriptWriter script;
    script.Set("Title", product.title);
    script.Set("Company", product.company);
    script.Set("LanguageDLLIndex", kLanguageData);
    script.Set("DefTargetDir", product.install);
    const int systemRoot = script.AddFolder(kSectionSystem, "");
    script::ScriptFile shared{product.sharedName, systemRoot, 2, kKindRegistrable};
    shared.registerSelf = 1;
    shared.replaceMode = 2;  // every product copies it, so every log holds its CopyFile record
    script.AddFile(kSectionSystem, shared);

    const int appRoot = script.AddFolder(kSectionApplication, "");
    const int docs = script.AddFolder(kSectionApplication, "docs");
    script::ScriptFile program{product.title + ".exe", appRoot, 3};
    program.menuShortcut = 1;
    program.startupShortcut = 1;
    script.AddFile(kSectionApplication, program);
    script::ScriptFile readme{"Readme.txt", docs, 4};
    readme.menuShortcut = 1;
    script.AddFile(kSectionApplication, readme);
    int number = 5;
    if (!run.extraFiles.empty()) {
        const int more = script.AddFolder(kSectionApplication, "more");
        for (const std::string& name : run.extraFiles) script.AddFile(kSectionApplication, {name, more, number++});
    }
    if (run.failAtEnd) {
        const int conduits = script.AddFolder(kSectionConduit, product.root + "\\conduits");
        script.AddFile(kSectionConduit, {"missing.txt", conduits, kMissingData});
    }
    for (int data = 3; data < number; ++data) {
        const std::string bytes = data >= 5 && run.extraSize > 0 ? std::string(run.extraSize, static_cast<char>('a' + data % 26))
                                                                 : "data file " + std::to_string(data);
        if (!package->WriteData(data, bytes)) return false;
    }
    return package->CopyData(2, testenv::BinFolder() + "selfreg_value.dll") &&
           package->AddLanguageLibrary(kLanguageData) && package->AddSetup() && package->WriteScript(script.Text());
}

testenv::Package PackageOf(const Product& product, const Run& run) {
    return testenv::Package(
        text::Format("%s\\package_%s_%d", product.root.c_str(), product.title.c_str(), run.package));
}

}  // namespace

bool Install(const Product& product, const Run& run) {
    testenv::Package package = PackageOf(product, run);
    if (!LayPackage(product, run, &package)) return false;
    Project project;
    if (project.Load(package.PathOf("00000001"), true) != 0) return false;
    SectionPlaces places;
    places.dataFolder = package.Folder() + "\\";
    places.startupFolder = product.startupLink.substr(0, product.startupLink.rfind('\\'));
    places.systemFolder = product.systemFile.substr(0, product.systemFile.rfind('\\'));

    InstallRun installation(product.root, product.tempLog);
    InstallContext& context = installation.context;
    if (!win::FileExists(product.installLog)) installation.log.Record(kRecordApplication, product.displayName.c_str());
    if (!InstallPlanned(context, project, product.install, places)) return false;
    PrepareUnInstall(context, project, testenv::BinFolder() + "setup.exe", product.install,
                     testenv::BinFolder() + "ResENU.DLL", 0);
    installation.log.Close();
    return AppendLogFile(product.tempLog, product.installLog);
}

testenv::Package LayRun(const Product& product, const Run& run) {
    testenv::Package package = PackageOf(product, run);
    return LayPackage(product, run, &package) ? package : testenv::Package("");
}

ui::QuietRun InstallQuietly(const Product& product, const Run& run) {
    const testenv::Package package = LayRun(product, run);
    if (package.Folder().empty()) return ui::QuietRun();
    return ui::RunQuietly(package.SetupPath(), "/S /D=" + product.install, package.Folder());
}

ui::QuietRun UninstallQuietly(const Product& product) {
    return ui::RunQuietUninstall(installed::UninstallValue(product.displayName, "QuietUninstallString"));
}

testenv::WizardWalk InstallThroughWizard(const Product& product, const Run& run) {
    testenv::Package package = PackageOf(product, run);
    ui::SetupProcess setup;
    if (!LayPackage(product, run, &package) || !setup.Start(package.SetupPath(), "", package.Folder()))
        return testenv::WizardWalk();
    return testenv::WalkWizard(setup);
}

void UseMachineFolders(Product* product, installed::Cleanup* cleanup) {
    product->systemFile = win::SystemFolder() + "\\" + product->sharedName;
    char startup[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, startup, CSIDL_STARTUP, TRUE);
    product->startupLink = std::string(startup) + "\\" + product->title + ".lnk";
    cleanup->sharedCounts.push_back(product->systemFile);
    cleanup->files.push_back(product->systemFile);
    cleanup->files.push_back(product->startupLink);
}

bool RegisteredCommand(const Product& product, std::string* program, std::string* arguments) {
    win::UniqueKey entry;
    std::string command;
    if (!win::OpenKey(HKEY_LOCAL_MACHINE, EntryKey(product), KEY_READ, &entry) ||
        !win::ReadString(entry.get(), "UninstallString", MAX_PATH, &command))
        return false;
    const size_t split = command.find(" -u");
    if (split == std::string::npos) return false;
    *program = command.substr(0, split);
    *arguments = command.substr(split + 1);
    return true;
}

ui::SingleMessageRun Uninstall(const Product& product) {
    std::string program;
    std::string arguments;
    EXPECT_TRUE(RegisteredCommand(product, &program, &arguments));
    return ui::RunExpectingOneMessage(program, arguments, "");
}

void ExpectDone(const ui::SingleMessageRun& run, const std::string& caption) {
    ASSERT_TRUE(run.sawBox);
    EXPECT_EQ(caption, run.box.caption);
    EXPECT_EQ(testenv::LibraryString(25), run.box.text);
    EXPECT_EQ(std::vector<std::string>{"OK"}, run.box.buttons);
    EXPECT_EQ(0, run.exitCode);
}

std::vector<std::string> Remains(const Product& p) {
    std::vector<std::string> remains;
    auto check = [&](const char* what, const std::string& path) {
        if (win::FileExists(path)) remains.push_back(std::string(what) + " " + path);
    };
    check("file", p.systemFile);
    check("folder", p.root + "\\Program Files\\" + p.company);
    check("folder", p.install);
    check("file", p.install + "\\" + p.title + ".exe");
    check("folder", p.install + "\\docs");
    check("file", p.install + "\\docs\\Readme.txt");
    check("folder", p.install + "\\more");
    check("file", p.installLog);
    check("folder", installed::ProgramsFolder() + "\\" + p.company);
    check("folder", p.menu);
    check("link", p.menu + "\\" + p.title + ".lnk");
    check("link", p.menu + "\\Readme.lnk");
    check("link", p.startupLink);
    check("folder", p.root + "\\conduits");

    DWORD count = 0;
    if (sharedkey::Read(p.systemFile, &count)) remains.push_back("count " + std::to_string(count));
    std::string registered;
    if (installed::ReadSelfRegValue(p.sharedName, &registered)) remains.push_back("registration");
    win::UniqueKey entry;
    if (win::OpenKey(HKEY_LOCAL_MACHINE, EntryKey(p), KEY_READ, &entry)) remains.push_back("entry");
    return remains;
}

}  // namespace product
