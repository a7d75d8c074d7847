// Loading real script files from a fresh folder: defaults, every key, limits, numbering,
// script versions, Palm folders, components with their scripts, and every error code. Each
// script is read a second time by the portable reader of the authoring tool, which must see
// what the profile functions see.
#include <gtest/gtest.h>

#include <string>

#include "base/Text.h"
#include "script/IniScript.h"
#include "script/Project.h"
#include "script/ScriptLoader.h"
#include "script/ScriptWriter.h"
#include "support/TestEnv.h"

namespace {

constexpr int32_t Code(uint32_t value) { return static_cast<int32_t>(value); }

// A package folder to write scripts into; each script gets its own data-file number, so no
// file is rewritten while the profile functions may still hold it in their cache.
class ScriptLoad : public testing::Test {
protected:
    void SetUp() override { folder_ = testenv::FreshFolder(); }

    std::string PathOf(int number) const { return folder_ + "\\" + text::DataFileName(number); }

    void WriteScript(int number, const std::string& script) {
        ASSERT_TRUE(testenv::WriteFile(PathOf(number), script));
    }

    int32_t Load(const script::ScriptWriter& script, bool subProjects = true) {
        EXPECT_TRUE(script.Write(PathOf(1)));
        return LoadBothWays(subProjects);
    }

    int32_t LoadText(const std::string& script, bool subProjects = true) {
        EXPECT_TRUE(testenv::WriteFile(PathOf(1), script));
        return LoadBothWays(subProjects);
    }

    int32_t LoadBothWays(bool subProjects) {
        project_ = Project();
        int32_t code = project_.Load(PathOf(1), subProjects);
        Project portable;
        EXPECT_EQ(code, script::LoadProject(portable, script::IniScriptFiles(), PathOf(1), subProjects));
        EXPECT_EQ("", script::ModelDifference(project_, portable));
        return code;
    }

    static script::ScriptWriter Titled(const std::string& title = "Demo") {
        script::ScriptWriter script;
        script.Set("Title", title);
        return script;
    }

    std::string folder_;
    Project project_;
};

TEST_F(ScriptLoad, TitleAloneGivesTheDefaults) {
    ASSERT_EQ(0, LoadText("[Project]\r\nTitle=Demo\r\n"));
    EXPECT_EQ("Demo", project_.title);
    EXPECT_EQ("", project_.version);
    EXPECT_EQ("ResENU.DLL", project_.languageDll);
    EXPECT_EQ("pyxcndin.dll", project_.conduitInstaller);
    EXPECT_EQ("*.$_$", project_.conduitPattern);
    EXPECT_EQ(-1, project_.languageDllIndex);
    EXPECT_EQ(-1, project_.conduitInstallerIndex);
    EXPECT_EQ(1, project_.group0MinComp);
    EXPECT_EQ("<ProgramFilesDir>\\<Company>\\<Title>", project_.defTargetDir);
    EXPECT_EQ("<Title>", project_.defMountedDir);
    EXPECT_EQ("<Company>\\<Title>", project_.defShortcutDir);
    EXPECT_EQ("<Title> <Ver> for Palm OS\xAE", project_.winTitle);
    EXPECT_EQ(1, project_.copyPalmToPc);
    EXPECT_EQ("", project_.launch);
    EXPECT_EQ(0, project_.multicomp);
    EXPECT_EQ(0, project_.ComponentCount());
    EXPECT_TRUE(project_.palmFiles.empty());
    for (int s = 0; s < kSectionCount; ++s) {
        EXPECT_EQ(0, project_.FileCount(static_cast<FileSection>(s)));
        EXPECT_EQ(0, project_.FolderCount(static_cast<FileSection>(s)));
    }
    EXPECT_EQ(-1, project_.licence.fileIndex);
    EXPECT_EQ(-1, project_.readme.fileIndex);
    EXPECT_EQ(-1, project_.backgroundImage.dataFile);
    EXPECT_EQ(-1, project_.logo.dataFile);
}

// A golden script in the authoring tool's form, and the model it must give.
TEST_F(ScriptLoad, CanonicalScriptFillsEveryField) {
    script::ScriptWriter script = Titled("Demo \"Pro\"");
    script.Set("Version", "2.1");
    script.Set("Company", "Acme");
    script.Set("ProjectIcon", "icon.ico");
    script.Set("LanguageDLL", "ResDEU.DLL");
    script.Set("InstallConduit", "cond.dll");
    script.Set("InstallConduitExt", "*.cnd");
    script.Set("LanguageDLLIndex", 2);
    script.Set("InstallConduitIndex", 9);
    script.Set("Group0_MinComp", 0);
    script.Set("DefTargetDir", "C:\\Apps\\<Title>");
    script.Set("DefMountedDir", "Card\\<Title>");
    script.Set("DefShortcutDir", "Acme");
    script.Set("WinTitle", "<Title> setup");
    script.Set("CopyPalmToPC", 0);
    script.SetLaunch("<ProgramFilesDir>\\Acme\\run.exe");
    script.Set("Multicomp", 0);
    script.Set("RelativePaths", 1);
    script.SetBackgroundImage("back.bmp", 7, 2);
    script.SetLogo("logo.bmp", 8, 9);
    const int bin = script.AddFolder(kSectionApplication, "bin");
    script.AddFolder(kSectionApplication, "");
    script::ScriptFile app{"readme.txt", bin, 3};
    app.replaceMode = 2;
    app.menuShortcut = 1;
    app.startupShortcut = 2;
    app.note = "line1\r\nline2";
    script.AddFile(kSectionApplication, app);
    script::ScriptFile lib{"lib\\x.dll", 0, 4, kKindRegistrable};
    lib.registerSelf = 1;
    lib.startupShortcut = 1;
    script.AddFolder(kSectionSystem, "");
    script.AddFile(kSectionSystem, lib);
    script::ScriptFile conduit{"c.dll", 0, 5, kKindConduit};
    conduit.conduit = ConduitSpec{"a", 1, "b", "c", "d", 2, "e", "f", 3, "g", 4, "h\\i"};
    script.AddFolder(kSectionConduit, "conduits");
    script.AddFile(kSectionConduit, conduit);
    script.AddFolder(kSectionMountedDevice, "");
    script.AddFile(kSectionMountedDevice, {"data.bin", 0, 6});
    script.SetEula(kSectionApplication, 0);
    script.SetReadme(kSectionSystem, 0);
    ASSERT_EQ(0, Load(script));

    EXPECT_EQ("Demo \"Pro\"", project_.title);
    EXPECT_EQ("2.1", project_.version);
    EXPECT_EQ("Acme", project_.company);
    EXPECT_EQ("icon.ico", project_.projectIcon);
    EXPECT_EQ("ResDEU.DLL", project_.languageDll);
    EXPECT_EQ("cond.dll", project_.conduitInstaller);
    EXPECT_EQ("*.cnd", project_.conduitPattern);
    EXPECT_EQ(2, project_.languageDllIndex);
    EXPECT_EQ(9, project_.conduitInstallerIndex);
    EXPECT_EQ(0, project_.group0MinComp);
    EXPECT_EQ("C:\\Apps\\<Title>", project_.defTargetDir);
    EXPECT_EQ("Card\\<Title>", project_.defMountedDir);
    EXPECT_EQ("Acme", project_.defShortcutDir);
    EXPECT_EQ("<Title> setup", project_.winTitle);
    EXPECT_EQ(0, project_.copyPalmToPc);
    EXPECT_EQ("<ProgramFilesDir>\\Acme\\run.exe", project_.launch);
    EXPECT_EQ(1, project_.relativePaths);
    EXPECT_EQ("back.bmp", project_.backgroundImage.name);
    EXPECT_EQ(7, project_.backgroundImage.dataFile);
    EXPECT_EQ(2, project_.backgroundImage.mode);
    EXPECT_EQ("logo.bmp", project_.logo.name);
    EXPECT_EQ(0, project_.logo.mode);  // 9 is out of range

    ASSERT_EQ(2, project_.FolderCount(kSectionApplication));
    EXPECT_EQ("bin", project_.folders[kSectionApplication][0]);
    EXPECT_EQ("", project_.folders[kSectionApplication][1]);
    ASSERT_EQ(1, project_.FileCount(kSectionApplication));
    const FileEntry& readme = project_.files[kSectionApplication][0];
    EXPECT_EQ("readme.txt", readme.path);
    EXPECT_EQ(0, readme.folder);
    EXPECT_EQ(3, readme.dataFile);
    EXPECT_EQ(kKindPlain, readme.kind);
    EXPECT_EQ(2, readme.replaceMode);
    EXPECT_EQ(1, readme.menuShortcut);
    EXPECT_EQ(2, readme.startupShortcut);
    EXPECT_EQ("line1\r\nline2", readme.note);

    ASSERT_EQ(1, project_.FileCount(kSectionSystem));
    const FileEntry& library = project_.files[kSectionSystem][0];
    EXPECT_EQ("lib\\x.dll", library.path);
    EXPECT_EQ(kKindRegistrable, library.kind);
    EXPECT_EQ(1, library.registerSelf);
    EXPECT_EQ(1, library.startupShortcut);

    ASSERT_EQ(1, project_.FileCount(kSectionConduit));
    const ConduitSpec& spec = project_.files[kSectionConduit][0].conduit;
    EXPECT_EQ("a", spec.text1);
    EXPECT_EQ(1u, spec.number2);
    EXPECT_EQ("g", spec.text10);
    EXPECT_EQ(4u, spec.number11);
    EXPECT_EQ("h\\i", spec.text12);
    EXPECT_EQ("conduits", project_.folders[kSectionConduit][0]);

    ASSERT_EQ(1, project_.FileCount(kSectionMountedDevice));
    EXPECT_EQ(6, project_.files[kSectionMountedDevice][0].dataFile);

    EXPECT_EQ(0, project_.licence.section);
    EXPECT_EQ(0, project_.licence.fileIndex);
    EXPECT_EQ(1, project_.readme.section);
    EXPECT_EQ(0, project_.readme.fileIndex);
}

TEST_F(ScriptLoad, ValuesAreCutToTheirLimits) {
    script::ScriptWriter script = Titled(std::string(100, 't'));
    script.Set("Version", std::string(100, 'v'));
    script.Set("ProjectIcon", std::string(300, 'i'));
    script.Set("InstallConduitExt", std::string(20, 'e'));
    script.Set("DefTargetDir", std::string(300, 'd'));
    script.Set("WinTitle", std::string(300, 'w'));
    script.SetLaunch(std::string(300, 'l'));
    script.AddFolder(kSectionApplication, std::string(259, 'f'));
    script.AddFile(kSectionApplication, {std::string(259, 'p'), 0, 1});
    ASSERT_EQ(0, Load(script));
    EXPECT_EQ(std::string(79, 't'), project_.title);
    EXPECT_EQ(std::string(79, 'v'), project_.version);
    EXPECT_EQ(std::string(259, 'i'), project_.projectIcon);
    EXPECT_EQ(std::string(15, 'e'), project_.conduitPattern);
    EXPECT_EQ(std::string(259, 'd'), project_.defTargetDir);
    EXPECT_EQ(std::string(259, 'w'), project_.winTitle);
    EXPECT_EQ(std::string(259, 'l'), project_.launch);
    EXPECT_EQ(std::string(259, 'f'), project_.folders[kSectionApplication][0]);
    EXPECT_EQ(std::string(259, 'p'), project_.files[kSectionApplication][0].path);
}

TEST_F(ScriptLoad, ProfileReadingRules) {
    // Key names match without regard to case, blanks around values go, a value enclosed in
    // quotes loses them, and an unquoted or empty Launch leaves no command.
    ASSERT_EQ(0, LoadText("[PROJECT]\r\n  title  =   Demo  \r\nCompany=\"Acme\"\r\nLaunch=run.exe,-1\r\n"
                          "TargetOS=1\r\nInstallConduit=x.dll\r\n"));
    EXPECT_EQ("Demo", project_.title);
    EXPECT_EQ("Acme", project_.company);
    EXPECT_EQ("", project_.launch);
    // TargetOS other than 0 skips the conduit-installer keys: they keep their values.
    EXPECT_EQ("", project_.conduitInstaller);
    EXPECT_EQ("", project_.conduitPattern);
}

TEST_F(ScriptLoad, NumberedListsEndAtTheFirstMissingOrEmptyValue) {
    ASSERT_EQ(0, LoadText("[Project]\r\nTitle=Demo\r\n"
                          "Component0=\"zero\",2,1,1,0,\"\",\r\n"  // components start at 1
                          "[Application]\r\nFolder0=\"a\",\r\nFolder1=\"b\",\r\nFolder3=\"d\",\r\n"
                          "File0=\"x\",0,2,0,1,0,0,\"\",\r\nFile1=\r\nFile2=\"z\",0,2,0,1,0,0,\"\",\r\n"
                          "[System]\r\nFile1=\"y\",0,2,0,1,0,0,\"\",\r\n"));
    EXPECT_EQ(0, project_.ComponentCount());
    EXPECT_EQ(2, project_.FolderCount(kSectionApplication));
    EXPECT_EQ(1, project_.FileCount(kSectionApplication));
    EXPECT_EQ(0, project_.FileCount(kSectionSystem));
}

// Sections far beyond the first buffer of a section read, one of them the whole file but its
// header, which ends without a line break.
TEST_F(ScriptLoad, LongSectionsAreReadWhole) {
    std::string files;
    for (int i = 0; i < 3000; ++i) files += text::Format("File%d=\"file%05d.dat\",0,%d,0,1,0,0,\"\",\r\n", i, i, i + 2);
    ASSERT_EQ(0, LoadText("[Project]\r\nTitle=Demo\r\n[System]\r\nFolder0=\"\",\r\n" + files +
                          "[Application]\r\nFolder0=\"\",\r\n" + files + "File3000=\"last.dat\",0,9,0,1,0,0,\"\","));
    ASSERT_EQ(3001, project_.FileCount(kSectionApplication));
    EXPECT_EQ("last.dat", project_.files[kSectionApplication][3000].path);
    ASSERT_EQ(3000, project_.FileCount(kSectionSystem));
    EXPECT_EQ("file02999.dat", project_.files[kSectionSystem][2999].path);
}

TEST_F(ScriptLoad, ScriptVersionGatesComponentAndPalmFields) {
    ASSERT_EQ(0, LoadText("[Project]\r\nPyxDBVer=4\r\nTitle=Demo\r\nMulticomp=1\r\n"
                          "Component1=\"A\",-5,0,0,7,\"ignored\",\r\n"
                          "[Palm]\r\nFile1=\"a.prc\",3,4,0\r\n[Folder]\r\nFolder0=X\r\n",
                          false));
    ASSERT_EQ(1, project_.ComponentCount());
    EXPECT_EQ(0, project_.components[0].group);
    EXPECT_EQ("", project_.components[0].description);
    ASSERT_EQ(1u, project_.palmFiles.size());
    EXPECT_EQ(4, project_.palmFiles[0].secondNumber);
    EXPECT_EQ(-1, project_.palmFiles[0].folder);
    EXPECT_TRUE(project_.palmFolders.empty());
}

TEST_F(ScriptLoad, PalmFoldersAreSharedWithoutRegardToCase) {
    script::ScriptWriter script = Titled();
    const int apps = script.AddPalmFolder("Apps");
    const int appsAgain = script.AddPalmFolder("APPS");
    const int data = script.AddPalmFolder("Data");
    script.AddPalmFile("a.prc", 1, 2, apps);
    script.AddPalmFile("b.prc", 3, 4, appsAgain);
    script.AddPalmFile("c.pdb", 5, 6, -1);
    script.AddPalmFile("d.pdb", 7, 8, data);
    ASSERT_EQ(0, Load(script));
    ASSERT_EQ(4u, project_.palmFiles.size());
    EXPECT_EQ(0, project_.palmFiles[0].folder);
    EXPECT_EQ(0, project_.palmFiles[1].folder);
    EXPECT_EQ(-1, project_.palmFiles[2].folder);
    EXPECT_EQ(1, project_.palmFiles[3].folder);
    ASSERT_EQ(2u, project_.palmFolders.size());
    EXPECT_EQ("Apps", project_.palmFolders[0]);
    EXPECT_EQ("Data", project_.palmFolders[1]);
    EXPECT_EQ(1, project_.palmFiles[0].firstNumber);
    EXPECT_EQ(8, project_.palmFiles[3].secondNumber);
    EXPECT_EQ(4, CountPalmFiles(project_));
}

TEST_F(ScriptLoad, ComponentsLoadTheirScriptsFromTheSameFolder) {
    script::ScriptWriter inner = Titled("Inner");
    inner.AddFile(kSectionConduit, {"c.dll", 0, 9, kKindConduit});
    inner.AddPalmFile("i.prc", 1, 0, -1);
    WriteScript(7, inner.Text());

    script::ScriptWriter middle = Titled("Middle");
    middle.AddComponent({"Inner", 7});
    middle.AddComponent({"Inner again", 7});  // the same script twice is no cycle
    middle.AddFile(kSectionConduit, {"m.dll", 0, 9, kKindConduit});
    WriteScript(5, middle.Text());

    script::ScriptWriter top = Titled("Top");
    top.Set("Multicomp", 1);
    top.AddComponent({"Middle", 5, 0, 0, 1, "The middle\r\npart"});
    top.AddComponent({"Inner", 7});
    top.AddPalmFile("own.prc", 1, 0, -1);
    ASSERT_EQ(0, Load(top));

    ASSERT_EQ(2, project_.ComponentCount());
    const Component& first = project_.components[0];
    EXPECT_EQ("Middle", first.name);
    EXPECT_EQ(5, first.subScript);
    EXPECT_EQ(0, first.useMainFolder);
    EXPECT_EQ(0, first.selected);
    EXPECT_EQ(1, first.group);
    EXPECT_EQ("The middle\r\npart", first.description);
    EXPECT_EQ("Middle", first.sub->title);
    ASSERT_EQ(2, first.sub->ComponentCount());
    EXPECT_EQ("Inner", first.sub->components[1].sub->title);
    EXPECT_EQ("Inner", project_.components[1].sub->title);
    // Multicomp counts the components' Palm files only; conduits count everywhere.
    EXPECT_EQ(0, CountPalmFiles(*first.sub));  // Middle has no Palm files of its own
    EXPECT_EQ(1, CountPalmFiles(project_));    // Top: Middle 0 + Inner 1, its own ignored
    EXPECT_EQ(4, CountConduitFiles(project_));

    Project shallow;
    ASSERT_EQ(0, shallow.Load(PathOf(1), false));
    EXPECT_EQ(2, shallow.ComponentCount());
    EXPECT_EQ("", shallow.components[0].sub->title);
}

TEST_F(ScriptLoad, MissingComponentScriptsFailWithTheirCode) {
    script::ScriptWriter script = Titled();
    script.AddComponent({"Nowhere", -1});  // names "-0000001"
    EXPECT_EQ(Code(0x80660002u), Load(script));
    EXPECT_EQ(Code(0x80660002u), Project().Load(folder_ + "\\missing", true));
}

TEST_F(ScriptLoad, AScriptThatNamesItselfIsRefused) {
    script::ScriptWriter direct = Titled();
    direct.AddComponent({"Me", 1});
    EXPECT_EQ(Code(0x80660003u), Load(direct));

    // Through another component: 1 -> 2 -> 3 -> 2.
    script::ScriptWriter two = Titled("Two");
    two.AddComponent({"Three", 3});
    WriteScript(2, two.Text());
    script::ScriptWriter three = Titled("Three");
    three.AddComponent({"Two", 2});
    WriteScript(3, three.Text());
    script::ScriptWriter top = Titled("Top");
    top.AddComponent({"Two", 2});
    ASSERT_TRUE(top.Write(PathOf(4)));
    Project project;
    EXPECT_EQ(Code(0x80660003u), project.Load(PathOf(4), true));
}

TEST_F(ScriptLoad, PalmEntryWithAMissingFolderFailsTheLoad) {
    script::ScriptWriter script = Titled();
    script.AddPalmFolder("");  // Folder0 present but empty
    script.AddPalmFile("a.prc", 1, 0, -1);
    script.AddPalmFile("b.prc", 1, 0, 0);
    script.AddFile(kSectionApplication, {"never.txt", 0, 2});
    EXPECT_EQ(Code(0x80660004u), Load(script));
    EXPECT_EQ(1u, project_.palmFiles.size());
    EXPECT_EQ(0, project_.FileCount(kSectionApplication));

    script::ScriptWriter missing = Titled();
    missing.AddPalmFile("c.prc", 1, 0, 3);
    ASSERT_TRUE(missing.Write(PathOf(2)));
    EXPECT_EQ(Code(0x80660004u), Project().Load(PathOf(2), true));
}

// One malformed value per error code, each in an otherwise valid script.
struct MalformedCase {
    const char* name;
    uint32_t code;
    const char* section;
    const char* key;
    const char* value;
};
// Names the case in test listings instead of dumping its bytes.
void PrintTo(const MalformedCase& c, std::ostream* out) { *out << c.name; }

const MalformedCase kMalformed[] = {
    {"Image", 0x80660001u, "Project", "ProjectLogo", "\"logo.bmp\",3"},
    {"Title", 0x80660002u, "Project", "Title", ""},
    {"Component", 0x80660003u, "Project", "Component1", "\"A\",2,1"},
    {"PalmFile", 0x80660004u, "Palm", "File1", "\"a.prc\",1,0"},
    {"SectionFolder", 0x80660005u, "System", "Folder0", "\"sys\""},
    {"FileCommon", 0x80660006u, "Application", "File0", "\"a.txt\",0,2,0,1"},
    {"PlainTail", 0x80660007u, "Application", "File0", "\"a.txt\",0,2,0,1,0"},
    {"LibraryTail", 0x80660008u, "System", "File0", "\"a.dll\",0,2,2,1,0,"},
    {"ConduitTail", 0x80660009u, "Conduit", "File0", "\"a.dll\",0,2,1,1,0,\"x\",1"},
    {"Kind", 0x8066000Au, "MountedDevice", "File0", "\"a.bin\",0,2,3,1,0,"},
    {"Eula", 0x8066000Bu, "Project", "EULA", "0"},
    {"Readme", 0x8066000Cu, "Project", "Readme", "0;1"},
};

class MalformedScript : public ScriptLoad, public testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedScript, ReturnsItsCode) {
    const MalformedCase& c = GetParam();
    script::ScriptWriter script = Titled();
    script.SetRaw(c.section, c.key, c.value);
    EXPECT_EQ(Code(c.code), Load(script));
}

INSTANTIATE_TEST_SUITE_P(EveryCode, MalformedScript, testing::ValuesIn(kMalformed),
                         [](const testing::TestParamInfo<MalformedCase>& param) { return param.param.name; });

TEST_F(ScriptLoad, AFailedLoadKeepsWhatWasReadBeforeTheError) {
    script::ScriptWriter script = Titled();
    for (int i = 0; i < 3; ++i) script.AddFile(kSectionApplication, {"f" + std::to_string(i), 0, 2});
    script.SetRaw("Application", "File3", "\"bad\",0,2");
    EXPECT_EQ(Code(0x80660006u), Load(script));
    EXPECT_EQ(3, project_.FileCount(kSectionApplication));

    // A kind out of range fails after its entry was added.
    script::ScriptWriter kind = Titled();
    kind.AddFile(kSectionSystem, {"ok", 0, 2});
    kind.AddFile(kSectionSystem, {"odd", 0, 2, 7});
    ASSERT_TRUE(kind.Write(PathOf(2)));
    Project project;
    EXPECT_EQ(Code(0x8066000Au), project.Load(PathOf(2), true));
    ASSERT_EQ(2, project.FileCount(kSectionSystem));
    EXPECT_EQ(7, project.files[kSectionSystem][1].kind);
}

TEST_F(ScriptLoad, ReleaseRestoresTheDefaultFoldersOnly) {
    script::ScriptWriter script = Titled();
    script.Set("DefTargetDir", "C:\\Elsewhere");
    script.Set("DefMountedDir", "Card");
    script.Set("DefShortcutDir", "Menu");
    script.Set("CopyPalmToPC", 0);
    script.Set("WinTitle", "Custom");
    script.AddComponent({"Sub", 3});
    script.AddFolder(kSectionApplication, "bin");
    script.AddFile(kSectionApplication, {"a", 0, 2});
    script.AddPalmFolder("P");
    script.AddPalmFile("a.prc", 1, 0, 0);
    WriteScript(3, Titled("Sub").Text());
    ASSERT_EQ(0, Load(script));

    project_.Release();
    EXPECT_EQ("<ProgramFilesDir>\\<Company>\\<Title>", project_.defTargetDir);
    EXPECT_EQ("<Title>", project_.defMountedDir);
    EXPECT_EQ("<Company>\\<Title>", project_.defShortcutDir);
    EXPECT_EQ(1, project_.copyPalmToPc);
    EXPECT_EQ("Demo", project_.title);
    EXPECT_EQ("Custom", project_.winTitle);
    EXPECT_EQ(0, project_.ComponentCount());
    EXPECT_TRUE(project_.palmFiles.empty());
    EXPECT_TRUE(project_.palmFolders.empty());
    EXPECT_EQ(0, project_.FileCount(kSectionApplication));
    EXPECT_EQ(0, project_.FolderCount(kSectionApplication));
}

}  // namespace
