#include "startup/CommandLine.h"

#include <cstddef>

#include "base/Limits.h"
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

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "1,3,4": positive numbers without gaps; false for anything else.
bool ReadComponentList(const std::string& list, std::vector<int>* out) {
    std::vector<int> numbers;
    size_t at = 0;
    for (;;) {
        int value = 0;
        size_t start = at;
        while (at < list.size() && IsDigit(list[at])) {
            value = value * 10 + (list[at] - '0');
            if (value > 9999) return false;  // far beyond any script; keeps the value in range
            ++at;
        }
        if (at == start || value == 0) return false;
        numbers.push_back(value);
        if (at == list.size()) break;
        if (list[at] != ',') return false;
        ++at;
    }
    *out = numbers;
    return true;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// "E:\" or "E:" becomes "E:\"; false for anything that is not a drive root.
bool ReadDriveRoot(const std::string& value, std::string* out) {
    if (value.size() < 2 || value.size() > 3 || !IsLetter(value[0]) || value[1] != ':') return false;
    if (value.size() == 3 && value[2] != '\\') return false;
    *out = value.substr(0, 2) + "\\";
    return true;
}

// A full path ("X:\..." or "\\server\...") that fits the program's path fields.
bool ReadInstallFolder(std::string value, std::string* out) {
    while (!value.empty() && IsBlank(value.back())) value.pop_back();
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    const bool driveRooted = value.size() >= 3 && IsLetter(value[0]) && value[1] == ':' && value[2] == '\\';
    const bool network = value.size() > 2 && value[0] == '\\' && value[1] == '\\';
    if (!(driveRooted || network) || value.size() >= kPathLimit) return false;
    *out = value;
    return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::string& arguments) {
    CommandLine result;
    size_t at = SkipBlanks(arguments, 0);
    bool any = false;
    for (;;) {
        size_t end = 0;
        const size_t wordEnd = WordEnd(arguments, at);
        if (StartsWithNoCase(arguments, at, "/S") && wordEnd == at + 2) {
            result.quiet = true;
            end = at + 2;
        } else if (StartsWithNoCase(arguments, at, "/COMPONENTS=")) {
            result.componentsGiven = true;
            if (!ReadComponentList(arguments.substr(at + 12, wordEnd - at - 12), &result.components))
                result.malformed = true;
            end = wordEnd;
        } else if (StartsWithNoCase(arguments, at, "/DEVICE=")) {
            if (!ReadDriveRoot(arguments.substr(at + 8, wordEnd - at - 8), &result.deviceFolder))
                result.malformed = true;
            end = wordEnd;
        } else if (StartsWithNoCase(arguments, at, "/D=")) {
            if (!ReadInstallFolder(arguments.substr(at + 3), &result.installFolder)) result.malformed = true;
            end = arguments.size();
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
