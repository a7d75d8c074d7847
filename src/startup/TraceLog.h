// The files a run writes at names its command line gives: the trace file of the /LOG switch
// (every trace message of the run, a time stamp in front of each of its lines, appended to one
// file), the result document of the /RESULT switch, the plan of /PLAN and the answer file of
// /SAVEINF. None may be one of the program's own logs, a link, or a second name of another file.
#pragma once

#include <string>

#include "base/RunResult.h"
#include "win/UniqueHandle.h"
#include "wizard/Background.h"

// Sends the trace to the file at `path` (made full against the current folder now, so that a
// later change of folder does not move it), kept open for the run. A message that cannot be
// written is lost without a word, as the trace is no part of the run. Returns 0 when the trace
// started, 1639 when the file is one of the program's own logs (trace lines there would break
// the records) or a link or second name of another file, 1622 when it cannot be opened.
ExitCode StartTraceLog(const std::string& path);

// Opens a new temporary file beside `path` for the result document, kept open for the run.
// Returns 0, or 1639 or 1622 as StartTraceLog does; `path` may not be the trace file either.
ExitCode StartResultFile(const std::string& path, const std::string& traceFile);

// The same for the plan document of /PLAN; `path` may not be the result file either.
ExitCode StartPlanFile(const std::string& path, const std::string& traceFile, const std::string& resultFile);
// Writes the plan document as FinishResultFile writes its document.
void WritePlanFile(const std::string& document);
// A run that wrote no plan (it ended before) leaves the file /PLAN named as it was: its
// temporary file goes.
void DiscardPlanFile();

// Writes the result document of a run ending with `code` (ResultDocument, in UTF-8) to the
// temporary file and renames it over the file /RESULT named, so that a reader sees the whole
// document or none. Does nothing without a started result file; a failure is traced.
void FinishResultFile(ExitCode code);

// The answer file of /SAVEINF, which start-up owns for the run and hands to the installation.
// It is opened as the run starts, so that a name that cannot be had ends the run before
// anything changes, and written through that handle as the installation starts, with the
// choices made then (AnswerFileText). A run that never starts the installation leaves a file
// that was there as it was, and a new one empty.
class AnswerFile : public InstallStart {
public:
    // Returns 0, or 1639 or 1622 as StartResultFile does.
    ExitCode Open(const std::string& path, const std::string& traceFile);
    // Replaces what the file held; nothing without an open file. A failure is traced and the
    // installation goes on.
    void Starting(const SetupState& state) override;

private:
    std::string path_;
    win::UniqueFile file_;
};
