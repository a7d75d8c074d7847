// The trace sink: operation traces such as "DoInstall::Complete!\n". Discarded unless a sink
// is installed; nothing of them reaches the user.
#pragma once

void Trace(const char* message);
using TraceSink = void (*)(const char* message);
void SetTraceSink(TraceSink sink);
