// A package that mkpackage sealed, damaged as packages are on their way (cut short, one byte
// changed, a file lost), run with setup.exe /S: a damaged package installs nothing, the
// trace names the damaged file, and one without seals (its setup.exe sealing no main script
// either, as by hand) installs as it always did.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "base/Text.h"
#include "mkpackage/Manifest.h"
#include "mkpackage/Package.h"
#include "support/Installed.h"
#include "support/SharedDlls.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "win/Files.h"
#include "win/Registry.h"
#include "win/UniqueHandle.h"

namespace {

// Data files as mkpackage numbers them for the manifest below.
constexpr int kLibrary = 2;
constexpr int kProgram = 3;
constexpr int kMapsScript = 4;
constexpr int kMap = 5;

enum class Damage { kNone, kNoSeals, kCut, kFlip, kRemove };

struct Case {
    const char* name;
    Damage damage;
    int dataFile;  // the one damaged
    int exitCode;
};

const Case kCases[] = {
    {"intact", Damage::kNone, 0, 0},
    // The program holds the main script's digest: refused before anything is read.
    {"main script with a byte changed", Damage::kFlip, 1, 1},
    {"without seals, a byte changed", Damage::kNoSeals, kProgram, 0},
    {"program cut short", Damage::kCut, kProgram, 1},
    {"component's file missing", Damage::kRemove, kMap, 1},
    {"language library with a byte changed", Damage::kFlip, kLibrary, 1},
    {"component's script with a byte changed", Damage::kFlip, kMapsScript, 1},
    // Too short to load: the main script's seals still tell what happened.
    {"component's script cut short", Damage::kCut, kMapsScript, 1},
    // Found while the files are copied, then taken back.
    {"program with a byte changed", Damage::kFlip, kProgram, 1603},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

struct SealedPackage {
    std::string root = testenv::FreshFolder();
    std::string company = "Seal" + std::to_string(GetCurrentProcessId());
    std::string package = root + "\\package";
    std::string install = root + "\\Installed";
    std::string trace = root + "\\trace.txt";
    std::string entryKey = std::string(installed::kUninstallKey) + "\\" + company + " Sealed Kit for BlackBerry";
    // The test's own name is too long for the library's field.
    std::string library = text::JoinPath(win::WindowsFolder(), company + ".DLL");
    installed::Cleanup cleanup;

    SealedPackage() {
        cleanup.files.push_back(library);
        cleanup.trees.emplace_back(HKEY_LOCAL_MACHINE, entryKey);
        cleanup.folders.push_back(installed::ProgramsFolder() + "\\" + company);
    }

    bool Build(std::string* error) const {
        const std::string sources = root + "\\sources";
        // Big enough that a changed byte in its middle is far from either end.
        std::string program(256 * 1024, '\0');
        for (size_t i = 0; i < program.size(); ++i) program[i] = static_cast<char>(i * 7 % 251);
        mkpackage::PackagePlan plan;
        return CreateDirectoryA(sources.c_str(), nullptr) && CreateDirectoryA((sources + "\\maps").c_str(), nullptr) &&
               testenv::WriteFile(sources + "\\Kit.exe", program) &&
               testenv::WriteFile(sources + "\\maps\\north.map", "north") &&
               testenv::WriteFile(sources + "\\maps\\package.toml",
                                  "[package]\ntitle = \"Maps\"\n[[application]]\nsource = \"north.map\"\n") &&
               testenv::WriteFile(sources + "\\package.toml",
                                  "[package]\ntitle = \"Sealed Kit\"\ncompany = \"" + company +
                                      "\"\nlanguage_name = \"" + company + ".DLL" +
                                      "\"\n[[application]]\nsource = \"Kit.exe\"\n"
                                      "[[component]]\nname = \"Maps\"\nmanifest = \"maps/package.toml\"\n") &&
               mkpackage::ReadManifest(sources + "\\package.toml", {testenv::BinFolder() + "ResENU.DLL"}, &plan,
                                       error) &&
               mkpackage::WritePackage(plan, testenv::BinFolder() + "setup.exe", package, error);
    }

    std::string DataPath(int number) const { return package + "\\" + text::DataFileName(number); }

    bool Spoil(const Case& c) const {
        const std::string path = DataPath(c.dataFile);
        std::string bytes = testenv::ReadFile(path);
        switch (c.damage) {
            case Damage::kNone:
                return true;
            case Damage::kNoSeals:
                for (int script : {1, kMapsScript}) {
                    std::string text = testenv::ReadFile(DataPath(script));
                    const size_t seals = text.find("[Integrity]");
                    if (seals == std::string::npos || !testenv::WriteFile(DataPath(script), text.substr(0, seals)))
                        return false;
                }
                bytes[bytes.size() / 2] ^= 0x20;
                return testenv::WriteFile(path, bytes) &&
                       testenv::CopyFileTo(testenv::BinFolder() + "setup.exe", package + "\\setup.exe");
            case Damage::kCut:
                return testenv::WriteFile(path, bytes.substr(0, 10));
            case Damage::kFlip:
                // The component's script keeps a loadable form: the case of its title changes.
                bytes[c.dataFile == kMapsScript ? bytes.find("Maps") : bytes.size() / 2] ^= 0x20;
                return testenv::WriteFile(path, bytes);
            case Damage::kRemove:
                return DeleteFileA(path.c_str()) != 0;
        }
        return false;
    }

    std::string EntryValue(const char* name) const {
        return installed::RegistryText(HKEY_LOCAL_MACHINE, entryKey, name);
    }
};

class DamagedPackage : public ::testing::TestWithParam<Case> {};

TEST_P(DamagedPackage, InstallsOnlyWhatItsSealsVouchFor) {
    const Case& c = GetParam();
    SealedPackage kit;
    std::string error;
    ASSERT_TRUE(kit.Build(&error)) << error;
    ASSERT_TRUE(kit.Spoil(c));
    win::UniqueKey uninstallRoot;
    ASSERT_TRUE(sharedkey::Create());
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, installed::kUninstallKey, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, uninstallRoot.put(), nullptr));

    const ui::QuietRun run =
        ui::RunQuietly(kit.package + "\\setup.exe", "/S /LOG=" + kit.trace + " /D=" + kit.install, kit.package);
    EXPECT_EQ(c.exitCode, run.exitCode);
    EXPECT_FALSE(run.windowShown);
    const std::string trace = testenv::ReadFile(kit.trace);
    if (c.exitCode == 0) {
        EXPECT_EQ(testenv::ReadFile(kit.DataPath(kProgram)), testenv::ReadFile(kit.install + "\\Kit.exe"));
        EXPECT_EQ("north", testenv::ReadFile(kit.install + "\\north.map"));
        EXPECT_EQ(0, ui::RunQuietUninstall(kit.EntryValue("QuietUninstallString")).exitCode);
        EXPECT_EQ(std::string::npos, trace.find("damaged")) << trace;
        return;
    }
    EXPECT_NE(std::string::npos, trace.find("The setup package is damaged: its file " + text::DataFileName(c.dataFile)))
        << trace;
    EXPECT_FALSE(win::FileExists(kit.install));
    EXPECT_EQ("", kit.EntryValue("DisplayName"));
    EXPECT_FALSE(win::FileExists(installed::ProgramsFolder() + "\\" + kit.company));
    // Found before the start: not even the language library reached the Windows folder.
    if (c.exitCode == 1) {
        EXPECT_FALSE(win::FileExists(kit.library));
    }
}

// A sealed file whose bytes flip back and forth while setup.exe /S copies it: installed, it
// holds the sealed bytes; otherwise nothing was installed.
TEST_F(DamagedPackage, AFileChangingWhileItIsCopiedIsInstalledSealedOrNotAtAll) {
    SealedPackage kit;
    std::string error;
    ASSERT_TRUE(kit.Build(&error)) << error;
    win::UniqueKey uninstallRoot;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, installed::kUninstallKey, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, uninstallRoot.put(), nullptr));
    const std::string program = kit.DataPath(kProgram), sealed = testenv::ReadFile(program);
    std::atomic<bool> racing{true};
    std::thread flipper([&] {
        for (char bit = 0x20; racing; bit ^= 0x20) {
            win::UniqueFile file(CreateFileA(program.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
            const char byte = static_cast<char>(sealed[sealed.size() / 2] ^ bit);
            DWORD written = 0;
            if (file && SetFilePointer(file.get(), static_cast<LONG>(sealed.size() / 2), nullptr, FILE_BEGIN) != 0)
                WriteFile(file.get(), &byte, 1, &written, nullptr);
        }
    });
    for (int round = 0; round < 4; ++round) {
        const int exitCode = ui::RunQuietly(kit.package + "\\setup.exe", "/S /D=" + kit.install, kit.package).exitCode;
        EXPECT_TRUE(exitCode == 0 || exitCode == 1603) << exitCode;
        if (exitCode != 0) {
            EXPECT_FALSE(win::FileExists(kit.install));
            continue;
        }
        EXPECT_EQ(sealed, testenv::ReadFile(kit.install + "\\Kit.exe"));
        EXPECT_EQ(0, ui::RunQuietUninstall(kit.EntryValue("QuietUninstallString")).exitCode);
    }
    racing = false;
    flipper.join();
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedPackage, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) {
                             std::string name;
                             for (const char* p = param.param.name; *p; ++p)
                                 name += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

}  // namespace
