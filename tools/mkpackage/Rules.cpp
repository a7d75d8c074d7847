#include "mkpackage/Rules.h"

#include <cctype>
#include <cstring>

#include "base/Text.h"
#include "mkpackage/Encoding.h"
#include "script/PathTokens.h"
#include "startup/Launch.h"
#include "wizard/ComponentSelection.h"

namespace mkpackage {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDrive(const std::string& path) {
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// "CON", "COM1", "LPT²", ... as Windows reserves them, with any extension and blanks before it.
bool IsDeviceName(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = Upper1252(c);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (base == device) return true;
    const bool numbered = base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0);
    return numbered && (std::isdigit(static_cast<unsigned char>(base[3])) || std::strchr("\xB9\xB2\xB3", base[3]));
}

// Every part of a path split at its separators; empty parts included.
std::vector<std::string> Parts(const std::string& path) {
    std::vector<std::string> parts(1);
    for (char c : path) {
        if (IsSeparator(c))
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// The Application files a project puts in the install folder, with those of the components
// that install there.
void InstalledKeys(const Project& project, std::vector<std::string>* keys) {
    for (const FileEntry& entry : project.files[kSectionApplication]) {
        const std::string* folder = project.FolderAt(kSectionApplication, entry.folder);
        keys->push_back(DestinationKey(folder ? *folder : std::string(), entry.path));
    }
    for (const Component& component : project.components)
        if (component.useMainFolder && component.sub) InstalledKeys(*component.sub, keys);
}

void FolderWarnings(const Project& project, std::vector<Warning>* warnings) {
    bool shortcuts = false;
    for (const FileEntry& entry : project.files[kSectionApplication]) shortcuts = shortcuts || entry.menuShortcut;
    const struct {
        const char* key;
        const std::string& value;
        bool used;
        const char* what;
    } settings[] = {{"install_dir", project.defTargetDir, true, "install folder"},
                    {"shortcut_dir", project.defShortcutDir, shortcuts, "shortcut folder"},
                    {"mounted_dir", project.defMountedDir, project.FileCount(kSectionMountedDevice) > 0,
                     "folder on the device"}};
    // The system's folders stand for themselves; the project's texts are looked at.
    auto value = [&project](PathToken token, size_t, std::string* out) {
        if (token == PathToken::Company || token == PathToken::Title || token == PathToken::Ver)
            return ProjectTokenValue(project, token, out);
        *out = "\\";
        return true;
    };
    for (const auto& setting : settings) {
        std::string path;
        if (!setting.used || !ExpandTokens(setting.value, false, 4096, value, &path)) continue;
        std::vector<std::string> parts = Parts(path);
        for (size_t i = 0; i < parts.size(); ++i) {
            if (parts[i].empty() || (i == 0 && parts[i].size() == 2 && HasDrive(parts[i]))) continue;
            const std::string problem = NameProblem(parts[i]);
            if (problem.empty()) continue;
            warnings->push_back({setting.key, "the " + std::string(setting.what) + " cannot be made: '" + parts[i] +
                                                  "' " + problem});
            break;
        }
    }
}

void LaunchWarning(const Project& project, std::vector<Warning>* warnings) {
    if (project.launch.empty()) return;
    const std::string file = SplitLaunchCommand(project.launch).file;
    const std::string token = "<INSTALLDIR>";
    if (text::AsciiUpper(file.substr(0, token.size())) == token) {
        std::string rest = file.substr(token.size()), expanded;
        auto value = [&project](PathToken name, size_t, std::string* out) {
            return ProjectTokenValue(project, name, out);
        };
        if (ExpandTokens(rest, true, 4096, value, &expanded)) rest = expanded;
        std::vector<std::string> keys;
        InstalledKeys(project, &keys);
        const std::string wanted = DestinationKey("", rest);
        for (const std::string& key : keys)
            if (key == wanted) return;
        warnings->push_back({"launch", "'launch' names '" + file + "', which is no file the package installs"});
    } else if (file.find('<') == std::string::npos && !HasDrive(file) && file.compare(0, 2, "\\\\") != 0) {
        warnings->push_back({"launch", "'launch' names '" + file +
                                           "', which is no installed file: name it by its full path, "
                                           "as <InstallDir>\\" + file});
    }
}

}  // namespace

std::string NameProblem(const std::string& name) {
    if (name.empty()) return "is empty";
    if (name == "..") return "leaves its folder";
    if (name == ".") return "is the folder itself";
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return "holds a control character";
        if (std::strchr("<>:\"/\\|?*", c)) return text::Format("holds '%c', which Windows forbids in names", c);
    }
    if (name.back() == '.' || name.back() == ' ') return "ends with a dot or a blank, which Windows drops";
    if (IsDeviceName(name)) return "is a name Windows reserves for a device (" + name.substr(0, name.find('.')) + ")";
    return std::string();
}

std::string FolderProblem(const std::string& folder, bool absolute) {
    std::string rest = folder;
    if (absolute && HasDrive(rest) && rest.size() >= 3 && IsSeparator(rest[2]))
        rest.erase(0, 3);
    else if (absolute && rest.compare(0, 2, "\\\\") == 0)
        rest.erase(0, 2);
    else if (HasDrive(rest) || (!rest.empty() && IsSeparator(rest[0])))
        return "is a full path: a folder is relative to its section's folder";
    if (rest.empty()) return std::string();
    const std::vector<std::string> parts = Parts(rest);
    for (const std::string& part : parts) {
        if (part == "..") return "leaves its folder";
        if (part.empty()) return "holds two separators in a row";
        const std::string problem = NameProblem(part);
        if (!problem.empty()) return parts.size() == 1 ? problem : "holds '" + part + "', which " + problem;
    }
    return std::string();
}

std::string DestinationKey(const std::string& folder, const std::string& name) {
    std::string key;
    for (char c : folder + "\\" + name) {
        if (IsSeparator(c) && (key.empty() || key.back() == '\\')) continue;
        key += IsSeparator(c) ? '\\' : Upper1252(c);
    }
    return key;
}

std::string SelectionProblem(const Project& project, bool* none) {
    *none = false;
    if (!project.multicomp || project.components.empty()) return std::string();
    const SelectionCounts preselected = CountSelection(project.components);
    if (SelectionAllowsNext(preselected, project.group0MinComp)) return std::string();
    // The most any choice can give: every free component and one of each group.
    std::vector<Component> best(project.components.size());
    for (size_t i = 0; i < best.size(); ++i) best[i].group = project.components[i].group;
    SetAllSelected(&best, true);
    for (size_t i = 0; i < best.size(); ++i)
        if (best[i].selected) KeepFocusAloneInGroup(&best, static_cast<int>(i), true);
    const SelectionCounts most = CountSelection(best);
    *none = !SelectionAllowsNext(most, project.group0MinComp);
    if (*none)
        return text::Format("no choice of components passes the component rules: group0_min asks for %d selected "
                            "components of group 0, and there %s only %d",
                            project.group0MinComp, most.selectedFree == 1 ? "is" : "are", most.selectedFree);
    std::string broken;
    if (preselected.anyFree && preselected.selectedFree < project.group0MinComp)
        broken = text::Format("%d components of group 0 are preselected, and group0_min asks for %d",
                              preselected.selectedFree, project.group0MinComp);
    for (const Component& component : project.components) {
        int selected = 0;
        for (const Component& other : project.components)
            selected += other.group == component.group && other.selected ? 1 : 0;
        if (broken.empty() && component.group != 0 && selected != 1)
            broken = text::Format("group %d has %d components preselected, and the rules ask for exactly one",
                                  component.group, selected);
    }
    return "the preselected components break the component rules: " + broken +
           "; the wizard opens with Next disabled, and setup.exe /S ends with 1639 unless /COMPONENTS chooses";
}

std::vector<Warning> ProjectWarnings(const Project& project) {
    std::vector<Warning> warnings;
    FolderWarnings(project, &warnings);
    LaunchWarning(project, &warnings);
    return warnings;
}

}  // namespace mkpackage
