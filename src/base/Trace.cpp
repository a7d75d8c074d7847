#include "base/Trace.h"

namespace {
TraceSink g_traceSink = nullptr;
}

void Trace(const char* message) {
    if (g_traceSink) g_traceSink(message);
}

void SetTraceSink(TraceSink sink) { g_traceSink = sink; }
