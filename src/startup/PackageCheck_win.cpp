#include "startup/PackageCheck.h"

#include <windows.h>

#include "base/RunResult.h"
#include "base/Text.h"
#include "state/Messages.h"
#include "win/Digest.h"

namespace {

// The data files the installation does not copy: nothing else hashes them, and most are read
// before the first page.
bool HashedUpFront(const Project& project, int32_t number) {
    bool read = number == project.languageDllIndex || number == project.conduitInstallerIndex ||
                number == project.backgroundImage.dataFile || number == project.logo.dataFile;
    for (const Component& component : project.components) read = read || number == component.subScript;
    return read;
}

bool Intact(const Project& project, const std::string& folder, const win::Sha256Digests& digests,
            std::string* message) {
    for (const DataFileSeal& seal : project.seals) {
        const std::string name = text::DataFileName(seal.dataFile);
        const std::string path = text::PackageFilePath(folder, name);
        WIN32_FILE_ATTRIBUTE_DATA data;
        const bool found = GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) != 0;
        if (!found || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            const DWORD error = found ? ERROR_DIRECTORY : GetLastError();
            *message = DamagedPackageText(name, "is missing");
            return Fail("PackageCheck", "finding the data file", path, error);
        }
        const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        if (size != seal.size) {
            *message = DamagedPackageText(name, text::Format("has %llu bytes instead of %llu",
                                                             static_cast<unsigned long long>(size),
                                                             static_cast<unsigned long long>(seal.size)));
            return Fail("PackageCheck", "matching the sealed size of", path, 0);
        }
        if (!HashedUpFront(project, seal.dataFile)) continue;
        uint64_t hashed = 0;
        std::string digest;
        if (!digests.OfFile(path, &hashed, &digest) || digest != seal.sha256) {
            *message = DamagedPackageText(name, "does not hold what its script seals");
            return Fail("PackageCheck", "matching the sealed digest of", path, 0);
        }
    }
    for (const Component& component : project.components)
        if (component.sub && !Intact(*component.sub, folder, digests, message)) return false;
    return true;
}

}  // namespace

bool PackageIntact(const Project& project, const std::string& folder, std::string* message) {
    const win::Sha256Digests digests;
    return Intact(project, folder, digests, message);
}
