#include "startup/ScriptSeal.h"

#include <windows.h>

#include "base/RunResult.h"
#include "base/Text.h"
#include "state/Messages.h"
#include "win/Digest.h"
#include "win/Files.h"

namespace {

// Volatile: the field is all zero as linked, and the compiler may not take that for its value.
// Used: nothing but the check reads it, and the tool must find it in every build.
__attribute__((used)) volatile const char g_scriptSeal[kScriptSealTagSize + kScriptSealDigestSize] = {
    'M', 'a', 'i', 'n', 'S', 'c', 'r', 'i', 'p', 't', 'S', 'H', 'A', '2', '5', '6'};

}  // namespace

bool MainScriptSealed(const std::string& path, std::string* message) {
    const volatile char* sealed = g_scriptSeal + kScriptSealTagSize;
    if (!sealed[0]) return true;
    std::string script;
    std::string digest;
    if (win::ReadWholeFile(path, &script) && win::Sha256Hex(script, &digest)) {
        size_t i = 0;
        while (i < kScriptSealDigestSize && sealed[i] == digest[i]) ++i;
        if (i == kScriptSealDigestSize) return true;
    }
    *message = DamagedPackageText(text::DataFileName(1), "is missing or is not the script this setup program was made for");
    return Fail("ScriptSeal", "matching the sealed digest of", path, 0);
}
