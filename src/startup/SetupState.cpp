#include "startup/SetupState.h"

#include "win/Text.h"

namespace {
TraceSink g_traceSink = nullptr;
}

SetupState& Setup() {
    static SetupState state;
    return state;
}

std::string DataFilePath(const std::string& name) {
    // The program's path builder worked in a 512-character buffer.
    return text::Fit(Setup().programFolder + name, 512);
}

std::string DataFilePath(int dataFileNumber) { return DataFilePath(text::DataFileName(dataFileNumber)); }

void Trace(const char* message) {
    if (g_traceSink) g_traceSink(message);
}

void SetTraceSink(TraceSink sink) { g_traceSink = sink; }
