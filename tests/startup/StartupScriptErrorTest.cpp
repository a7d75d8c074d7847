// Start-up as the user meets it: setup.exe in a package folder whose script is missing or
// malformed shows the script message with the loader's code and ends with exit code 1.
#include <gtest/gtest.h>

#include "base/Text.h"
#include "support/Package.h"
#include "script/ScriptWriter.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"

namespace {

void ExpectScriptError(const testenv::Package& package, unsigned code) {
    ui::SingleMessageRun run = ui::RunExpectingOneMessage(package.SetupPath(), "", package.Folder());

    ASSERT_TRUE(run.sawBox);
    EXPECT_EQ(text::Format("Couldn't load the install script (error code 0x%x). The installation will terminate.",
                           code),
              run.box.text);
    EXPECT_EQ("", run.box.caption);
    EXPECT_EQ(1, run.exitCode);
}

TEST(StartupScript, MissingScriptShowsCodeAndExitsWithOne) {
    testenv::Package package(testenv::FreshFolder());
    ASSERT_TRUE(package.AddSetup());
    ExpectScriptError(package, 0x80660002u);
}

// One malformed value per error code, in an otherwise valid script.
struct MalformedCase {
    const char* name;
    unsigned code;
    const char* section;
    const char* key;
    const char* value;
};
// Names the case in test listings instead of dumping its bytes.
void PrintTo(const MalformedCase& c, std::ostream* out) { *out << c.name; }

const MalformedCase kMalformed[] = {
    {"Image", 0x80660001u, "Project", "BackgroundImage", "\"back.bmp\",3"},
    {"Title", 0x80660002u, "Project", "Title", ""},
    {"Component", 0x80660003u, "Project", "Component1", "\"A\",2,1"},
    {"PalmFile", 0x80660004u, "Palm", "File1", "\"a.prc\",1,0"},
    {"SectionFolder", 0x80660005u, "Application", "Folder0", "\"bin\" x"},
    {"FileCommon", 0x80660006u, "System", "File0", "\"a.dll\",0,2"},
    {"PlainTail", 0x80660007u, "Application", "File0", "\"a.txt\",0,2,0,1,0 x"},
    {"LibraryTail", 0x80660008u, "System", "File0", "\"a.dll\",0,2,2,1,0,x"},
    {"ConduitTail", 0x80660009u, "Conduit", "File0", "\"c.dll\",0,2,1,1,0,\"x\",-1"},
    {"Kind", 0x8066000Au, "MountedDevice", "File0", "\"a.bin\",0,2,5,1,0,"},
    {"Eula", 0x8066000Bu, "Project", "EULA", "x"},
    {"Readme", 0x8066000Cu, "Project", "Readme", "1,"},
};

class StartupMalformedScript : public testing::TestWithParam<MalformedCase> {};

TEST_P(StartupMalformedScript, ShowsItsCodeAndExitsWithOne) {
    const MalformedCase& c = GetParam();
    script::ScriptWriter script;
    script.Set("Title", "Demo");
    script.SetRaw(c.section, c.key, c.value);
    testenv::Package package(testenv::FreshFolder());
    ASSERT_TRUE(package.AddSetup());
    ASSERT_TRUE(package.WriteScript(script.Text()));
    ExpectScriptError(package, c.code);
}

INSTANTIATE_TEST_SUITE_P(EveryCode, StartupMalformedScript, testing::ValuesIn(kMalformed),
                         [](const testing::TestParamInfo<MalformedCase>& param) { return param.param.name; });

}  // namespace
