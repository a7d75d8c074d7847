// mkpackage --check against packages broken in one place each: every code of the loader with
// the key it stands on, a missing data file, a language library index that names nothing; and
// a package mkpackage sealed, damaged in the ways packages travel badly.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TestFolder.h"
#include "mkpackage/Check.h"
#include "mkpackage/Manifest.h"
#include "mkpackage/Package.h"
#include "script/ScriptWriter.h"

namespace {

struct BrokenPackage {
    const char* name;
    int script;           // 1: the main script, 5: the component's
    const char* section;  // the line put in, over the good one of the same key
    const char* key;
    const char* value;
    const char* expected;  // in the report
};

const BrokenPackage kBroken[] = {
    {"image", 1, "Project", "BackgroundImage", "back.bmp", "0x80660001 at [Project] BackgroundImage in 00000001"},
    {"no title in a component", 5, "Project", "Title", "", "0x80660002 at [Project] Title in 00000005"},
    {"component", 1, "Project", "Component1", "Part", "0x80660003 at [Project] Component1 in 00000001"},
    {"palm", 1, "Palm", "File1", "p.prc", "0x80660004 at [Palm] File1 in 00000001"},
    {"folder without comma", 1, "Application", "Folder0", "\"bin\"x", "0x80660005 at [Application] Folder0"},
    {"common fields", 5, "Application", "File0", "\"a\",x", "0x80660006 at [Application] File0 in 00000005"},
    {"plain tail", 1, "Application", "File0", "\"a\",0,3,0,1,0,x,", "0x80660007 at [Application] File0"},
    {"library tail", 1, "Application", "File0", "\"a\",0,3,2,1,0,x,", "0x80660008 at [Application] File0"},
    {"conduit fields", 1, "Conduit", "File0", "\"a\",0,3,1,1,0,x", "0x80660009 at [Conduit] File0"},
    {"kind", 1, "Application", "File0", "\"a\",0,3,5,1,0,", "0x8066000A at [Application] File0"},
    {"licence", 1, "Project", "EULA", "first", "0x8066000B at [Project] EULA"},
    {"readme", 1, "Project", "Readme", "0;1", "0x8066000C at [Project] Readme"},
    {"missing data file", 5, "Application", "File0", "\"b.txt\",0,9,0,1,0,0,\"\",",
     "missing data file 00000009 for [Application] File0 \"b.txt\" in 00000005"},
    {"no language library", 1, "Project", "LanguageDLLIndex", "-1", "LanguageDLLIndex names no language library"},
    {"language library missing", 1, "Project", "LanguageDLLIndex", "7", "missing data file 00000007 for LanguageDLLIndex"},
    {"component rules", 1, "Project", "Group0_MinComp", "2", "no choice of components passes the component rules"},
};

void PrintTo(const BrokenPackage& c, std::ostream* out) { *out << c.name; }

// A package that installs: a main script with a component (script 5), each with a file.
void LayPackage(const testfolder::Folder& folder, const BrokenPackage* broken) {
    script::ScriptWriter main;
    main.Set("Title", "Kit");
    main.Set("LanguageDLLIndex", 2);
    main.Set("Multicomp", 1);
    main.AddComponent({"Part", 5});
    main.AddFile(kSectionApplication, {"a.txt", main.AddFolder(kSectionApplication, ""), 3});
    main.SetReadme(kSectionApplication, 0);
    script::ScriptWriter part;
    part.Set("Title", "Part");
    part.AddFile(kSectionApplication, {"b.txt", part.AddFolder(kSectionApplication, ""), 4});
    if (broken) (broken->script == 1 ? main : part).SetRaw(broken->section, broken->key, broken->value);
    folder.Write("pkg/00000001", main.Text());
    folder.Write("pkg/00000005", part.Text());
    folder.Write("pkg/setup.exe", "setup");
    folder.Write("pkg/00000002", "library");
    folder.Write("pkg/00000003", "alpha");
    folder.Write("pkg/00000004", "beta");
}

TEST(PackageCheck, PassesAGoodPackageWithItsSummary) {
    testfolder::Folder folder;
    LayPackage(folder, nullptr);
    std::string report;
    EXPECT_TRUE(mkpackage::CheckPackage(folder.Path("pkg"), &report));
    EXPECT_EQ("title: Kit\n"
              "files: Application 1 System 0 Conduit 0 MountedDevice 0\n"
              "component \"Part\" (00000005, selected)\n"
              "  title: Part\n"
              "  files: Application 1 System 0 Conduit 0 MountedDevice 0\n"
              "size: " + std::to_string(std::filesystem::file_size(folder.Path("pkg/00000001")) +
                                        std::filesystem::file_size(folder.Path("pkg/00000005")) + 5 + 7 + 5 + 4) +
                  " bytes in 6 files\n"
              "would install\n",
              report);
}

// A script that is a folder: a component's reads as an empty script, the main one is named.
TEST(PackageCheck, NamesAScriptThatIsAFolder) {
    testfolder::Folder folder;
    LayPackage(folder, nullptr);
    const char* expected[] = {"refused: 0x80660002 at [Project] Title in 00000005",
                              "refused: no install script: 00000001 is not a file\n"};
    int n = 0;
    for (const char* script : {"pkg/00000005", "pkg/00000001"}) {
        std::filesystem::remove(folder.Path(script));
        std::filesystem::create_directory(folder.Path(script));
        std::string report;
        EXPECT_FALSE(mkpackage::CheckPackage(folder.Path("pkg"), &report));
        EXPECT_NE(std::string::npos, report.find(expected[n++])) << report;
    }
}

class PackageCheckRefuses : public ::testing::TestWithParam<BrokenPackage> {};

TEST_P(PackageCheckRefuses, NamesWhatTheProgramWouldRefuse) {
    const BrokenPackage& broken = GetParam();
    testfolder::Folder folder;
    LayPackage(folder, &broken);
    std::string report;
    EXPECT_FALSE(mkpackage::CheckPackage(folder.Path("pkg"), &report));
    EXPECT_NE(std::string::npos, report.find(broken.expected)) << report;
    EXPECT_NE(std::string::npos, report.find("would not install: 1 problem\n")) << report;
}

INSTANTIATE_TEST_SUITE_P(Table, PackageCheckRefuses, ::testing::ValuesIn(kBroken),
                         [](const ::testing::TestParamInfo<BrokenPackage>& param) {
                             return testfolder::CaseName(param.param.name);
                         });

// Language library 2 ("library"), images 3 and 4, section files 5 to 7 (6: notes.txt), the component's script
// 8 and its file 9 (testfolder::kFullManifest).
TEST(PackageCheck, NamesEveryDataFileWhoseSizeOrDigestIsNotTheSealedOne) {
    testfolder::Folder folder;
    folder.Sources();
    mkpackage::PackagePlan plan;
    std::string error;
    ASSERT_TRUE(mkpackage::ReadManifest(folder.Write("package.toml", testfolder::kFullManifest),
                                        {folder.Path("lib.dll")}, &plan, &error))
        << error;
    const std::filesystem::path pkg = folder.Path("pkg");
    ASSERT_TRUE(mkpackage::WritePackage(plan, folder.Path("setup.exe"), pkg.string(), &error)) << error;
    // The digest of "library", as any SHA-256 tool gives it.
    EXPECT_NE(std::string::npos,
              testfolder::Read(pkg / "00000001")
                  .find("\r\n[Integrity]\r\n00000002=7,b718f1354f7247312eca086d9a024afe5fa717ddea5adeddd6f12bcf945b2e8c\r\n"));
    EXPECT_NE(std::string::npos, testfolder::Read(pkg / "00000008").find("\r\n[Integrity]\r\n00000009=4,"));
    std::string report;
    ASSERT_TRUE(mkpackage::CheckPackage(pkg.string(), &report)) << report;

    folder.Write("pkg/00000002", "librar");   // cut short
    folder.Write("pkg/00000005", "alphA");    // one byte changed
    std::filesystem::remove(pkg / "00000006");  // missing
    folder.Write("pkg/00000009", "mere");     // a component's file
    std::string script = testfolder::Read(pkg / "00000008");
    script[script.find("Extras")] = 'e';      // the component's script itself
    folder.Write("pkg/00000008", script);
    report.clear();
    EXPECT_FALSE(mkpackage::CheckPackage(pkg.string(), &report));
    for (const char* expected : {
             "refused: damaged data file 00000002 (sealed in 00000001): 6 bytes, sealed with 7\n",
             "refused: damaged data file 00000005 (sealed in 00000001): its SHA-256 is not the one sealed\n",
             "refused: missing data file 00000006 for [Application] File1 \"notes.txt\" in 00000001\n",
             "refused: damaged data file 00000008 (sealed in 00000001): its SHA-256 is not the one sealed\n",
             "refused: damaged data file 00000009 (sealed in 00000008): its SHA-256 is not the one sealed\n",
             "would not install: 5 problems\n",
         })
        EXPECT_NE(std::string::npos, report.find(expected)) << expected << report;
}

}  // namespace
