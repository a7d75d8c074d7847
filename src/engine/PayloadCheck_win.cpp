#include "engine/PayloadCheck.h"

#include <windows.h>

#include <algorithm>

#include "base/Text.h"
#include "win/Digest.h"

namespace {

// The sections in the order PCInstall copies them.
const FileSection kCopyOrder[] = {kSectionSystem, kSectionApplication, kSectionMountedDevice, kSectionConduit};

}  // namespace

PayloadCheck::~PayloadCheck() {
    stop_ = true;
    if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
}

void PayloadCheck::Collect(const Project& project, bool mountedDevice) {
    const std::vector<DataFileSeal>& seals = project.seals;
    for (FileSection section : kCopyOrder) {
        if (section == kSectionMountedDevice && !mountedDevice) continue;
        for (const FileEntry& entry : project.files[section]) {
            // The seals are in the order of their numbers.
            auto seal = std::lower_bound(seals.begin(), seals.end(), entry.dataFile,
                                         [](const DataFileSeal& s, int32_t number) { return s.dataFile < number; });
            if (seal != seals.end() && seal->dataFile == entry.dataFile) files_.push_back(&*seal);
        }
    }
    for (const Component& component : project.components)
        if (component.selected && component.sub) Collect(*component.sub, mountedDevice);
}

void PayloadCheck::HashAll() {
    const win::Sha256Digests digests;
    for (const DataFileSeal* seal : files_) {
        if (stop_) return;
        const std::string name = text::DataFileName(seal->dataFile);
        uint64_t size = 0;
        std::string digest;
        if (!digests.OfFile(dataFolder_ + name, &size, &digest) || digest != seal->sha256) {
            damaged_ = name;
            return;
        }
    }
}

DWORD WINAPI PayloadCheck::Run(void* self) {
    static_cast<PayloadCheck*>(self)->HashAll();
    return 0;
}

void PayloadCheck::Start(const Project& project, const std::string& dataFolder, bool mountedDevice) {
    dataFolder_ = dataFolder;
    Collect(project, mountedDevice);
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
