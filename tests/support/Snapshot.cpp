#include "support/Snapshot.h"

#include <functional>

#include "support/TestEnv.h"
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

void AddValue(const Places::Value& value, Machine* machine) {
    win::UniqueKey key;
    DWORD type = 0;
    BYTE data[4096];
    DWORD size = sizeof data;
    const std::string name = "value " + RootName(value.root) + value.key + "\\" + value.name;
    if (RegOpenKeyExA(value.root, value.key.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS ||
        RegQueryValueExA(key.get(), value.name.c_str(), nullptr, &type, data, &size) != ERROR_SUCCESS)
        (*machine)[name] = "missing";
    else
        (*machine)[name] = std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
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
        char valueName[16384];
        DWORD nameSize = sizeof valueName;
        DWORD type = 0;
        BYTE data[4096];
        DWORD dataSize = sizeof data;
        if (RegEnumValueA(key.get(), index, valueName, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        (*machine)["value " + name + "\\" + valueName] =
            std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), dataSize);
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
