// Project::Load: the portable loader (ScriptLoader.h) reading through the Windows profile
// functions, as setup.exe does.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "script/Project.h"
#include "script/ScriptLoader.h"
#include "script/ScriptSection.h"
#include "win/Files.h"

namespace {

// Far beyond any script an authoring tool writes; a larger section is read up to this size.
constexpr size_t kMaxSectionBytes = 256u * 1024 * 1024;
constexpr size_t kFirstSectionBuffer = 64 * 1024;

// The profile reads of one script file.
class ProfileKeys : public script::ScriptKeys {
public:
    explicit ProfileKeys(const std::string& path) : path_(path) {}

    std::string Text(const char* section, const std::string& key, const char* fallback,
                     size_t limit) const override {
        std::vector<char> buffer(limit);
        DWORD n = GetPrivateProfileStringA(section, key.c_str(), fallback, buffer.data(),
                                           static_cast<DWORD>(buffer.size()), path_.c_str());
        return std::string(buffer.data(), n < buffer.size() ? n : buffer.size() - 1);
    }

    int32_t Int(const char* section, const char* key, int32_t fallback) const override {
        return static_cast<int32_t>(GetPrivateProfileIntA(section, key, fallback, path_.c_str()));
    }

    // A section is never longer than its file, so a buffer of the file's size takes it in one
    // read: a buffer grown from small had the section copied again for every size that was too
    // small, and with the sizes falling between powers of two twice the lines could cost three
    // times as long.
    script::SectionValues Section(const char* section) const override {
        size_t size = kFirstSectionBuffer;
        WIN32_FIND_DATAA file;
        if (win::FindEntry(path_, &file) && file.nFileSizeHigh == 0)
            size = std::min(std::max(size, static_cast<size_t>(file.nFileSizeLow) + 64), kMaxSectionBytes);
        for (;;) {
            std::unique_ptr<char[]> buffer(new char[size]);
            DWORD n = GetPrivateProfileSectionA(section, buffer.get(), static_cast<DWORD>(size), path_.c_str());
            // A buffer too small is reported as its size less two.
            if (n + 2 < size || size >= kMaxSectionBytes)
                return script::SectionValues(std::string_view(buffer.get(), n < size ? n : 0));
            size = std::min(size * 2, kMaxSectionBytes);
        }
    }

private:
    std::string path_;
};

class ProfileSource : public script::ScriptSource {
public:
    // The profile functions look for a path without a folder in the Windows folder; the full
    // path also names the script in the chain that stops a script from loading itself.
    std::string FullPath(const std::string& path) const override { return win::FullPath(path); }
    bool SamePath(const std::string& a, const std::string& b) const override {
        return lstrcmpiA(a.c_str(), b.c_str()) == 0;
    }
    std::unique_ptr<script::ScriptKeys> Open(const std::string& fullPath) const override {
        return std::unique_ptr<script::ScriptKeys>(new ProfileKeys(fullPath));
    }
};

}  // namespace

int32_t Project::Load(const std::string& scriptPath, bool loadSubProjects) {
    return script::LoadProject(*this, ProfileSource(), scriptPath, loadSubProjects);
}
