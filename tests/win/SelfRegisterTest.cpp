// Self-registration through the libraries' own entries, with test libraries built for it.
#include <gtest/gtest.h>

#include <windows.h>

#include "base/Text.h"
#include "support/Installed.h"
#include "support/TestEnv.h"
#include "win/SelfRegister.h"

namespace {

// A fixture library copied under `name` into a fresh folder of its own.
std::string PlaceLibrary(const std::string& fixture, const std::string& name) {
    std::string path = testenv::FreshFolder("_" + name) + "\\" + name;
    EXPECT_TRUE(testenv::CopyFileTo(testenv::BinFolder() + fixture, path));
    return path;
}

TEST(SelfRegister, RegistersAndUnregistersThroughTheExports) {
    std::string name = testenv::UniqueName("selfreg") + ".dll";
    std::string path = PlaceLibrary("selfreg_value.dll", name);

    ASSERT_TRUE(RegisterLibrary(path));
    std::string data;
    ASSERT_TRUE(installed::ReadSelfRegValue(name, &data));
    EXPECT_TRUE(text::EqualsNoCase(path, data)) << data;
    // The library is released again.
    EXPECT_EQ(nullptr, GetModuleHandleA(path.c_str()));

    EXPECT_TRUE(UnregisterLibrary(path));
    EXPECT_FALSE(installed::ReadSelfRegValue(name, &data));
    // Its entry fails once the value is gone; the failure must come through as false.
    EXPECT_FALSE(UnregisterLibrary(path));
    installed::DeleteValue(HKEY_CURRENT_USER, installed::kSelfRegKey, name);
}

TEST(SelfRegister, ResultFollowsTheEntrysHresult) {
    std::string sFalse = PlaceLibrary("selfreg_sfalse.dll", "sfalse.dll");
    EXPECT_TRUE(RegisterLibrary(sFalse));
    EXPECT_TRUE(UnregisterLibrary(sFalse));

    std::string fail = PlaceLibrary("selfreg_fail.dll", "fail.dll");
    EXPECT_FALSE(RegisterLibrary(fail));
    EXPECT_FALSE(UnregisterLibrary(fail));
    EXPECT_EQ(nullptr, GetModuleHandleA(fail.c_str()));
}

TEST(SelfRegister, LibraryWithoutEntryOrFileFails) {
    std::string plain = PlaceLibrary("selfreg_noexport.dll", "plain.dll");
    EXPECT_FALSE(RegisterLibrary(plain));
    EXPECT_FALSE(UnregisterLibrary(plain));
    EXPECT_EQ(nullptr, GetModuleHandleA(plain.c_str()));

    std::string folder = testenv::FreshFolder();
    EXPECT_FALSE(RegisterLibrary(folder + "\\missing.dll"));
    // Not a library at all.
    std::string text = folder + "\\text.dll";
    ASSERT_TRUE(testenv::WriteFile(text, "not a library"));
    EXPECT_FALSE(RegisterLibrary(text));
}

TEST(SelfRegister, DependencyIsFoundInTheLibrarysOwnFolder) {
    std::string folder = testenv::FreshFolder();
    std::string fixtures = testenv::BinFolder() + "selfreg_dependent\\";
    ASSERT_TRUE(testenv::CopyFileTo(fixtures + "selfreg_dependent.dll", folder + "\\selfreg_dependent.dll"));
    ASSERT_TRUE(testenv::CopyFileTo(fixtures + "selfreg_helper.dll", folder + "\\selfreg_helper.dll"));
    std::string path = folder + "\\selfreg_dependent.dll";

    // The ordinary search does not look there, so the test cannot pass by accident.
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE plain = LoadLibraryA(path.c_str());
    SetErrorMode(oldMode);
    if (plain) FreeLibrary(plain);
    EXPECT_EQ(nullptr, plain);

    EXPECT_TRUE(RegisterLibrary(path));
    EXPECT_TRUE(UnregisterLibrary(path));
}

}  // namespace
