#include "transaction/RunFiles.h"

#include <windows.h>

#include "base/RunResult.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "win/Files.h"
#include "win/SecureFolder.h"

namespace {

constexpr int kRunFolderCandidates = 10;

std::string RunFolderBase() {
    const std::string windows = win::WindowsFolder();
    return windows.empty() ? std::string() : text::JoinPath(windows, "HandheldSetup");
}

}  // namespace

std::string RunFilesFolder() {
    const std::string base = RunFolderBase();
    for (int n = 0; !base.empty() && n < kRunFolderCandidates; ++n) {
        const std::string folder = n == 0 ? base : text::Format("%s.%d", base.c_str(), n);
        if (!win::MakeAdminOnlyFolder(folder) && GetLastError() != ERROR_ALREADY_EXISTS) {
            Fail("Journal", "making the run files folder", folder, GetLastError());
            return std::string();
        }
        std::string why;
        if (win::IsAdminOnlyFolder(folder, &why)) {
            if (!why.empty()) Trace(text::Format("Setup::The run files folder %s: %s.\n", folder.c_str(), why.c_str()).c_str());
            return folder;
        }
        Trace(text::Format("Setup::The run files folder %s is not used: %s.\n", folder.c_str(), why.c_str()).c_str());
    }
    Fail("Journal", "finding a run files folder that only administrators can change beside", base, 0);
    return std::string();
}

bool IsRunFilesFolder(const std::string& folder) {
    const std::string base = RunFolderBase();
    if (base.empty() || folder.size() < base.size() || !text::EqualsNoCase(folder.substr(0, base.size()), base))
        return false;
    return folder.size() == base.size() || folder[base.size()] == '.';
}
