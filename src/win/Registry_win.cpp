#include "win/Registry.h"

#include <cstring>
#include <vector>

namespace win {

const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

namespace {

const char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

KeyAccessHook g_keyAccessHook = nullptr;

}  // namespace

bool OpenKey(HKEY root, const std::string& path, REGSAM access, UniqueKey* key) {
    HKEY opened = nullptr;
    LONG rc = RegOpenKeyExA(root, path.c_str(), 0, g_keyAccessHook ? g_keyAccessHook(root, path, access) : access,
                            &opened);
    if (rc != ERROR_SUCCESS) {
        key->reset();
        SetLastError(static_cast<DWORD>(rc));
        return false;
    }
    key->reset(opened);
    return true;
}

bool ReadString(HKEY key, const char* name, size_t limit, std::string* out) {
    if (limit == 0) return false;
    std::vector<char> buffer(limit + 1, '\0');
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(limit);
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return false;
    }
    if (type != REG_SZ) {
        SetLastError(ERROR_INVALID_DATATYPE);
        return false;
    }
    // Text stored without its terminator can fill the limit exactly; the terminator must fit too.
    if (size >= limit && !std::memchr(buffer.data(), '\0', limit)) {
        SetLastError(ERROR_MORE_DATA);
        return false;
    }
    // The extra byte keeps data without a terminator terminated.
    *out = std::string(buffer.data());
    return true;
}

namespace {

// The registry hands its error back rather than setting it; callers read GetLastError().
bool Succeeded(LONG rc) {
    SetLastError(static_cast<DWORD>(rc));
    return rc == ERROR_SUCCESS;
}

}  // namespace

bool WriteString(HKEY key, const char* name, const std::string& value) {
    return Succeeded(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>(value.size() + 1)));
}

bool WriteRawValue(HKEY key, const char* name, DWORD type, const std::string& data) {
    return Succeeded(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                    static_cast<DWORD>(data.size())));
}

bool DeleteValue(HKEY key, const char* name) {
    const LONG rc = RegDeleteValueA(key, name);
    return Succeeded(rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc);
}

bool DeleteKey(HKEY key, const std::string& path) {
    const LONG rc = RegDeleteKeyA(key, path.c_str());
    return Succeeded(rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc);
}

bool ReadDword(HKEY key, const char* name, DWORD* out) {
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value)) return false;
    *out = value;
    return true;
}

bool WriteDword(HKEY key, const char* name, DWORD value) {
    return Succeeded(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)));
}

bool ReadRawValue(HKEY key, const char* name, DWORD* type, std::string* data) {
    DWORD kind = 0;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, &kind, nullptr, &size);
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return false;
    }
    std::string bytes(size, '\0');
    rc = size > 0 ? RegQueryValueExA(key, name, nullptr, &kind, reinterpret_cast<BYTE*>(&bytes[0]), &size)
                  : ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return false;
    }
    bytes.resize(size);
    *type = kind;
    *data = bytes;
    return true;
}

bool ReadProgramFilesFolder(size_t limit, std::string* out) {
    UniqueKey key;
    return OpenKey(HKEY_LOCAL_MACHINE, kCurrentVersionKey, KEY_READ, &key) &&
           ReadString(key.get(), "ProgramFilesDir", limit, out);
}

std::vector<std::string> SubkeyNames(HKEY key, size_t limit) {
    std::vector<std::string> names;
    std::vector<char> name(limit);
    for (DWORD index = 0;; ++index) {
        DWORD size = static_cast<DWORD>(limit);
        const LONG rc = RegEnumKeyExA(key, index, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return names;
        names.emplace_back(name.data(), size);
    }
}

HKEY RootKey(const std::string& name) { return name == "HKCU" ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

void SetKeyAccessHook(KeyAccessHook hook) { g_keyAccessHook = hook; }

}  // namespace win
