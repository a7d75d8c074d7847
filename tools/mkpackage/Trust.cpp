#include "mkpackage/Trust.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/FileBytes.h"
#include "mkpackage/Digest.h"
#include "mkpackage/RunTool.h"
#include "startup/ScriptSeal.h"

namespace mkpackage {

namespace fs = std::filesystem;

namespace {

const char kSigner[] = "osslsigncode";

// Where the field's digest starts in the program's bytes; npos unless the tag is there once.
size_t SealOffset(const std::string& program) {
    const std::string tag(kScriptSealTag, kScriptSealTagSize);
    const size_t at = program.find(tag);
    if (at == std::string::npos || program.find(tag, at + 1) != std::string::npos ||
        program.size() - at - tag.size() < kScriptSealDigestSize)
        return std::string::npos;
    return at + tag.size();
}

// The line of `output` that starts with `prefix`, without it; empty when there is none.
std::string LineAfter(const std::string& output, const std::string& prefix) {
    size_t at = output.find(prefix);
    if (at == std::string::npos) return std::string();
    at += prefix.size();
    return output.substr(at, output.find('\n', at) - at);
}

}  // namespace

bool SealMainScript(const std::string& setup, const std::string& mainScript, bool* sealed, std::string* error) {
    std::string program;
    std::string digest;
    std::error_code failed;
    const fs::file_time_type time = fs::last_write_time(setup, failed);
    if (failed || !ReadFileBytes(setup, &program)) {
        *error = "cannot read '" + setup + "'";
        return false;
    }
    const size_t offset = SealOffset(program);
    *sealed = offset != std::string::npos;
    if (!*sealed) return true;
    if (!Sha256Hex(mainScript, &digest)) {
        *error = "cannot take the SHA-256 of the main script";
        return false;
    }
    std::fstream file(setup, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(digest.data(), static_cast<std::streamsize>(digest.size()));
    file.close();
    if (!file.fail()) fs::last_write_time(setup, time, failed);
    if (file.fail() || failed) *error = "cannot write the main script's digest into '" + setup + "'";
    return !file.fail() && !failed;
}

bool SignProgram(const std::string& setup, const SignOptions& options, std::string* error) {
    std::error_code failed;
    const fs::file_time_type time = fs::last_write_time(setup, failed);
    const std::string signedCopy = setup + ".signed";
    std::vector<std::string> arguments = {kSigner, "sign", "-pkcs12", options.pfx, "-readpass", "-", "-h", "sha256",
                                          "-n", options.description};
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        arguments.push_back("-time");
        arguments.push_back(epoch);
    }
    if (!options.timestampUrl.empty()) {
        arguments.push_back("-ts");
        arguments.push_back(options.timestampUrl);
    }
    for (const char* argument : {"-in", setup.c_str(), "-out", signedCopy.c_str()}) arguments.push_back(argument);
    const char* password = std::getenv("MKPACKAGE_SIGN_PASSWORD");
    std::string output;
    int code = 0;
    if (!RunTool(arguments, password ? password : "", &output, &code, error)) return false;
    if (code != 0) {
        fs::remove(signedCopy, failed);
        *error = "cannot sign '" + setup + "' with '" + options.pfx + "' (is MKPACKAGE_SIGN_PASSWORD right?):\n" +
                 output;
        return false;
    }
    fs::rename(signedCopy, setup, failed);
    if (!failed) fs::last_write_time(setup, time, failed);
    if (failed) *error = "cannot put the signed program in place of '" + setup + "': " + failed.message();
    return !failed;
}

void CheckProgramTrust(const std::string& setup, const std::string& mainScript, std::vector<std::string>* problems,
                       std::string* report) {
    std::string program;
    std::string script;
    if (!ReadFileBytes(setup, &program)) return;
    // A program of another build has no field, and one that is no program no signature: such
    // a setup.exe gets no lines.
    const size_t offset = SealOffset(program);
    const std::string sealed = offset == std::string::npos ? std::string() : program.substr(offset, kScriptSealDigestSize);
    std::string digest;
    if (!sealed.empty()) {
        if (sealed.find_first_not_of('\0') == std::string::npos)
            *report += "main script: not sealed in setup.exe\n";
        else if (ReadFileBytes(mainScript, &script) && Sha256Hex(script, &digest) && digest == sealed)
            *report += "main script: sealed in setup.exe\n";
        else
            problems->push_back("the main script 00000001 is not the one setup.exe seals");
    }

    std::string output;
    std::string error;
    int code = 0;
    if (!RunTool({kSigner, "verify", "-in", setup}, "", &output, &code, &error)) {
        *report += "signature: not checked: " + error + "\n";
    } else if (output.find("No signature found") != std::string::npos) {
        *report += "signature: none\n";
    } else if (output.find("MISMATCH") != std::string::npos) {
        problems->push_back("setup.exe does not match its signature: it was changed after it was signed");
    } else if (output.find("Current message digest") == std::string::npos) {
        return;
    } else if (code == 0) {
        *report += "signature: verifies, by a certificate this machine trusts\n";
    } else {
        const std::string why = LineAfter(output, "Error: ");
        *report += "signature: verifies; its certificate is not trusted here" + (why.empty() ? "" : " (" + why + ")") +
                   "\n";
    }
}

}  // namespace mkpackage
