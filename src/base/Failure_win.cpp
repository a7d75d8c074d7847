#include <windows.h>

#include "base/RunResult.h"
#include "base/Text.h"
#include "base/Trace.h"

namespace {

// The system's text for `error` on one line (the width mask joins its lines), without its
// closing full stop.
std::string SystemText(unsigned long error) {
    char buffer[256];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                             nullptr, error, 0, buffer, sizeof buffer, nullptr);
    while (n > 0 && (buffer[n - 1] == ' ' || buffer[n - 1] == '.')) --n;
    return n ? std::string(buffer, n) : std::string("unknown error");
}

}  // namespace

bool Fail(const char* step, const char* action, const std::string& subject, unsigned long error, Failing how) {
    const std::string system = error ? SystemText(error) : std::string();
    static const char* const kEnds[] = {".", "; the run goes on without it.", "; the change stays."};
    const char* gap = *action && !subject.empty() ? " " : "";
    // An HRESULT reads as the hexadecimal number its documentation gives.
    const std::string number = !error                  ? std::string()
                               : error >= 0x80000000ul ? text::Format(": error 0x%08lX, ", error)
                                                       : text::Format(": error %lu, ", error);
    Trace(text::Format("%s: %s%s%s failed%s%s%s\n", step, action, gap, subject.c_str(),
                       number.c_str(), system.c_str(),
                       kEnds[static_cast<int>(how)])
              .c_str());
    RunOutcome& outcome = Outcome();
    if (how == Failing::kNotTakenBack) outcome.notTakenBack.push_back(subject);
    if (how == Failing::kRun && !outcome.failed) {
        outcome.failed = true;
        outcome.failure = {step, action, subject, error, system};
    }
    // The caller's next call should not see a code the trace's own file writes left behind.
    SetLastError(error);
    return false;
}
