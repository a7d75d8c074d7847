// The manifest rules as one table of manifests, good and bad, and a package built from a
// manifest with every part: its layout, its times, its bytes on a second build, and an output
// folder that is replaced whole or not at all.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "mkpackage/Check.h"
#include "mkpackage/Manifest.h"
#include "mkpackage/Package.h"
#include "script/IniScript.h"
#include "script/ScriptLoader.h"
#include "script/ScriptWriter.h"
#include "TestFolder.h"

namespace fs = std::filesystem;

namespace {

const char kHead[] = "[package]\ntitle = \"Demo\"\n";

struct ManifestCase {
    const char* name;
    std::string text;   // the manifest, beside the sources of SourceFolder
    const char* error;  // the message expected after "package.toml:", or nullptr for a good one
};

const ManifestCase kCases[] = {
    {"smallest", kHead, nullptr},
    {"every package key",
     "[package]\ntitle = \"Demo\"\nversion = \"1\"\ncompany = \"Co\"\ninstall_dir = \"<ProgramFilesDir>\\\\X\"\n"
     "shortcut_dir = \"X\"\nmounted_dir = \"X\"\nwindow_title = \"<Title>\"\nlaunch = \"<InstallDir>\\\\a.txt\"\n"
     "licence = \"a.txt\"\nreadme = \"b.txt\"\nlanguage_library = \"lib.dll\"\nlanguage_name = \"ResDEU.DLL\"\n"
     "background_image = { source = \"art/back.bmp\", placement = 2 }\nlogo = { source = \"art/back.bmp\" }\n"
     "group0_min = 0\nproject_icon = \"x.ico\"\nconduit_installer = \"c.dll\"\nconduit_installer_pattern = \"*.c\"\n"
     "conduit_installer_source = \"lib.dll\"\ncopy_palm_to_pc = false\nrelative_paths = true\n"
     "[[application]]\nsource = \"a.txt\"\n[[system]]\nsource = \"b.txt\"\n",
     nullptr},
    {"every entry key",
     std::string(kHead) + "[folders]\napplication = [\"logs\"]\n[[application]]\nsource = \"lib.dll\"\n"
     "name = \"x.dll\"\nfolder = \"bin\"\nreplace = \"always\"\nkind = \"library\"\nregister = true\n"
     "menu_shortcut = true\nstartup_shortcut = \"all-users\"\nnote = \"n\"\n[[conduit]]\nsource = \"a.txt\"\n"
     "kind = \"conduit\"\nconduit = { text1 = \"t\", number2 = 2, text12 = \"u\" }\n"
     "[[palm]]\nname = \"p.prc\"\nfirst = 3\nfolder = \"Apps\"\n",
     nullptr},
    {"components", std::string(kHead) + "[[component]]\nname = \"Extras\"\nmanifest = \"extras/package.toml\"\n"
                   "description = \"two\\nlines\"\ngroup = 1\nselected = false\n", nullptr},
    {"toml syntax", "[package\n", "1:9: "},
    {"raw character the parser trips on", std::string(kHead) + "company = \"M\xC3\xBCller\"\n",
     "3:13: write the character U+00FC as \\u00FC"},
    {"the same character escaped", std::string(kHead) + "company = \"M\\u00FCller\"\n", nullptr},
    {"no package", "[[application]]\nsource = \"a.txt\"\n", "1:1: missing table [package]"},
    {"no title", "[package]\nversion = \"1\"\n", "1:1: 'title' is required and must not be empty"},
    {"unknown package key", std::string(kHead) + "titel = \"x\"\n", "3:1: unknown key 'titel' in [package]"},
    {"unknown table", std::string(kHead) + "[extra]\n", "3:2: unknown table 'extra'"},
    {"unknown entry key", std::string(kHead) + "[[system]]\nsource = \"a.txt\"\nmenu = 1\n",
     "5:1: unknown key 'menu' in system entry 1"},
    {"missing source", std::string(kHead) + "[[application]]\nsource = \"none.txt\"\n",
     "4:10: source 'none.txt' of application entry 1 is not a readable file"},
    {"entry without source", std::string(kHead) + "[[application]]\nname = \"a\"\n",
     "missing 'source' in application entry 1"},
    {"title too long", "[package]\ntitle = \"" + std::string(80, 't') + "\"\n",
     "2:9: 'title' is longer than 79 characters"},
    {"name too long", std::string(kHead) + "[[application]]\nsource = \"a.txt\"\nname = \"" + std::string(260, 'n') +
                          "\"\n", "5:8: 'name' is longer than 259 characters"},
    {"title in quotes", "[package]\ntitle = \"'Demo'\"\n", "2:9: 'title' is enclosed in quotes"},
    {"title with a blank", "[package]\ntitle = \"Demo \"\n", "2:9: 'title' begins or ends with a blank"},
    {"line break in a name", std::string(kHead) + "[[application]]\nsource = \"a.txt\"\nname = \"a\\nb\"\n",
     "5:8: 'name' holds a control character"},
    {"folder ending in a backslash", std::string(kHead) + "[[application]]\nsource = \"a.txt\"\nfolder = \"bin\\\\\"\n",
     "5:10: 'folder' ends with a backslash"},
    {"section folder too long", std::string(kHead) + "[folders]\nsystem = [\"" + std::string(260, 'f') + "\"]\n",
     "4:11: the folder is longer than 259 characters"},
    {"licence naming no file", std::string(kHead) + "licence = \"x.txt\"\n",
     "3:11: 'licence' names no file of the package: 'x.txt'"},
    {"readme naming two files", std::string(kHead) + "readme = \"a.txt\"\n[[application]]\nsource = \"a.txt\"\n"
                                "[[system]]\nsource = \"a.txt\"\n", "3:10: 'readme' names more than one file"},
    {"bad replace", std::string(kHead) + "[[application]]\nsource = \"a.txt\"\nreplace = \"newer\"\n",
     "5:11: 'replace' must be one of none, older, always, older-ask"},
    {"register on a file", std::string(kHead) + "[[application]]\nsource = \"a.txt\"\nregister = true\n",
     "5:12: 'register' is only for kind = \"library\""},
    {"menu shortcut in system", std::string(kHead) + "[[system]]\nsource = \"a.txt\"\nmenu_shortcut = true\n",
     "5:17: 'menu_shortcut' is only for [[application]]"},
    {"conduit fields on a file",
     std::string(kHead) + "[[conduit]]\nsource = \"a.txt\"\nconduit = { text1 = \"x\" }\n",
     "5:11: 'conduit' is only for kind = \"conduit\""},
    {"placement out of range", std::string(kHead) + "logo = { source = \"art/back.bmp\", placement = 4 }\n",
     "3:47: 'placement' must be from 0 to 3"},
    {"wrong type", std::string(kHead) + "group0_min = \"1\"\n", "3:14: 'group0_min' must be an integer"},
    {"section as a table", std::string(kHead) + "[application]\nsource = \"a.txt\"\n",
     "3:1: 'application' must be written as [[application]] tables"},
    {"conduit installer for another target", std::string(kHead) + "target_os = 1\nconduit_installer = \"c.dll\"\n",
     "4:21: 'conduit_installer' needs target_os = 0"},
    {"missing component manifest", std::string(kHead) + "[[component]]\nname = \"X\"\nmanifest = \"none.toml\"\n",
     "5:12: component manifest 'none.toml' is not a readable file"},
    {"component naming itself", std::string(kHead) + "[[component]]\nname = \"X\"\nmanifest = \"package.toml\"\n",
     "5:12: component manifest 'package.toml' is one of its own components"},
};

void PrintTo(const ManifestCase& c, std::ostream* out) { *out << c.name; }

class ManifestRules : public ::testing::TestWithParam<ManifestCase> {};

TEST_P(ManifestRules, ReadsOrRefusesWithItsPlace) {
    const ManifestCase& c = GetParam();
    testfolder::Folder folder;
    folder.Sources();
    const std::string manifest = folder.Write("package.toml", c.text);
    mkpackage::PackagePlan plan;
    std::string error;
    bool read = mkpackage::ReadManifest(manifest, {folder.Path("lib.dll")}, &plan, &error);
    if (!c.error) {
        EXPECT_TRUE(read) << error;
        return;
    }
    EXPECT_FALSE(read);
    EXPECT_NE(std::string::npos, error.find(manifest + ":")) << error;
    EXPECT_NE(std::string::npos, error.find(c.error)) << error;
}

INSTANTIATE_TEST_SUITE_P(Table, ManifestRules, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ManifestCase>& param) {
                             return testfolder::CaseName(param.param.name);
                         });

std::string Listing(const fs::path& folder) {
    std::string listing;
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    for (const std::string& name : names) listing += name + " " + testfolder::Read(folder / name) + "\n";
    return listing;
}

TEST(PackageLayout, BuildsEveryPartNumberedKeepsTimesAndRebuildsTheSameBytes) {
    testfolder::Folder folder;
    folder.Sources();
    const std::string manifest = folder.Write("package.toml", testfolder::kFullManifest);
    fs::last_write_time(folder.Path("a.txt"), fs::file_time_type::clock::now() - std::chrono::hours(48));
    mkpackage::PackagePlan plan;
    std::string error;
    ASSERT_TRUE(mkpackage::ReadManifest(manifest, {folder.Path("lib.dll")}, &plan, &error)) << error;
    const std::string output = folder.Path("out");
    fs::create_directory(output);
    folder.Write("out/stale", "from an earlier build");
    ASSERT_TRUE(mkpackage::WritePackage(plan, folder.Path("setup.exe"), output, &error)) << error;

    // Language library 2, images 3 and 4, the files of the sections (5 to 7: each source
    // named twice is one data file), then the component's script (8) and its file (9).
    const char* expected[] = {"00000001", "00000002", "00000003", "00000004", "00000005", "00000006", "00000007",
                              "00000008", "00000009", "setup.exe"};
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(output)) names.insert(entry.path().filename().string());
    EXPECT_EQ(std::set<std::string>(std::begin(expected), std::end(expected)), names);
    EXPECT_EQ("library", testfolder::Read(fs::path(output) / "00000002"));
    EXPECT_EQ(fs::last_write_time(folder.Path("a.txt")), fs::last_write_time(fs::path(output) / "00000005"));

    Project loaded;
    ASSERT_EQ(0, script::LoadProject(loaded, script::IniScriptFiles(), output + "/00000001", true));
    EXPECT_EQ("", script::ModelDifference(plan.project, loaded));
    EXPECT_EQ(1, loaded.multicomp);
    EXPECT_EQ(8, loaded.components[0].subScript);
    EXPECT_EQ(9, loaded.components[0].sub->files[kSectionApplication][0].dataFile);
    EXPECT_EQ(7, loaded.files[kSectionConduit][0].dataFile);
    EXPECT_EQ(5, loaded.files[kSectionApplication][0].dataFile);
    EXPECT_EQ(5, loaded.files[kSectionMountedDevice][0].dataFile);
    EXPECT_EQ(kKindRegistrable, loaded.files[kSectionSystem][0].kind);
    EXPECT_EQ(1, loaded.files[kSectionSystem][0].registerSelf);
    EXPECT_EQ("Sample data\r\nfor the field", loaded.components[0].description);

    std::string report;
    EXPECT_TRUE(mkpackage::CheckPackage(output, &report)) << report;

    const std::string again = folder.Path("again");
    ASSERT_TRUE(mkpackage::WritePackage(plan, folder.Path("setup.exe"), again, &error)) << error;
    EXPECT_EQ(Listing(output), Listing(again));

    // A manifest that fails leaves the earlier package as it was, and no temporary folder.
    const std::string before = Listing(output);
    folder.Write("package.toml", std::string(testfolder::kFullManifest) + "[[system]]\nsource = \"gone.txt\"\n");
    EXPECT_FALSE(mkpackage::ReadManifest(manifest, {folder.Path("lib.dll")}, &plan, &error));
    EXPECT_FALSE(mkpackage::WritePackage(plan, folder.Path("missing.exe"), output, &error));
    EXPECT_EQ(before, Listing(output));
    for (const auto& entry : fs::directory_iterator(folder.Path("")))
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find("mkpackage")) << entry.path();
}

TEST(PackageLayout, RefusesALineTheLoaderWouldCutAndWritesNothing) {
    testfolder::Folder folder;
    folder.Sources();
    // Name and description each within their fields, the component line beyond 519 characters.
    const std::string manifest = folder.Write(
        "package.toml", std::string(kHead) + "[[component]]\nname = \"" + std::string(200, 'n') +
                            "\"\nmanifest = \"extras/package.toml\"\ndescription = \"" + std::string(400, 'd') + "\"\n");
    mkpackage::PackagePlan plan;
    std::string error;
    ASSERT_TRUE(mkpackage::ReadManifest(manifest, {folder.Path("lib.dll")}, &plan, &error)) << error;
    EXPECT_FALSE(mkpackage::WritePackage(plan, folder.Path("setup.exe"), folder.Path("out"), &error));
    EXPECT_EQ("the install script cannot hold this manifest's [Project] Component1 of script 00000001: its line is "
              "longer than the setup program reads",
              error);
    EXPECT_FALSE(fs::exists(folder.Path("out")));
}

}  // namespace
