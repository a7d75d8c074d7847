// The uninstall request's syntax: a golden table, no machine state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uninstall/Uninstaller.h"

namespace {

struct RequestCase {
    const char* arguments;
    bool request;
    const char* log;
    const char* library;
};

const RequestCase kRequests[] = {
    {"-uC:\\P\\install.log -lC:\\W\\ResENU.DLL", true, "C:\\P\\install.log", "C:\\W\\ResENU.DLL"},
    // The install folder holds " -l": the library is behind the last one.
    {"-uC:\\My -lib\\install.log -lC:\\W\\Res.DLL", true, "C:\\My -lib\\install.log", "C:\\W\\Res.DLL"},
    {"-u -l", true, "", ""},
    {"-uC:\\a.log -lC:\\Program Files\\R.DLL ", true, "C:\\a.log", "C:\\Program Files\\R.DLL "},
    // Not requests: the run is an installation.
    {"-uC:\\a.log", false, "", ""},
    {"-Uc:\\a.log -lx", false, "", ""},
    {" -uc:\\a.log -lx", false, "", ""},
    // Start-up takes the /S switch off first; left on, the string is no request.
    {"/S -uc:\\a.log -lx", false, "", ""},
    {"-u", false, "", ""},
    {"", false, "", ""},
};

TEST(UninstallRequest, ArgumentStringsSplitAtTheLastDashL) {
    for (const RequestCase& c : kRequests) {
        SCOPED_TRACE(c.arguments);
        UninstallRequest request;
        request.logPath = "untouched";
        ASSERT_EQ(c.request, ParseUninstallRequest(c.arguments, &request));
        if (!c.request) {
            EXPECT_EQ("untouched", request.logPath);
            continue;
        }
        EXPECT_EQ(c.log, request.logPath);
        EXPECT_EQ(c.library, request.libraryPath);
    }
}

}  // namespace
