// mkpackage: builds a package folder from a manifest, or checks an existing package.
#include <cstdio>
#include <filesystem>
#include <string>

#include "mkpackage/Check.h"
#include "mkpackage/Manifest.h"
#include "mkpackage/Package.h"

namespace {

const char kUsage[] =
    "usage: mkpackage MANIFEST OUTPUT-FOLDER [--setup FILE] [--sign FILE.pfx [--timestamp URL]]\n"
    "       mkpackage --check PACKAGE-FOLDER\n"
    "--setup names the setup.exe to ship (default: " MKPACKAGE_DEFAULT_SETUP ");\n"
    "a manifest without language_library takes ResENU.DLL from beside it.\n"
    "--sign signs setup.exe with osslsigncode; the password is read from MKPACKAGE_SIGN_PASSWORD.\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--check") {
        std::string report;
        bool passes = mkpackage::CheckPackage(argv[2], &report);
        std::fputs(report.c_str(), stdout);
        return passes ? 0 : 1;
    }
    if (argc < 3 || argc % 2 == 0) return Usage();
    std::string setup = MKPACKAGE_DEFAULT_SETUP;
    mkpackage::SignOptions sign;
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        std::string* value = option == "--setup" ? &setup : option == "--sign" ? &sign.pfx
                             : option == "--timestamp" ? &sign.timestampUrl : nullptr;
        if (!value) return Usage();
        *value = argv[i + 1];
    }
    if (!sign.timestampUrl.empty() && sign.pfx.empty()) return Usage();

    mkpackage::ManifestDefaults defaults;
    defaults.languageLibrary = (std::filesystem::path(setup).parent_path() / "ResENU.DLL").string();
    mkpackage::PackagePlan plan;
    std::string error;
    if (!mkpackage::ReadManifest(argv[1], defaults, &plan, &error) ||
        !mkpackage::WritePackage(plan, setup, argv[2], &error, sign)) {
        std::fprintf(stderr, "mkpackage: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %u data files\n", argv[2], static_cast<unsigned>(plan.data.size()));
    return 0;
}
