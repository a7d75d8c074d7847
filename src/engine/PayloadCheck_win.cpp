#include "engine/PayloadCheck.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "base/Text.h"
#include "win/Digest.h"

namespace {

// The sections in the order PCInstall copies them.
const FileSection kCopyOrder[] = {kSectionSystem, kSectionApplication, kSectionMountedDevice, kSectionConduit};

// The seals are in the order of their numbers.
const DataFileSeal* SealOf(const Project& project, int32_t dataFile) {
    auto found = std::lower_bound(project.seals.begin(), project.seals.end(), dataFile,
                                  [](const DataFileSeal& seal, int32_t number) { return seal.dataFile < number; });
    return found != project.seals.end() && found->dataFile == dataFile ? &*found : nullptr;
}

}  // namespace

PayloadCheck::~PayloadCheck() {
    stop_ = true;
    if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
}

void PayloadCheck::Collect(const Project& project, const std::string& dataFolder, bool mountedDevice) {
    std::set<int32_t> taken;
    for (FileSection section : kCopyOrder) {
        if (section == kSectionMountedDevice && !mountedDevice) continue;
        for (const FileEntry& entry : project.files[section]) {
            const DataFileSeal* seal = SealOf(project, entry.dataFile);
            if (!seal || !taken.insert(entry.dataFile).second) continue;
            const std::string name = text::DataFileName(entry.dataFile);
            files_.push_back(Sealed{dataFolder + name, name, seal->sha256});
        }
    }
    for (const Component& component : project.components)
        if (component.selected && component.sub) Collect(*component.sub, dataFolder, mountedDevice);
}

void PayloadCheck::HashAll() {
    for (const Sealed& file : files_) {
        if (stop_) return;
        uint64_t size = 0;
        std::string digest;
        if (!win::Sha256FileHex(file.path, &size, &digest) || digest != file.sha256) {
            damaged_ = file.name;
            return;
        }
    }
}

DWORD WINAPI PayloadCheck::Run(void* self) {
    static_cast<PayloadCheck*>(self)->HashAll();
    return 0;
}

void PayloadCheck::Start(const Project& project, const std::string& dataFolder, bool mountedDevice) {
    Collect(project, dataFolder, mountedDevice);
    if (!files_.empty()) thread_.reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
}

bool PayloadCheck::Finish(std::string* name) {
    if (thread_) {
        WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    } else {
        HashAll();
    }
    if (damaged_.empty()) return true;
    *name = damaged_;
    return false;
}
