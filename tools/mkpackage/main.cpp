// mkpackage: builds a package folder from a manifest, or checks an existing package.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "mkpackage/Check.h"
#include "mkpackage/Manifest.h"
#include "mkpackage/Package.h"
#include "mkpackage/Winget.h"
#include "mkpackage/Wording.h"
#include "mkpackage/Zip.h"
#include "script/Project.h"

namespace {

const char kUsageText[] =
    "usage: mkpackage MANIFEST OUTPUT-FOLDER [--setup FILE] [--sign FILE.pfx [--timestamp URL]]\n"
    "                 [--zip] [--winget IDENTIFIER --winget-url URL]\n"
    "       mkpackage --check PACKAGE-FOLDER\n"
    "       mkpackage --help | --version\n";

const char kHelpText[] =
    "\n"
    "The first form builds a package from MANIFEST (TOML, UTF-8) into OUTPUT-FOLDER: setup.exe,\n"
    "the install scripts and every data file. --setup names the setup.exe to ship (default:\n"
    "  " MKPACKAGE_DEFAULT_SETUP ");\n"
    "a manifest without language_library takes ResENU.DLL from beside it. A fault in the manifest\n"
    "is reported as MANIFEST:LINE:COLUMN and nothing is written; warnings do not stop the build\n"
    "and are counted on the last line. OUTPUT-FOLDER is replaced whole: it must be new, empty or a\n"
    "package mkpackage made, and may neither hold the manifest or a source nor lie in a folder\n"
    "of sources.\n"
    "\n"
    "--sign signs setup.exe with Authenticode (SHA-256) through osslsigncode; the certificate's\n"
    "password is read from the environment variable MKPACKAGE_SIGN_PASSWORD. --timestamp adds an\n"
    "RFC 3161 time stamp from URL. SOURCE_DATE_EPOCH, when set, is the signing time.\n"
    "\n"
    "--zip also writes the package as OUTPUT-FOLDER.zip and prints its SHA-256; the entries bear\n"
    "SOURCE_DATE_EPOCH's time (1980-01-01 without it), so the same inputs give the same bytes.\n"
    "--winget writes the zip and winget's manifests for it (version 1.10.0, package IDENTIFIER,\n"
    "downloaded from URL) into the folder OUTPUT-FOLDER.winget.\n"
    "\n"
    "--check reads a package as setup.exe will and prints what would stop it, then a summary.\n"
    "\n"
    "Exit status: 0 done (--check: the package would install), 1 a fault, 2 a wrong command line.\n";

enum class Action { kBuild, kCheck, kHelp, kVersion, kUsage };

struct Options {
    Action action = Action::kUsage;
    std::vector<std::string> operands;  // MANIFEST OUTPUT-FOLDER, or PACKAGE-FOLDER
    std::string setup = MKPACKAGE_DEFAULT_SETUP;
    mkpackage::SignOptions sign;
    bool zip = false;
    mkpackage::WingetOptions winget;
    std::string problem;  // why the command line is wrong
};

Options ReadOptions(int argc, char** argv) {
    Options options;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.action = Action::kHelp;
            return options;
        }
        if (arg == "--version") {
            options.action = Action::kVersion;
            return options;
        }
        if (arg == "--check") {
            check = true;
        } else if (arg == "--zip") {
            options.zip = true;
        } else if (arg == "--setup" || arg == "--sign" || arg == "--timestamp" || arg == "--winget" ||
                   arg == "--winget-url") {
            if (i + 1 == argc) {
                options.problem = arg + " needs a value";
                return options;
            }
            std::string* value = arg == "--setup"       ? &options.setup
                                 : arg == "--sign"      ? &options.sign.pfx
                                 : arg == "--timestamp" ? &options.sign.timestampUrl
                                 : arg == "--winget"    ? &options.winget.identifier
                                                        : &options.winget.url;
            *value = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            options.problem = "unknown option '" + arg + "'";
            return options;
        } else {
            options.operands.push_back(arg);
        }
    }
    if (!options.sign.timestampUrl.empty() && options.sign.pfx.empty()) {
        options.problem = "--timestamp goes with --sign";
        return options;
    }
    if (options.winget.identifier.empty() != options.winget.url.empty()) {
        options.problem = "--winget and --winget-url go together";
        return options;
    }
    if (!options.winget.identifier.empty()) {
        options.problem = mkpackage::WingetOptionsProblem(options.winget);
        if (!options.problem.empty()) return options;
        options.zip = true;  // the manifests are the zip's
    }
    if (options.operands.size() == (check ? 1u : 2u)) options.action = check ? Action::kCheck : Action::kBuild;
    return options;
}

// The zip lies beside the package folder: it may not be a file the package is made from. So do
// winget's manifests, which need a folder of their own and what CheckWinget asks of the manifest.
bool BesideAllowed(const Options& options, const mkpackage::PackagePlan& plan, const std::string& zip,
                   const std::string& manifests, std::string* error) {
    const bool winget = !options.winget.identifier.empty();
    if (options.zip && mkpackage::ReadsFile(plan, options.setup, zip)) {
        *error = "refused as the zip: '" + zip + "' is a file the package is made from";
        return false;
    }
    return !winget || mkpackage::CheckWinget(plan, manifests, error);
}

int Build(const Options& options) {
    const std::string& output = options.operands[1];
    const std::string zip = mkpackage::BesidePackage(output, ".zip");
    const std::string manifests = mkpackage::BesidePackage(output, ".winget");
    const bool winget = !options.winget.identifier.empty();
    mkpackage::ManifestDefaults defaults;
    defaults.languageLibrary = (std::filesystem::path(options.setup).parent_path() / kDefaultLanguageDll).string();
    mkpackage::PackagePlan plan;
    std::string error, sha256;
    const bool built = mkpackage::ReadManifest(options.operands[0], defaults, &plan, &error) &&
                       BesideAllowed(options, plan, zip, manifests, &error) &&
                       mkpackage::WritePackage(plan, options.setup, output, &error, options.sign) &&
                       (!options.zip || mkpackage::WritePackageZip(output, zip, &sha256, &error)) &&
                       (!winget || mkpackage::WriteWingetManifests(plan, options.winget, sha256, manifests, &error));
    for (const std::string& warning : plan.warnings) std::fprintf(stderr, "%s\n", warning.c_str());
    if (!built) {
        std::fprintf(stderr, "mkpackage: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %s, %s\n", output.c_str(), mkpackage::Counted(plan.data.size(), "data file").c_str(),
                mkpackage::Counted(plan.warnings.size(), "warning").c_str());
    // As sha256sum prints it, so that sha256sum -c checks the zip.
    if (options.zip) std::printf("%s  %s\n", sha256.c_str(), zip.c_str());
    if (winget)
        std::printf("%s: winget's manifests of %s %s\n", manifests.c_str(), options.winget.identifier.c_str(),
                    plan.project.version.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ReadOptions(argc, argv);
    switch (options.action) {
        case Action::kHelp:
            std::printf("%s%s", kUsageText, kHelpText);
            return 0;
        case Action::kVersion:
            std::printf("mkpackage %s\n", MKPACKAGE_VERSION);
            return 0;
        case Action::kCheck: {
            std::string report;
            const bool passes = mkpackage::CheckPackage(options.operands[0], &report);
            std::fputs(report.c_str(), stdout);
            return passes ? 0 : 1;
        }
        case Action::kBuild:
            return Build(options);
        case Action::kUsage:
            break;
    }
    if (!options.problem.empty()) std::fprintf(stderr, "mkpackage: %s\n", options.problem.c_str());
    std::fputs(kUsageText, stderr);
    std::fputs("Try 'mkpackage --help' for more.\n", stderr);
    return 2;
}
