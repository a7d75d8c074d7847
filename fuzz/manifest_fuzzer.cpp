// Feeds arbitrary text to the manifest reader as a manifest of its own (no file is touched):
// it must never crash, and a refusal or warning must name the manifest and the place.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mkpackage/Manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    mkpackage::PackagePlan plan;
    std::string error;
    if (!mkpackage::ParseManifestText(text, "fuzz.toml", &plan, &error) && error.rfind("fuzz.toml:", 0) != 0) {
        std::fprintf(stderr, "a refusal without its place: %s\n", error.c_str());
        std::abort();
    }
    for (const std::string& warning : plan.warnings)
        if (warning.rfind("fuzz.toml:", 0) != 0) {
            std::fprintf(stderr, "a warning without its place: %s\n", warning.c_str());
            std::abort();
        }
    return 0;
}
