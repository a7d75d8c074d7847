#include "base/RunResult.h"

#include "base/Text.h"

namespace {

// A JSON string: quotes, backslashes and control characters escaped, other bytes as they are.
std::string Quoted(const std::string& value) {
    std::string out = "\"";
    for (const char c : value) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20)
            out += text::Format("\\u%04x", static_cast<unsigned>(c));
        else
            out += c;
    }
    return out + "\"";
}

std::string List(const std::vector<std::string>& values) {
    std::string out;
    for (const std::string& value : values) out += (out.empty() ? "" : ", ") + Quoted(value);
    return "[" + out + "]";
}

}  // namespace

RunOutcome& Outcome() {
    static RunOutcome outcome;
    return outcome;
}

const char* ReasonWord(ExitCode code) {
    switch (code) {
    case kExitSuccess: return "done";
    case kExitRestartNeeded: return "restart-needed";
    case kExitInstallFailed: return "failed";
    case kExitCancelled: return "cancelled";
    case kExitAnotherInstallation: return "another-installation";
    case kExitLogUnwritable: return "file-unwritable";
    case kExitBadCommandLine: return "bad-command-line";
    case kExitDowngrade: return "newer-version-installed";
    case kExitFilesInUse: return "files-in-use";
    default: return "package-unreadable";
    }
}

std::string ResultDocument(ExitCode code, const RunOutcome& outcome) {
    const bool failed = code != kExitSuccess && code != kExitRestartNeeded;
    const RunFailure& failure = outcome.failure;
    std::string json = text::Format("{\n  \"exitCode\": %d,\n  \"reason\": %s", static_cast<int>(code),
                                    Quoted(failed && outcome.reason ? outcome.reason : ReasonWord(code)).c_str());
    if (failed && outcome.failed)
        json += text::Format(",\n  \"step\": %s,\n  \"action\": %s,\n  \"subject\": %s,\n  \"error\": %lu,\n  \"errorText\": %s",
                             Quoted(failure.step).c_str(), Quoted(failure.action).c_str(),
                             Quoted(failure.subject).c_str(), failure.error, Quoted(failure.errorText).c_str());
    return json + text::Format(",\n  \"restartFiles\": %s,\n  \"notTakenBack\": %s\n}\n",
                               List(outcome.restartFiles).c_str(), List(outcome.notTakenBack).c_str());
}
