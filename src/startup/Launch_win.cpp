#include "startup/Launch.h"

#include <windows.h>
#include <shellapi.h>

#include "base/Text.h"
#include "state/Messages.h"
#include "state/SetupState.h"

bool LaunchProgram(const std::string& command) {
    const LaunchCommand launch = SplitLaunchCommand(command);
    const char* parameters = launch.parameters.empty() ? nullptr : launch.parameters.c_str();
    const INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", launch.file.c_str(), parameters, nullptr, SW_SHOWNORMAL));
    if (result > 32) return true;
    ShowFixedMessage(text::Format("Cannot start %s\nError code is %i", launch.file.c_str(), static_cast<int>(result)),
                     Setup().language.caption, MB_ICONERROR);
    return false;
}
