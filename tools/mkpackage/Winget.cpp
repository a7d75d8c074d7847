#include "mkpackage/Winget.h"

#include <yaml-cpp/emitter.h>
#include <yaml-cpp/emittermanip.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "base/Limits.h"
#include "base/RunResult.h"
#include "engine/UninstallEntry.h"
#include "mkpackage/Encoding.h"
#include "script/PathTokens.h"

namespace mkpackage {

namespace fs = std::filesystem;

namespace {

constexpr char kManifestVersion[] = "1.10.0";
constexpr char kLocale[] = "en-US";  // the default language library's, ResENU.DLL

// What winget tells the user for each code the program ends with but 0. winget knows no code
// of an exe inside a zip: without its row, 3010 would be reported as a failure.
struct ReturnCode {
    int code;
    const char* response;  // winget's ReturnResponse
};
const ReturnCode kReturnCodes[] = {
    {kExitPackageUnreadable, "contactSupport"},  // unreadable or damaged: only its maker can mend it
    {kExitCancelled, "cancelledByUser"},
    {kExitInstallFailed, "contactSupport"},  // failed and taken back; the /LOG trace says why
    {kExitAnotherInstallation, "installInProgress"},
    {kExitFilesInUse, "packageInUse"},         // nothing done: the programs named are to be closed
    {kExitLogUnwritable, "invalidParameter"},  // the /LOG file winget names cannot be opened
    {kExitDowngrade, "downgrade"},
    {kExitBadCommandLine, "invalidParameter"},
    {kExitRestartNeeded, "rebootRequiredToFinish"},
};

// winget puts the install location last, where /D= may hold blanks; the log file goes before
// it, and a user's profile folder may hold blanks, so its name is quoted.
const char* const kSwitches[][2] = {{"Silent", "/S"},
                                    {"SilentWithProgress", "/PASSIVE"},
                                    {"InstallLocation", "/D=<INSTALLPATH>"},
                                    {"Log", "/LOG=\"<LOGPATH>\""}};

void Plain(YAML::Emitter& out, const char* key, const std::string& value) {
    out << YAML::Key << key << YAML::Value << value;
}

// A text from the manifest, in quotes so that a title such as 1.0 or yes stays a text to any
// YAML reader.
void Quoted(YAML::Emitter& out, const char* key, const std::string& ansi) {
    out << YAML::Key << key << YAML::Value << YAML::DoubleQuoted << FromWindows1252(ansi);
}

void Begin(YAML::Emitter& out, const char* type, const std::string& identifier, const Project& project) {
    out << YAML::Comment(std::string("yaml-language-server: $schema=https://aka.ms/winget-manifest.") + type +
                         "." + kManifestVersion + ".schema.json");
    out << YAML::BeginMap;
    Plain(out, "PackageIdentifier", identifier);
    Quoted(out, "PackageVersion", project.version);
}

std::string End(YAML::Emitter& out, const char* type) {
    Plain(out, "ManifestType", type);
    Plain(out, "ManifestVersion", kManifestVersion);
    out << YAML::EndMap << YAML::Newline;
    return out.c_str();
}

// The window title as the background window shows it, the author's one line on the product.
std::string ShortDescription(const Project& project) {
    std::string text;
    if (!ExpandTitleTokens(project, project.winTitle, &text, kPathLimit)) text = project.winTitle;
    return text;
}

// The manifest names a licence file, not a licence: License points to the file.
std::string License(const Project& project) {
    const DocRef& licence = project.licence;
    if (licence.fileIndex < 0) return "Proprietary";
    return "See " + project.files[licence.section][static_cast<size_t>(licence.fileIndex)].path;
}

std::string VersionText(const Project& project, const WingetOptions& options) {
    YAML::Emitter out;
    Begin(out, "version", options.identifier, project);
    Plain(out, "DefaultLocale", kLocale);
    return End(out, "version");
}

std::string LocaleText(const Project& project, const WingetOptions& options) {
    YAML::Emitter out;
    Begin(out, "defaultLocale", options.identifier, project);
    Plain(out, "PackageLocale", kLocale);
    Quoted(out, "Publisher", project.company);
    Quoted(out, "PackageName", project.title);
    Quoted(out, "License", License(project));
    Quoted(out, "ShortDescription", ShortDescription(project));
    return End(out, "defaultLocale");
}

std::string InstallerText(const Project& project, const WingetOptions& options, const std::string& sha256) {
    YAML::Emitter out;
    Begin(out, "installer", options.identifier, project);
    Plain(out, "InstallerType", "zip");
    Plain(out, "NestedInstallerType", "exe");
    out << YAML::Key << "NestedInstallerFiles" << YAML::Value << YAML::BeginSeq << YAML::BeginMap;
    Plain(out, "RelativeFilePath", "setup.exe");
    out << YAML::EndMap << YAML::EndSeq;
    // The install folder, shortcuts for all users and the Uninstall entry below HKLM.
    Plain(out, "Scope", "machine");
    out << YAML::Key << "InstallModes" << YAML::Value << YAML::Flow << YAML::BeginSeq << "interactive" << "silent"
        << "silentWithProgress" << YAML::EndSeq;
    out << YAML::Key << "InstallerSwitches" << YAML::Value << YAML::BeginMap;
    for (const auto& item : kSwitches) Plain(out, item[0], item[1]);
    out << YAML::EndMap;
    out << YAML::Key << "ExpectedReturnCodes" << YAML::Value << YAML::BeginSeq;
    for (const ReturnCode& code : kReturnCodes)
        out << YAML::BeginMap << YAML::Key << "InstallerReturnCode" << YAML::Value << code.code << YAML::Key
            << "ReturnResponse" << YAML::Value << code.response << YAML::EndMap;
    out << YAML::EndSeq;
    // A second installation goes into the first one's folder, replacing its files.
    Plain(out, "UpgradeBehavior", "install");
    // setup.exe's own manifest asks for administrator rights (requireAdministrator): started
    // unelevated, as winget starts it through the shell, Windows asks for them. winget need
    // not run elevated itself, as elevationRequired would demand.
    Plain(out, "ElevationRequirement", "elevatesSelf");
    const std::string entry = UninstallDisplayName(project);
    out << YAML::Key << "AppsAndFeaturesEntries" << YAML::Value << YAML::BeginSeq << YAML::BeginMap;
    Quoted(out, "DisplayName", entry);
    Quoted(out, "Publisher", project.company);
    Quoted(out, "DisplayVersion", project.version);
    Quoted(out, "ProductCode", entry);  // the name of the entry's key
    out << YAML::EndMap << YAML::EndSeq;
    out << YAML::Key << "Installers" << YAML::Value << YAML::BeginSeq << YAML::BeginMap;
    Plain(out, "Architecture", "x86");  // the 32-bit program every package ships
    out << YAML::Key << "InstallerUrl" << YAML::Value << YAML::DoubleQuoted << options.url;
    Plain(out, "InstallerSha256", sha256);
    out << YAML::EndMap << YAML::EndSeq;
    return End(out, "installer");
}

bool IsManifestFile(const fs::directory_entry& entry) {
    std::error_code failed;
    return entry.is_regular_file(failed) && !entry.is_symlink(failed) && entry.path().extension() == ".yaml";
}

}  // namespace

std::string WingetOptionsProblem(const WingetOptions& options) {
    // The patterns of winget's schema for PackageIdentifier and InstallerUrl.
    static const std::regex kIdentifier(R"(^[^.\s\\/:*?"<>|\x01-\x1f]{1,32}(\.[^.\s\\/:*?"<>|\x01-\x1f]{1,32}){1,7}$)");
    static const std::regex kUrl("^[Hh][Tt][Tt][Pp][Ss]?://.+$");
    if (options.identifier.size() > 128 || !std::regex_match(options.identifier, kIdentifier))
        return "--winget needs an identifier of two to eight parts with dots between them, such as "
               "Northwind.FieldNotes, each of 1 to 32 characters without blanks or \\ / : * ? \" < > |";
    if (options.url.size() > 2048 || !std::regex_match(options.url, kUrl))
        return "--winget-url needs an http or https URL of up to 2048 characters";
    return std::string();
}

bool CheckWinget(const PackagePlan& plan, const std::string& folder, std::string* error) {
    const Project& project = plan.project;
    const size_t description = ShortDescription(project).size();
    const std::string problem =
        project.version.empty()          ? "a 'version' (winget's PackageVersion)"
        : project.company.size() < 2     ? "a 'company' of 2 characters at least (winget's Publisher)"
        : project.title.size() < 2       ? "a 'title' of 2 characters at least (winget's PackageName)"
        : description < 3 || description > 256
            ? "a 'window_title' of 3 to 256 characters with its tokens put in (winget's ShortDescription)"
            : "";
    if (!problem.empty()) {
        *error = plan.manifests.front() + ": --winget needs " + problem + " in [package]";
        return false;
    }
    std::error_code failed;
    if (fs::exists(folder, failed) && !fs::is_directory(folder, failed)) {
        *error = "refused as the folder of winget's manifests: '" + folder + "' is a file";
        return false;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, failed))
        if (!IsManifestFile(entry)) {
            *error = "refused as the folder of winget's manifests: '" + folder + "' holds '" +
                     entry.path().filename().string() + "', which mkpackage did not write";
            return false;
        }
    return true;
}

bool WriteWingetManifests(const PackagePlan& plan, const WingetOptions& options, const std::string& zipSha256,
                          const std::string& folder, std::string* error) {
    const Project& project = plan.project;
    const std::pair<std::string, std::string> files[] = {
        {".yaml", VersionText(project, options)},
        {std::string(".locale.") + kLocale + ".yaml", LocaleText(project, options)},
        {".installer.yaml", InstallerText(project, options, zipSha256)}};
    std::error_code failed;
    // An earlier set may be another identifier's: winget takes a folder as one package.
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, failed))
        if (IsManifestFile(entry)) fs::remove(entry.path(), failed);
    fs::create_directories(folder, failed);
    for (const auto& [suffix, text] : files) {
        const fs::path path = fs::path(folder) / (options.identifier + suffix);
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << text;
        file.close();
        if (file.fail()) {
            *error = "cannot write '" + path.string() + "'";
            return false;
        }
    }
    return true;
}

}  // namespace mkpackage
