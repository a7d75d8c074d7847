// The digests of the data files an installation copies, taken on a thread of its own while
// the installation runs, so that checking a sealed package costs little more time than copying
// it: the copies wait on the file system, the digests on the processor. Sizes, and the digests
// of what the installation does not copy, are checked at start-up (startup/PackageCheck.h).
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "script/Project.h"
#include "win/UniqueHandle.h"

class PayloadCheck {
public:
    PayloadCheck() = default;
    // Stops the thread at its next file and waits for it.
    ~PayloadCheck();
    PayloadCheck(const PayloadCheck&) = delete;
    PayloadCheck& operator=(const PayloadCheck&) = delete;

    // Starts hashing the sealed files of the sections of `project` and of its selected
    // components (MountedDevice only with `mountedDevice`), in the order the installation
    // copies them, from `dataFolder`. Without seals nothing starts; when the thread cannot
    // start, Finish hashes the files itself.
    void Start(const Project& project, const std::string& dataFolder, bool mountedDevice);

    // Waits until every file was hashed; called once. True when each had its sealed digest;
    // otherwise `name` is the data file name of the first that did not (or could not be read).
    bool Finish(std::string* name);

private:
    void Collect(const Project& project, bool mountedDevice);
    void HashAll();
    static DWORD WINAPI Run(void* self);

    std::string dataFolder_;
    std::vector<const DataFileSeal*> files_;  // the projects' own, which outlive the check
    std::atomic<bool> stop_{false};
    std::string damaged_;  // written by the thread alone, read once it has ended
    win::UniqueKernelHandle thread_;
};
