// Test help for the shared-library list: the key as Windows has it (a fresh Wine prefix lacks
// it), direct reads and writes of its values, and a guard that takes the key away for a test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win/Registry.h"
#include "win/UniqueHandle.h"

namespace sharedkey {

constexpr char kPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

inline bool Create() {
    win::UniqueKey key;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) ==
           ERROR_SUCCESS;
}

// A count as the installation reads it: a REG_DWORD of exactly 4 bytes.
inline bool Read(const std::string& path, DWORD* count) {
    win::UniqueKey key;
    return win::OpenKey(HKEY_LOCAL_MACHINE, kPath, KEY_READ, &key) && win::ReadDword(key.get(), path.c_str(), count);
}

inline bool SetRaw(const std::string& name, DWORD type, const void* data, DWORD size) {
    win::UniqueKey key;
    if (!win::OpenKey(HKEY_LOCAL_MACHINE, kPath, KEY_ALL_ACCESS, &key)) return false;
    return RegSetValueExA(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

inline bool SetCount(const std::string& name, long count) {
    DWORD value = static_cast<DWORD>(count);
    return SetRaw(name, REG_DWORD, &value, sizeof(value));
}

// Reads a value as stored: false when missing; type and raw bytes otherwise.
inline bool Get(const std::string& name, DWORD* type, std::string* bytes) {
    win::UniqueKey key;
    if (!win::OpenKey(HKEY_LOCAL_MACHINE, kPath, KEY_READ, &key)) return false;
    char buffer[64];
    DWORD size = sizeof(buffer);
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, type, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        return false;
    bytes->assign(buffer, size);
    return true;
}

// The stored count as a DWORD, or -999 when the value is missing or not a 4-byte DWORD.
inline long Count(const std::string& name) {
    DWORD type = 0;
    std::string bytes;
    if (!Get(name, &type, &bytes) || type != REG_DWORD || bytes.size() != 4) return -999;
    LONG value = 0;
    memcpy(&value, bytes.data(), 4);
    return value;
}

inline void Remove(const std::string& name) {
    win::UniqueKey key;
    if (win::OpenKey(HKEY_LOCAL_MACHINE, kPath, KEY_ALL_ACCESS, &key)) RegDeleteValueA(key.get(), name.c_str());
}

// Deletes the key for the guard's lifetime and puts it back, values included, afterwards.
class KeyAbsent {
public:
    KeyAbsent() {
        win::UniqueKey key;
        if (win::OpenKey(HKEY_LOCAL_MACHINE, kPath, KEY_READ, &key)) {
            existed_ = true;
            for (DWORD i = 0;; ++i) {
                char name[1024];
                BYTE data[1024];
                DWORD nameSize = sizeof(name), dataSize = sizeof(data), type = 0;
                if (RegEnumValueA(key.get(), i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
                    break;
                values_.push_back({std::string(name, nameSize), type,
                                   std::string(reinterpret_cast<char*>(data), dataSize)});
            }
        }
        key.reset();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kPath);
    }
    ~KeyAbsent() {
        if (!existed_) return;
        Create();
        for (const Value& v : values_) SetRaw(v.name, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
    }
    KeyAbsent(const KeyAbsent&) = delete;
    KeyAbsent& operator=(const KeyAbsent&) = delete;

private:
    struct Value {
        std::string name;
        DWORD type;
        std::string data;
    };
    bool existed_ = false;
    std::vector<Value> values_;
};

}  // namespace sharedkey
