#include "base/Trace.h"

#include <cstring>

namespace {
TraceSink g_traceSink = nullptr;
}

void Trace(const char* message) {
    if (g_traceSink) g_traceSink(message);
}

void SetTraceSink(TraceSink sink) { g_traceSink = sink; }

std::string StampTraceLines(const std::string& stamp, const char* message) {
    std::string lines;
    const char* at = message;
    const char* end = message + std::strlen(message);
    while (at < end) {
        const char* lineEnd = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
        const char* next = lineEnd ? lineEnd + 1 : end;
        if (!lineEnd) lineEnd = end;
        if (lineEnd > at && lineEnd[-1] == '\r') --lineEnd;
        lines += stamp;
        lines.append(at, lineEnd);
        lines += "\r\n";
        at = next;
    }
    return lines;
}
