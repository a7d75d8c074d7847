// Which applications hold files, and closing and restarting them, through the Restart Manager
// of Windows Vista and later (rstrtmgr.dll, loaded from the System folder when first asked).
// Without it nothing is named or closed.
#pragma once

#include <string>
#include <vector>

namespace win {

// The answers the installation asks of whoever knows the holders of files; tests stand in for
// the Restart Manager, which under Wine names nobody.
class ApplicationHolders {
public:
    virtual ~ApplicationHolders() = default;
    // The names of the applications holding `file`, as they show themselves; empty when none
    // is known.
    virtual std::vector<std::string> Holding(const std::string& file) = 0;
    // Asks the applications holding any of `files`, and no other, to close. False when they
    // could not all be closed or nobody can close them.
    virtual bool Close(const std::vector<std::string>& files) = 0;
    // Starts again what Close closed, whether the installation was done or taken back.
    virtual void RestartClosed() = 0;
};

// The Restart Manager's answers. The session Close begins ends with RestartClosed, which its
// owner calls before the process ends (the library may be gone by the time statics go).
class RestartManager : public ApplicationHolders {
public:
    RestartManager() = default;
    ~RestartManager() override;
    RestartManager(const RestartManager&) = delete;
    RestartManager& operator=(const RestartManager&) = delete;

    std::vector<std::string> Holding(const std::string& file) override;
    bool Close(const std::vector<std::string>& files) override;
    void RestartClosed() override;

private:
    unsigned long closing_ = 0;  // the session Close began
    bool open_ = false;
};

}  // namespace win
