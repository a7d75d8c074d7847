#include "startup/PackageCheck.h"

#include <windows.h>

#include <set>

#include "base/Text.h"
#include "state/Messages.h"
#include "state/SetupState.h"
#include "win/Digest.h"

bool PackageIntact(const Project& project, std::string* message) {
    std::set<int32_t> copied;
    for (const std::vector<FileEntry>& section : project.files)
        for (const FileEntry& entry : section) copied.insert(entry.dataFile);
    for (const DataFileSeal& seal : project.seals) {
        const std::string name = text::DataFileName(seal.dataFile);
        const std::string path = DataFilePath(seal.dataFile);
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            *message = DamagedPackageText(name, "is missing");
            return false;
        }
        const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        if (size != seal.size) {
            *message = DamagedPackageText(name, text::Format("has %llu bytes instead of %llu",
                                                             static_cast<unsigned long long>(size),
                                                             static_cast<unsigned long long>(seal.size)));
            return false;
        }
        if (copied.count(seal.dataFile)) continue;
        uint64_t hashed = 0;
        std::string digest;
        if (!win::Sha256FileHex(path, &hashed, &digest) || digest != seal.sha256) {
            *message = DamagedPackageText(name, "does not hold what its script seals");
            return false;
        }
    }
    for (const Component& component : project.components)
        if (component.sub && !PackageIntact(*component.sub, message)) return false;
    return true;
}
