// The whole content of a file through the standard library, for the portable code (scripts
// read natively, the authoring tool).
#pragma once

#include <string>

// Reads every byte of the file at `path`. False when it cannot be opened or a read fails (a
// folder among them); `out` is untouched then.
bool ReadFileBytes(const std::string& path, std::string* out);
