#include "engine/InstallDriver.h"

int32_t CountInstallFiles(const Project& project, bool mountedDevice) {
    int32_t count = project.FileCount(kSectionSystem) + project.FileCount(kSectionApplication) +
                    project.FileCount(kSectionConduit);
    if (mountedDevice) count += project.FileCount(kSectionMountedDevice);
    if (!project.multicomp) return count;
    for (const Component& component : project.components)
        if (component.selected && component.sub) count += CountInstallFiles(*component.sub, mountedDevice);
    return count;
}
