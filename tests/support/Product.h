// A product installed through the engine the way the install driver does it, for the
// uninstaller's scenarios: a shared, self-registering System file, Application files in two
// folders with a Programs-menu and a Startup shortcut, the "Application: " record on a first
// installation, then the Uninstall entry and the installation log in the install folder. The
// same package also runs through setup.exe and its wizard.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Installed.h"
#include "support/SharedDlls.h"
#include "support/Package.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"
#include "support/Wizard.h"
#include "win/UniqueHandle.h"

namespace product {

struct Product {
    std::string root;        // the test's folder: packages, system32, Startup, Program Files
    std::string company;
    std::string title;
    std::string sharedName;  // the System file's name; products that share it share the file
    std::string displayName;
    std::string install;     // root\Program Files\<company>\<title>
    std::string menu;        // Programs\<company>\<title>
    std::string systemFile;  // root\system32\<sharedName>
    std::string startupLink;
    std::string tempLog;
    std::string installLog;
};

// The product's places; the registry values, Programs-menu folder and Uninstall entry it may
// leave are added to `cleanup`. The registered command must fit in 259 characters to be read
// back, so the test's name and the product's names are best kept short.
Product Describe(const std::string& root, const std::string& company, const std::string& title,
                 const std::string& sharedName, installed::Cleanup* cleanup);

struct Run {
    int package = 1;                      // a run of its own needs a package folder of its own
    std::vector<std::string> extraFiles;  // more Application files, in the folder "more"
    // A Conduit file without its data file: the installation fails once the System and
    // Application files are in place.
    bool failAtEnd = false;
    size_t extraSize = 0;  // bytes of each extra file; 0: a line of text
};

// Installs as the driver does: true when every section succeeded, and only then the Uninstall
// entry is written and the temporary log appended to the installation log. A run into a folder
// that holds an installation log writes no "Application: " record.
bool Install(const Product& product, const Run& run);

// Lays the run's package and returns it, setup.exe included; empty folder name on failure.
testenv::Package LayRun(const Product& product, const Run& run);

// Runs setup.exe /S on the run's package with the product's install folder.
ui::QuietRun InstallQuietly(const Product& product, const Run& run);

// The product's registered quiet uninstall.
ui::QuietRun UninstallQuietly(const Product& product);

// Runs setup.exe on the run's package and walks its wizard as a person taking every default.
testenv::WizardWalk InstallThroughWizard(const Product& product, const Run& run);

// The driver puts System files and Startup shortcuts where Windows has them, not into the
// test's folder: `product` is pointed there, and what may be left there is added to `cleanup`.
void UseMachineFolders(Product* product, installed::Cleanup* cleanup);

// The registered uninstall command split into the program and its argument string.
bool RegisteredCommand(const Product& product, std::string* program, std::string* arguments);

// Runs the product's registered uninstall command as Windows runs it and answers its one box.
ui::SingleMessageRun Uninstall(const Product& product);

// The uninstall completed: string 25 captioned `caption`, an OK button, exit code 0.
void ExpectDone(const ui::SingleMessageRun& run, const std::string& caption);

// What the installation made that is still there, one line each; empty when nothing is.
std::vector<std::string> Remains(const Product& product);

// A test that installs products: COM for the shortcuts, the SharedDLLs key as Windows has it,
// a fresh folder, and whatever the products leave outside it taken away afterwards.
class ProductTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(com_.result()));
        ASSERT_TRUE(sharedkey::Create());
        root_ = testenv::FreshFolder();
    }
    // A product of this test; products that name the same shared file share it.
    Product Make(const std::string& company, const std::string& title, const std::string& sharedName) {
        return Describe(root_, company, title, sharedName, &cleanup_);
    }

    win::ComInit com_;
    installed::Cleanup cleanup_;
    std::string root_;
};

}  // namespace product
