#include "support/Snapshot.h"

#include <functional>

#include "support/TestEnv.h"
#include "win/Registry.h"
#include "win/UniqueHandle.h"

namespace snapshot {

namespace {

void AddFile(const std::string& path, Machine* machine) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        (*machine)["missing " + path] = "";
        return;
    }
    const std::string bytes = testenv::ReadFile(path);
    (*machine)["file " + path] = std::to_string(bytes.size()) + " bytes, hash " +
                                 std::to_string(std::hash<std::string>()(bytes)) + ", attributes " +
                                 std::to_string(attributes);
}

void AddFolder(const std::string& folder, Machine* machine) {
    WIN32_FIND_DATAA entry;
    win::UniqueFind find(FindFirstFileA((folder + "\\*").c_str(), &entry));
    if (!find) {
        (*machine)["missing " + folder] = "";
        return;
    }
    (*machine)["folder " + folder] = "";
    std::vector<std::string> children;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") children.push_back(folder + "\\" + name);
    } while (FindNextFileA(find.get(), &entry));
    find.reset();
    for (const std::string& child : children) {
        if (GetFileAttributesA(child.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            AddFolder(child, machine);
        else
            AddFile(child, machine);
    }
}

std::string RootName(HKEY root) { return root == HKEY_CURRENT_USER ? "HKCU\\" : "HKLM\\"; }

std::string ValueText(HKEY key, const std::string& name) {
    DWORD type = 0;
    std::string data;
    if (!win::ReadRawValue(key, name.c_str(), &type, &data)) return "missing";
    return std::to_string(type) + ":" + data;
}

void AddValue(const Places::Value& value, Machine* machine) {
    win::UniqueKey key;
    const std::string name = "value " + RootName(value.root) + value.key + "\\" + value.name;
    (*machine)[name] = win::OpenKey(value.root, value.key, KEY_READ, &key) ? ValueText(key.get(), value.name) : "missing";
}

void AddKey(HKEY root, const std::string& path, Machine* machine) {
    const std::string name = RootName(root) + path;
    win::UniqueKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        (*machine)["missing key " + name] = "";
        return;
    }
    (*machine)["key " + name] = "";
    for (DWORD index = 0;; ++index) {
        char valueName[16384];  // the longest value name the registry allows, and its terminator
        DWORD nameSize = sizeof valueName;
        if (RegEnumValueA(key.get(), index, valueName, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        (*machine)["value " + name + "\\" + valueName] = ValueText(key.get(), valueName);
    }
    std::vector<std::string> subkeys;
    for (DWORD index = 0;; ++index) {
        char subkey[256];
        DWORD size = sizeof subkey;
        if (RegEnumKeyExA(key.get(), index, subkey, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.push_back(subkey);
    }
    key.reset();
    for (const std::string& subkey : subkeys) AddKey(root, path + "\\" + subkey, machine);
}

}  // namespace

Machine Take(const Places& places) {
    Machine machine;
    for (const std::string& folder : places.folders) AddFolder(folder, &machine);
    for (const std::string& file : places.files) AddFile(file, &machine);
    for (const auto& key : places.keys) AddKey(key.first, key.second, &machine);
    for (const Places::Value& value : places.values) AddValue(value, &machine);
    return machine;
}

std::vector<std::string> Differences(const Machine& before, const Machine& after) {
    std::vector<std::string> lines;
    for (const auto& entry : before) {
        auto found = after.find(entry.first);
        if (found == after.end() || found->second != entry.second) lines.push_back("- " + entry.first + " " + entry.second);
    }
    for (const auto& entry : after) {
        auto found = before.find(entry.first);
        if (found == before.end() || found->second != entry.second) lines.push_back("+ " + entry.first + " " + entry.second);
    }
    return lines;
}

}  // namespace snapshot
