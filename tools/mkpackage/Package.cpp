#include "mkpackage/Package.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
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
    if (existed) fs::rename(output, aside, failed);
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

// A folder the tool may remove: a package it made (setup.exe, the main script and numbered data
// files, nothing else, no links) or an empty folder; with `partial`, for the scratch folders of
// a run that broke off, any of those files.
bool IsOwnFolder(const fs::path& folder, bool partial) {
    std::error_code failed;
    bool setup = false, script = false, empty = true;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, failed)) {
        const std::string name = entry.path().filename().string();
        const bool numbered = name.size() == 8 && name.find_first_not_of("0123456789") == std::string::npos;
        if (entry.is_symlink(failed) || !entry.is_regular_file(failed) || !(numbered || name == "setup.exe"))
            return false;
        setup = setup || name == "setup.exe";
        script = script || name == text::DataFileName(kMainScript);
        empty = false;
    }
    return !failed && (empty || partial || (setup && script));
}

bool Same(const fs::path& a, const fs::path& b) {
    std::error_code failed;
    return fs::equivalent(a, b, failed);
}

// `inner` is `outer` or lies inside it.
bool Within(fs::path inner, const fs::path& outer) {
    for (;; inner = inner.parent_path()) {
        if (Same(inner, outer)) return true;
        if (inner.empty() || inner == inner.parent_path()) return false;
    }
}

// The package replaces its output folder whole, so it may not be the manifest's folder, hold
// the manifest or a source, or lie inside a folder of sources (other than the manifest's own,
// those above it and the setup program's). Folders are compared as the file system knows them (fs::equivalent):
// full canonical paths, links followed, letter case as the file system treats it.
bool OutputAllowed(const PackagePlan& plan, const std::string& setupProgram, const std::string& output,
                   const fs::path& target, std::string* error) {
    std::vector<std::pair<std::string, const char*>> inputs;
    for (const std::string& manifest : plan.manifests) inputs.emplace_back(manifest, "the manifest");
    for (const auto& entry : plan.data) inputs.emplace_back(entry.second, "the source");
    inputs.emplace_back(setupProgram, "the setup program");
    std::error_code failed;
    const fs::path manifestFolder =
        plan.manifests.empty() ? fs::path() : fs::weakly_canonical(plan.manifests.front(), failed).parent_path();
    const std::string refused = "refused as the output folder: '" + output + "' ";
    const std::string tail = ": the output folder is replaced whole; name a folder of its own";
    if (!manifestFolder.empty() && Same(target, manifestFolder)) {
        *error = refused + "is the manifest's folder" + tail;
        return false;
    }
    std::set<fs::path> folders;
    for (const auto& input : inputs) {
        const fs::path path = fs::weakly_canonical(input.first, failed);
        if (Within(path.parent_path(), target)) {
            *error = refused + "holds " + input.second + " '" + input.first + "'" + tail;
            return false;
        }
        folders.insert(path.parent_path());
    }
    // The setup program's folder (where the default language library lies too) is no folder of
    // sources: packages are often made beside it.
    const fs::path setupFolder = fs::weakly_canonical(setupProgram, failed).parent_path();
    for (const fs::path& folder : folders)
        if (!Within(manifestFolder, folder) && !Same(folder, setupFolder) && Within(target, folder)) {
            *error = refused + "lies inside '" + folder.string() + "', a folder of the package's sources: keep the "
                               "package out of them";
            return false;
        }
    if (fs::exists(target, failed) && !IsOwnFolder(target, false)) {
        *error = refused + "exists and is neither empty nor a package mkpackage made" + tail;
        return false;
    }
    return true;
}

// The output folder as a full path without a trailing separator.
fs::path Target(const std::string& output) {
    std::error_code failed;
    fs::path target = fs::absolute(fs::path(output), failed).lexically_normal();
    return target.has_filename() ? target : target.parent_path();
}

}  // namespace

std::string BesidePackage(const std::string& output, const std::string& suffix) {
    const fs::path target = Target(output);
    const fs::path beside = target.parent_path() / (target.filename().string() + suffix);
    std::error_code failed;
    const fs::path relative = beside.lexically_relative(fs::current_path(failed));
    // As the output folder was named: relative to the current folder, or in full.
    return fs::path(output).is_absolute() || relative.empty() ? beside.string() : relative.string();
}

bool ReadsFile(const PackagePlan& plan, const std::string& setupProgram, const std::string& path) {
    if (Same(setupProgram, path)) return true;
    for (const std::string& manifest : plan.manifests)
        if (Same(manifest, path)) return true;
    for (const auto& entry : plan.data)
        if (Same(entry.second, path)) return true;
    return false;
}

bool WritePackage(PackagePlan& plan, const std::string& setupProgram, const std::string& output,
                  std::string* error, const SignOptions& sign) {
    std::error_code failed;
    const fs::path target = Target(output);
    if (fs::exists(target, failed) && !fs::is_directory(target, failed)) {
        *error = "'" + output + "' exists and is not a folder";
        return false;
    }
    if (!OutputAllowed(plan, setupProgram, output, target, error)) return false;
    const std::string name = target.filename().string();
    const fs::path fresh = target.parent_path() / ("." + name + ".mkpackage-new");
    const fs::path aside = target.parent_path() / ("." + name + ".mkpackage-old");
    for (const fs::path& scratch : {fresh, aside})
        if (fs::exists(scratch, failed) && !IsOwnFolder(scratch, true)) {
            *error = "'" + scratch.string() + "' is in the way, and mkpackage did not make it";
            return false;
        }

    const std::map<int32_t, std::string> sources(plan.data.begin(), plan.data.end());
    if (!Seal(plan.project, sources, error)) return false;
    Scripts scripts;
    CollectScripts(plan.project, kMainScript, &scripts);
    if (!ReadsBack(plan, scripts, error)) return false;
    if (!fs::is_regular_file(setupProgram, failed)) {
        *error = "the setup program '" + setupProgram + "' is not a readable file";
        return false;
    }
    for (const fs::path& scratch : {fresh, aside}) fs::remove_all(scratch, failed);
    if (!Fill(plan, scripts, setupProgram, fresh, error) ||
        !SealAndSign(plan, scripts.front().second, fresh / "setup.exe", sign, error)) {
        fs::remove_all(fresh, failed);
        return false;
    }
    return Swap(fresh, target, aside, error);
}

}  // namespace mkpackage
