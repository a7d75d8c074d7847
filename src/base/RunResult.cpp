#include "base/RunResult.h"

#include "base/Text.h"

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
                                    text::JsonString(failed && outcome.reason ? outcome.reason : ReasonWord(code)).c_str());
    if (failed && outcome.failed)
        json += text::Format(",\n  \"step\": %s,\n  \"action\": %s,\n  \"subject\": %s,\n  \"error\": %lu,\n  \"errorText\": %s",
                             text::JsonString(failure.step).c_str(), text::JsonString(failure.action).c_str(),
                             text::JsonString(failure.subject).c_str(), failure.error, text::JsonString(failure.errorText).c_str());
    return json + text::Format(",\n  \"restartFiles\": %s,\n  \"notTakenBack\": %s\n}\n",
                               text::JsonStrings(outcome.restartFiles).c_str(), text::JsonStrings(outcome.notTakenBack).c_str());
}
