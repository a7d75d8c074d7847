// What makes a package's setup.exe trusted: the main script's seal in its fixed field
// (startup/ScriptSeal.h), filled in every package laid out, and an Authenticode signature
// over the program, made and checked with osslsigncode. The signed program vouches for the
// main script, whose [Integrity] lines vouch for every data file.
#pragma once

#include <string>
#include <vector>

namespace mkpackage {

struct SignOptions {
    std::string pfx;           // the certificate and key (PKCS#12); empty: no signature
    std::string timestampUrl;  // an RFC 3161 time-stamp server; empty: no time stamp
    std::string description;   // the program name the signature carries
};

// Writes the SHA-256 of `mainScript` into the field of the program at `setup`, which keeps its
// modification time; `sealed` tells whether the program has the field (a program of an older
// build has none and is left as it is). False with `error` set when it cannot be written.
bool SealMainScript(const std::string& setup, const std::string& mainScript, bool* sealed, std::string* error);

// Signs the program at `setup` in place with SHA-256. The PFX password is read from the
// environment variable MKPACKAGE_SIGN_PASSWORD, and the signing time from SOURCE_DATE_EPOCH
// when set, so that the same inputs give the same bytes. The file keeps its modification time.
bool SignProgram(const std::string& setup, const SignOptions& options, std::string* error);

// For --check: what the program's field and signature say, as report lines; what the setup
// program or Windows would refuse goes to `problems`.
void CheckProgramTrust(const std::string& setup, const std::string& mainScript, std::vector<std::string>* problems,
                       std::string* report);

}  // namespace mkpackage
