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
    const char* warning = nullptr;  // the one warning of a good one, after "package.toml:"
};

const std::string kEntry = std::string(kHead) + "[[application]]\nsource = \"a.txt\"\n";
const char kRules[] = "[[component]]\nname = \"X\"\nmanifest = \"extras/package.toml\"\n";

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
                   "description = \"two\\nlines\"\ngroup = 1\nselected = false\n", nullptr,
     "3:1: warning: the preselected components break the component rules: group 1 has 0 components preselected"},
    {"toml syntax", "[package\n", "1:9: the table's name is not closed with ']'"},
    {"string not closed", "[package]\ntitle = \"Demo\n", "2:14: the text is not closed before the end of the line"},
    {"backslash in a path", "[package]\ninstall_dir = \"C:\\Program\"\n", "2:19: a backslash in a \"quoted\" text"},
    {"raw characters, a comment in any script", std::string(kHead) + "company = \"M\xC3\xBCller \xE2\x80\x94 \xC3\xA9\"\n"
     "# \xE6\x97\xA5\n", nullptr},
    {"raw character where the parser trips", std::string(kHead) + "\xC3\xA9 = 1\n", "3:1: unexpected U+00E9 '\xC3\xA9'"},
    {"not UTF-8", "[package]\ntitle = \"Caf\xE9\"\n", "2:13: the byte 0xE9 is not UTF-8 here"},
    {"character beyond Windows-1252", std::string(kHead) + "company = \"Snow \xE2\x98\x83\"\n",
     "3:17: 'company' holds the character U+2603 '\xE2\x98\x83', which Windows-1252, the code page of the"},
    {"escaped character beyond Windows-1252", kEntry + "note = \"\\u00e9\\u2603\"\n", "5:15: 'note' holds the character U+2603"},
    {"did you mean", std::string(kHead) + "license = \"a.txt\"\n", "3:1: unknown key 'license' in [package]; did you mean 'licence'?"},
    {"forbidden character", kEntry + "name = \"a:b.txt\"\n", "5:8: 'name' holds ':', which Windows forbids in names"},
    {"reserved name", kEntry + "name = \"aux.txt\"\n", "5:8: 'name' is a name Windows reserves for a device (aux)"},
    {"reserved source name", std::string(kHead) + "[[system]]\nsource = \"art/../NUL\"\n", "4:10: the file name of 'source' is a name"},
    {"name leaving its folder", kEntry + "name = \"..\\\\evil.bin\"\n", "5:8: 'name' leaves its folder"},
    {"name with a folder", kEntry + "name = \"bin/x.txt\"\n", "5:8: 'name' holds a path separator"},
    {"folder leaving its folder", kEntry + "folder = \"..\"\n", "5:10: 'folder' leaves its folder"},
    {"absolute folder", kEntry + "folder = \"C:\\\\x\"\n", "5:10: 'folder' is a full path"},
    {"absolute conduit folder", std::string(kHead) + "[[conduit]]\nsource = \"a.txt\"\nfolder = \"C:\\\\Palm\"\n", nullptr},
    {"section folder leaving", std::string(kHead) + "[folders]\nsystem = [\"a/../..\"]\n", "4:11: the folder 'a/../..' leaves"},
    {"reserved library name", std::string(kHead) + "language_name = \"CON\"\n", "3:17: 'language_name' is a name"},
    {"one destination twice", kEntry + "folder = \"Docs\"\n[[application]]\nsource = \"b.txt\"\nname = \"A.TXT\"\n"
     "folder = \"docs\"\n", "8:8: application entry 2 installs to the same file as application entry 1 (line 4)"},
    {"no choice passes", std::string(kHead) + "group0_min = 2\n" + kRules, "3:14: no choice of components passes"},
    {"title that is no folder name", "[package]\ntitle = \"Trail: Log?\"\n", nullptr,
     "2:9: warning: the install folder cannot be made: 'Trail: Log?' holds ':'"},
    {"launch naming no file", std::string(kHead) + "launch = \"<InstallDir>\\\\b.txt\"\n[[application]]\nsource = \"a.txt\"\n",
     nullptr,
     "3:10: warning: 'launch' names '<InstallDir>\\b.txt', which is no file the package installs"},
    {"no package", "[[application]]\nsource = \"a.txt\"\n", "1:1: missing table [package]"},
    {"no title", "[package]\nversion = \"1\"\n", "1:1: 'title' is required and must not be empty"},
    {"versions of one to four parts", std::string(kHead) + "version = \"0.65535.10.1\"\n", nullptr},
    {"version with a word", std::string(kHead) + "version = \"2.1 beta\"\n", "3:11: 'version' must be one to four"},
    {"version of five parts", std::string(kHead) + "version = \"1.2.3.4.5\"\n", "3:11: 'version' must be"},
    {"version part beyond 65535", std::string(kHead) + "version = \"65536\"\n", "3:11: 'version' must be"},
    {"version with a leading zero", std::string(kHead) + "version = \"2.01\"\n", "3:11: 'version' must be"},
    {"version with an empty part", std::string(kHead) + "version = \"1..2\"\n", "3:11: 'version' must be"},
    {"empty version", std::string(kHead) + "version = \"\"\n", "3:11: 'version' must be"},
    {"version with a sign", std::string(kHead) + "version = \"-1\"\n", "3:11: 'version' must be"},
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
        EXPECT_EQ(c.warning ? 1u : 0u, plan.warnings.size());
        for (const std::string& warning : plan.warnings)
            EXPECT_NE(std::string::npos, warning.find(manifest + ":" + c.warning)) << warning;
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
    for (const char* name : {"out/00000001", "out/00000012", "out/setup.exe"}) folder.Write(name, "an earlier build");
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
    EXPECT_EQ("Northwind Stra\xDF" "e", loaded.company);
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

// Every file under `root` with its bytes, every folder by its name.
std::string Tree(const fs::path& root) {
    std::set<std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        entries.insert(entry.path().string() + (entry.is_regular_file() ? " " + testfolder::Read(entry.path()) : "/"));
    std::string tree;
    for (const std::string& entry : entries) tree += entry + "\n";
    return tree;
}

// The output folder is replaced whole: one that is or holds the manifest's folder, holds a
// source, lies in a folder of sources or holds what mkpackage did not make is refused before
// anything is written; an empty one is taken.
TEST(PackageLayout, RefusesAnOutputFolderAmongTheSourcesAndLeavesThemAsTheyWere) {
    testfolder::Folder folder;
    folder.Write("setup.exe", "setup");
    folder.Write("kit/files/a.txt", "alpha");
    folder.Write("mine/notes.txt", "the author's");
    const std::string manifest =
        folder.Write("kit/package.toml", std::string(kHead) + "[[application]]\nsource = \"files/a.txt\"\n");
    mkpackage::PackagePlan plan;
    std::string error;
    ASSERT_TRUE(mkpackage::ReadManifest(manifest, {folder.Path("setup.exe")}, &plan, &error)) << error;
    const fs::path before = fs::current_path();
    fs::current_path(folder.Path("kit"));
    const std::string tree = Tree(folder.Path(""));
    const char* const refused[][2] = {{".", "is the manifest's folder"},
                                      {"..", "holds the manifest"},  // the parent, not the temporary folder
                                      {"files", "holds the source"},
                                      {"files/new", "lies inside"},
                                      {"../mine", "exists and is neither empty nor a package mkpackage made"}};
    for (const auto& c : refused) {
        EXPECT_FALSE(mkpackage::WritePackage(plan, "../setup.exe", c[0], &error)) << c[0];
        EXPECT_EQ(0u, error.rfind("refused as the output folder: '" + std::string(c[0]) + "' " + c[1], 0)) << error;
    }
    EXPECT_EQ(tree, Tree(folder.Path("")));
    fs::create_directory("../empty");
    EXPECT_TRUE(mkpackage::WritePackage(plan, "../setup.exe", "../empty", &error)) << error;
    fs::current_path(before);
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
