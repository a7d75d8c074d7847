// Runs another program (osslsigncode) to its end: its arguments, what it reads on its standard
// input, and what it writes on its standard output and error, as one text.
#pragma once

#include <string>
#include <vector>

namespace mkpackage {

// False with `error` set when the program cannot be started; otherwise its exit code is in
// `exitCode` and its output in `output`.
bool RunTool(const std::vector<std::string>& arguments, const std::string& input, std::string* output,
             int* exitCode, std::string* error);

}  // namespace mkpackage
