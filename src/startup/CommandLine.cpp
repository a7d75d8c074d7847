#include "startup/CommandLine.h"

#include <cstddef>

#include "base/Text.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

size_t SkipBlanks(const std::string& text, size_t at) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    return at;
}

// The end of the word starting at `at`: the next blank or the end of the text.
size_t WordEnd(const std::string& text, size_t at) {
    while (at < text.size() && !IsBlank(text[at])) ++at;
    return at;
}

bool StartsWithNoCase(const std::string& text, size_t at, const char* prefix) {
    const std::string wanted(prefix);
    return text.size() - at >= wanted.size() && text::EqualsNoCase(text.substr(at, wanted.size()), wanted);
}

// Reads "/LOG=<file>" at `at`: the file is either double-quoted or the rest of the word, and
// must not be empty. `end` is set behind the switch.
bool ReadLogSwitch(const std::string& text, size_t at, std::string* file, size_t* end) {
    const size_t name = at + 5;  // behind "/LOG="
    if (name < text.size() && text[name] == '"') {
        const size_t close = text.find('"', name + 1);
        if (close == std::string::npos || close == name + 1) return false;
        if (close + 1 < text.size() && !IsBlank(text[close + 1])) return false;
        *file = text.substr(name + 1, close - name - 1);
        *end = close + 1;
        return true;
    }
    const size_t stop = WordEnd(text, name);
    if (stop == name) return false;
    *file = text.substr(name, stop - name);
    *end = stop;
    return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::string& arguments) {
    CommandLine result;
    size_t at = SkipBlanks(arguments, 0);
    bool any = false;
    for (;;) {
        size_t end = 0;
        if (StartsWithNoCase(arguments, at, "/S") && WordEnd(arguments, at) == at + 2) {
            result.quiet = true;
            end = at + 2;
        } else if (!(StartsWithNoCase(arguments, at, "/LOG=") && ReadLogSwitch(arguments, at, &result.logFile, &end))) {
            break;
        }
        any = true;
        at = SkipBlanks(arguments, end);
    }
    // Without switches the string stays exactly as it came, leading blanks included, so that
    // nothing changes for a command line that uses none.
    result.arguments = any ? arguments.substr(at) : arguments;
    return result;
}
