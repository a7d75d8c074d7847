#include "mkpackage/Package.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>
#include <utility>
#include <vector>

#include "base/Text.h"
#include "mkpackage/CopyFile.h"
#include "mkpackage/Digest.h"
#include "script/IniScript.h"
#include "script/ScriptLoader.h"
#include "script/ScriptWriter.h"

namespace mkpackage {

namespace fs = std::filesystem;

namespace {

constexpr int32_t kMainScript = 1;

using Scripts = std::vector<std::pair<int32_t, std::string>>;

// Every script of the package by number: the main project's, then each component's in order.
void CollectScripts(const Project& project, int32_t number, Scripts* scripts) {
    scripts->emplace_back(number, script::ScriptWriter::ForProject(project).Text());
    for (const Component& component : project.components) CollectScripts(*component.sub, component.subScript, scripts);
}

// Seals every data file a script names, a component's script once its own seals are in it.
bool Seal(Project& project, const std::map<int32_t, std::string>& sources, std::string* error) {
    for (Component& component : project.components)
        if (!Seal(*component.sub, sources, error)) return false;
    project.seals.clear();
    for (int32_t number : NamedDataFiles(project)) {
        DataFileSeal seal;
        seal.dataFile = number;
        const Component* component = nullptr;
        for (const Component& c : project.components)
            if (c.subScript == number) component = &c;
        const auto source = sources.find(number);
        if (component) {
            const std::string text = script::ScriptWriter::ForProject(*component->sub).Text();
            seal.size = text.size();
            if (!Sha256Hex(text, &seal.sha256)) {
                *error = "cannot take the SHA-256 of script " + text::DataFileName(number);
                return false;
            }
        } else if (source == sources.end()) {
            *error = "no source for data file " + text::DataFileName(number);
            return false;
        } else if (!FileSha256Hex(source->second, &seal.size, &seal.sha256)) {
            *error = "cannot read '" + source->second + "' to take its SHA-256";
            return false;
        }
        project.seals.push_back(seal);
    }
    return true;
}

// The scripts as the setup program would read them must give the plan's model back.
bool ReadsBack(const PackagePlan& plan, const Scripts& scripts, std::string* error) {
    script::IniScriptTexts texts;
    for (const auto& entry : scripts) texts.Add(text::DataFileName(entry.first), entry.second);
    Project loaded;
    script::LoadFailure failure;
    int32_t code = script::LoadProject(loaded, texts, text::DataFileName(kMainScript), true, &failure);
    std::string where = code != 0 ? failure.key + " of script " + failure.script
                                  : script::ModelDifference(plan.project, loaded);
    if (where.empty()) return true;
    // Each value fits its field; a line of several can still be longer than the loader reads.
    *error = "the install script cannot hold this manifest's " + where +
             ": its line is longer than the setup program reads";
    return false;
}

bool WriteText(const fs::path& path, const std::string& text, std::string* error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (file.fail()) *error = "cannot write '" + path.string() + "'";
    return !file.fail();
}

bool Fill(const PackagePlan& plan, const Scripts& scripts, const fs::path& setupProgram, const fs::path& folder,
          std::string* error) {
    std::error_code failed;
    if (!fs::create_directory(folder, failed)) {
        *error = "cannot create '" + folder.string() + "': " + failed.message();
        return false;
    }
    if (!CopyKeepingTime(setupProgram.string(), (folder / "setup.exe").string(), error)) return false;
    for (const auto& entry : scripts)
        if (!WriteText(folder / text::DataFileName(entry.first), entry.second, error)) return false;
    for (const auto& entry : plan.data)
        if (!CopyKeepingTime(entry.second, (folder / text::DataFileName(entry.first)).string(), error)) return false;
    return true;
}

// Puts the finished folder in place of `output`: the old one is moved aside first and removed
// only once the new one stands, or moved back when it cannot.
bool Swap(const fs::path& fresh, const fs::path& output, const fs::path& aside, std::string* error) {
    std::error_code failed;
    bool existed = fs::exists(output, failed);
    if (existed) {
        fs::remove_all(aside, failed);
        fs::rename(output, aside, failed);
    }
    if (!failed) fs::rename(fresh, output, failed);
    if (failed) {
        *error = "cannot put the package in place of '" + output.string() + "': " + failed.message();
        std::error_code ignored;
        if (existed && !fs::exists(output, ignored)) fs::rename(aside, output, ignored);
        fs::remove_all(fresh, ignored);
        return false;
    }
    if (existed) fs::remove_all(aside, failed);
    return true;
}

// The program vouches for the main script, then the signature for the program.
bool SealAndSign(const PackagePlan& plan, const std::string& mainScript, const fs::path& setup, SignOptions sign,
                 std::string* error) {
    bool sealed = false;
    if (!SealMainScript(setup.string(), mainScript, &sealed, error)) return false;
    if (sign.pfx.empty()) return true;
    if (!sealed) {
        *error = "the setup program has no field for the main script's digest, so a signature would not cover "
                 "the script: sign a setup.exe of this build";
        return false;
    }
    sign.description = plan.project.title + " Setup";
    return SignProgram(setup.string(), sign, error);
}

}  // namespace

bool WritePackage(PackagePlan& plan, const std::string& setupProgram, const std::string& output,
                  std::string* error, const SignOptions& sign) {
    const std::map<int32_t, std::string> sources(plan.data.begin(), plan.data.end());
    if (!Seal(plan.project, sources, error)) return false;
    Scripts scripts;
    CollectScripts(plan.project, kMainScript, &scripts);
    if (!ReadsBack(plan, scripts, error)) return false;
    std::error_code failed;
    if (!fs::is_regular_file(setupProgram, failed)) {
        *error = "the setup program '" + setupProgram + "' is not a readable file";
        return false;
    }
    fs::path target = fs::absolute(fs::path(output), failed).lexically_normal();
    if (!target.has_filename()) target = target.parent_path();
    if (fs::exists(target, failed) && !fs::is_directory(target, failed)) {
        *error = "'" + output + "' exists and is not a folder";
        return false;
    }
    const std::string name = target.filename().string();
    const fs::path fresh = target.parent_path() / ("." + name + ".mkpackage-new");
    const fs::path aside = target.parent_path() / ("." + name + ".mkpackage-old");
    fs::remove_all(fresh, failed);
    if (!Fill(plan, scripts, setupProgram, fresh, error) ||
        !SealAndSign(plan, scripts.front().second, fresh / "setup.exe", sign, error)) {
        fs::remove_all(fresh, failed);
        return false;
    }
    return Swap(fresh, target, aside, error);
}

}  // namespace mkpackage
