#include "mkpackage/Check.h"

#include <cstdint>
#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include "base/Text.h"
#include "mkpackage/Digest.h"
#include "mkpackage/Encoding.h"
#include "mkpackage/Rules.h"
#include "mkpackage/Trust.h"
#include "script/IniScript.h"
#include "mkpackage/Wording.h"
#include "script/Project.h"
#include "script/ScriptLoader.h"
#include "script/ScriptSchema.h"

namespace mkpackage {

namespace fs = std::filesystem;

namespace {

class Checker {
public:
    Checker(const fs::path& folder, std::string* report) : folder_(folder), report_(report) {}

    void Problem(const std::string& line) {
        *report_ += "refused: " + line + "\n";
        ++problems_;
    }
    int Problems() const { return problems_; }
    void Warn(const std::string& line) {
        *report_ += "warning: " + line + "\n";
        ++warnings_;
    }
    int Warnings() const { return warnings_; }

    // Data files of a project and its components; `where` names the script.
    void DataFiles(const Project& project, const std::string& where);
    // The sizes and digests of the data files each script seals; a file found missing before
    // is not named again.
    void Seals(const Project& project, const std::string& where);

    bool Need(int32_t number, const std::string& user) {
        std::error_code failed;
        if (fs::is_regular_file(folder_ / text::DataFileName(number), failed)) return true;
        Problem("missing data file " + text::DataFileName(number) + " for " + user);
        missing_.insert(number);
        return false;
    }

private:
    fs::path folder_;
    std::set<int32_t> missing_;
    std::string* report_;
    int problems_ = 0;
    int warnings_ = 0;
};

void Checker::DataFiles(const Project& project, const std::string& where) {
    for (int s = 0; s < kSectionCount; ++s)
        for (size_t i = 0; i < project.files[s].size(); ++i)
            Need(project.files[s][i].dataFile, text::Format("[%s] File%u \"%s\" in %s", kSectionNames[s],
                                                          static_cast<unsigned>(i), project.files[s][i].path.c_str(),
                                                          where.c_str()));
    if (project.backgroundImage.dataFile >= 0) Need(project.backgroundImage.dataFile, "BackgroundImage in " + where);
    if (project.logo.dataFile >= 0) Need(project.logo.dataFile, "ProjectLogo in " + where);
    for (const Component& component : project.components)
        DataFiles(*component.sub, text::DataFileName(component.subScript));
}

void Checker::Seals(const Project& project, const std::string& where) {
    for (const DataFileSeal& seal : project.seals) {
        if (missing_.count(seal.dataFile)) continue;
        const std::string name = text::DataFileName(seal.dataFile);
        const std::string damaged = "damaged data file " + name + " (sealed in " + where + "): ";
        uint64_t size = 0;
        std::string digest;
        if (!Need(seal.dataFile, "the [Integrity] line in " + where)) continue;
        if (!FileSha256Hex((folder_ / name).string(), &size, &digest))
            Problem(damaged + "it cannot be read");
        else if (size != seal.size)
            Problem(damaged + text::Format("%llu bytes, sealed with %llu", static_cast<unsigned long long>(size),
                                           static_cast<unsigned long long>(seal.size)));
        else if (digest != seal.sha256)
            Problem(damaged + "its SHA-256 is not the one sealed");
    }
    for (const Component& component : project.components) Seals(*component.sub, text::DataFileName(component.subScript));
}

// The component rules as setup.exe applies them, and the warnings of every script.
void Rules(const Project& project, const std::string& where, Checker* checker) {
    bool none = false;
    const std::string problem = where == text::DataFileName(1) ? SelectionProblem(project, &none) : "";
    if (!problem.empty()) checker->Problem(problem);
    for (const Warning& warning : ProjectWarnings(project)) checker->Warn(warning.text + " (" + where + ")");
    for (const Component& component : project.components)
        if (component.sub) Rules(*component.sub, text::DataFileName(component.subScript), checker);
}


void Summarise(const Project& project, const std::string& indent, std::string* report) {
    *report += indent + "title: " + project.title + (project.version.empty() ? "" : " " + project.version) + "\n";
    *report += indent + "files:";
    for (int s = 0; s < kSectionCount; ++s)
        *report += text::Format(" %s %d", kSectionNames[s], project.FileCount(static_cast<FileSection>(s)));
    *report += "\n";
    for (const Component& component : project.components) {
        *report += indent + "component \"" + component.name + "\" (" + text::DataFileName(component.subScript) +
                   (component.selected ? ", selected" : "") + ")\n";
        Summarise(*component.sub, indent + "  ", report);
    }
}

}  // namespace

bool CheckPackage(const std::string& folder, std::string* report) {
    const fs::path root(folder);
    // The scripts' texts are Windows-1252; the report is UTF-8, as the manifests are.
    std::string lines;
    Checker checker(root, &lines);
    std::error_code failed;
    if (!fs::is_regular_file(root / "setup.exe", failed)) checker.Problem("no setup.exe");
    std::vector<std::string> distrusted;
    CheckProgramTrust((root / "setup.exe").string(), (root / text::DataFileName(1)).string(), &distrusted, &lines);
    for (const std::string& problem : distrusted) checker.Problem(problem);

    const std::string mainScript = (root / text::DataFileName(1)).string();
    Project project;
    script::LoadFailure failure;
    const bool script = fs::is_regular_file(mainScript, failed);
    const int32_t code =
        script ? script::LoadProject(project, script::IniScriptFiles(), mainScript, true, &failure) : 0;
    if (!script) {
        checker.Problem("no install script: " + text::DataFileName(1) +
                        (fs::exists(mainScript, failed) ? " is not a file" : " is missing"));
    } else if (code != 0) {
        checker.Problem(text::Format("0x%08X at %s in %s: %s", static_cast<unsigned>(code), failure.key.c_str(),
                                     fs::path(failure.script).filename().string().c_str(),
                                     script::LoadCodeText(code)));
    } else {
        checker.DataFiles(project, text::DataFileName(1));
        if (project.languageDllIndex < 0)
            checker.Problem("LanguageDLLIndex names no language library");
        else
            checker.Need(project.languageDllIndex, "LanguageDLLIndex");
        checker.Seals(project, text::DataFileName(1));
        Rules(project, text::DataFileName(1), &checker);
        Summarise(project, "", &lines);
    }

    uintmax_t total = 0;
    int count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(root, failed)) {
        if (!entry.is_regular_file(failed)) continue;
        total += entry.file_size(failed);
        ++count;
    }
    lines += text::Format("size: %llu bytes in %d files\n", static_cast<unsigned long long>(total), count);
    lines += checker.Problems() == 0 ? "would install" : "would not install: " + Counted(static_cast<size_t>(checker.Problems()), "problem");
    lines += checker.Warnings() == 0 ? "\n" : ", " + Counted(static_cast<size_t>(checker.Warnings()), "warning") + "\n";
    *report += FromWindows1252(lines);
    return checker.Problems() == 0;
}

}  // namespace mkpackage
