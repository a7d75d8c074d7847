#include "startup/CommandLine.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

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

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A switch without a value: the word ends with it, or the next switch follows at once.
bool IsFlag(const std::string& text, size_t at, size_t end, const char* name) {
    const size_t after = at + std::string(name).size();
    return StartsWithNoCase(text, at, name) && (after == end || (after < end && text[after] == '/'));
}

// "1,3,4": positive numbers up to 9999 without gaps; false for anything else.
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

// The switches that name a file: the field the name goes to, and in `from` where it starts;
// null when the switch at `at` names none.
std::string* FileSwitch(const std::string& text, size_t at, CommandLine* out, size_t* from) {
    const struct {
        const char* name;
        std::string CommandLine::*file;
    } kFiles[] = {{"/LOG=", &CommandLine::logFile}, {"/RESULT=", &CommandLine::resultFile},
                  {"/PLAN=", &CommandLine::planFile}};
    for (const auto& entry : kFiles) {
        if (!StartsWithNoCase(text, at, entry.name)) continue;
        *from = at + std::strlen(entry.name);
        return &(out->*entry.file);
    }
    return nullptr;
}

// Takes the switches of one word, [at, end): "/S", "/S/D=C:\\x", "/LOG=t.log", or the inside of a
// quoted word. A value runs to the end of the word; an unquoted /D= and a file's switch
// whose value opens a quote may run past it, and move `next`, where the following word starts. False for
// an unknown or empty switch or a value the switch cannot take.
bool ReadSwitches(const std::string& text, size_t at, size_t end, bool quotedWord, CommandLine* out, size_t* next) {
    while (at < end) {
        if (text[at] != '/') return false;
        if (IsFlag(text, at, end, "/S")) {
            out->quiet = true;
            at += 2;
        } else if (StartsWithNoCase(text, at, "/COMPONENTS=")) {
            out->componentsGiven = true;
            // Unquoted, a name in quotes may hold blanks: the value ends at a blank outside them.
            if (!quotedWord) {
                bool inQuotes = false;
                for (end = at + 12; end < text.size() && (inQuotes || !IsBlank(text[end])); ++end)
                    inQuotes ^= text[end] == '"';
                if (inQuotes) return false;
                *next = end;
            }
            if (!ReadComponentItems(text.substr(at + 12, end - at - 12), &out->components)) return false;
            at = end;
        } else if (IsFlag(text, at, end, "/PASSIVE")) {
            out->passive = true;
            at += 8;
        } else if (StartsWithNoCase(text, at, "/DEVICE=")) {
            if (!ReadDriveRoot(text.substr(at + 8, end - at - 8), &out->deviceFolder)) return false;
            at = end;
        } else if (StartsWithNoCase(text, at, "/D=")) {
            // Unquoted, the folder is the rest of the line, blanks included.
            if (!quotedWord) *next = end = text.size();
            if (!ReadInstallFolder(text.substr(at + 3, end - at - 3), &out->installFolder)) return false;
            at = end;
        } else if (IsFlag(text, at, end, "/WAIT")) {
            out->wait = true;
            at += 5;
        } else if (StartsWithNoCase(text, at, "/WAIT=")) {
            std::vector<int> seconds;
            if (!ReadComponentList(text.substr(at + 6, end - at - 6), &seconds) || seconds.size() != 1) return false;
            out->wait = true;
            out->waitSeconds = static_cast<unsigned>(seconds[0]);
            at = end;
        } else if (IsFlag(text, at, end, "/ALLOWDOWNGRADE")) {
            out->allowDowngrade = true;
            at += 15;
        } else if (IsFlag(text, at, end, "/CLOSEAPPLICATIONS")) {
            out->closeApplications = true;
            at += 18;
        } else if ((StartsWithNoCase(text, at, "/?") && at + 2 == end) ||
                   (StartsWithNoCase(text, at, "/HELP") && at + 5 == end)) {
            out->help = true;
            at = end;
        } else if (size_t from = 0; std::string* file = FileSwitch(text, at, out, &from)) {
            size_t to = end;
            if (!quotedWord && from < text.size() && text[from] == '"') {
                // /LOG="C:\My Logs\t.log": the quotes hold the name, blanks and all.
                to = text.find('"', ++from);
                if (to == std::string::npos) return false;
                *next = end = to + 1;
                if (end < text.size() && !IsBlank(text[end])) return false;
            }
            if (to == from) return false;
            *file = text.substr(from, to - from);
            at = end;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::string& arguments) {
    CommandLine result;
    size_t at = SkipBlanks(arguments, 0);
    bool any = false;
    // A switch is a word that starts with "/", or the same inside double quotes as launchers
    // write it ("/D=C:\dir with blank"); the first other word ends them.
    while (at < arguments.size()) {
        const bool quoted = arguments[at] == '"' && at + 1 < arguments.size() && arguments[at + 1] == '/';
        if (!quoted && arguments[at] != '/') break;
        size_t begin = at;
        size_t end = 0;
        size_t next = 0;
        if (quoted) {
            begin = at + 1;
            end = arguments.find('"', begin);
            next = end + 1;
            if (end == std::string::npos || (next < arguments.size() && !IsBlank(arguments[next]))) {
                result.malformed = true;
                break;
            }
        } else {
            next = end = WordEnd(arguments, at);
        }
        if (!ReadSwitches(arguments, begin, end, quoted, &result, &next)) {
            result.malformed = true;
            break;
        }
        any = true;
        at = SkipBlanks(arguments, next);
    }
    // Without switches the string stays exactly as it came, leading blanks included, so that
    // nothing changes for a command line that uses none.
    result.arguments = any ? arguments.substr(at) : arguments;
    return result;
}

bool ReadComponentItems(const std::string& list, std::vector<std::string>* out) {
    std::vector<std::string> items;
    size_t at = 0;
    do {
        const bool quoted = at < list.size() && list[at] == '"';
        const size_t end = quoted ? list.find('"', at + 1) : std::min(list.find(',', at), list.size());
        if (end == std::string::npos) return false;
        std::string item = list.substr(at + quoted, end - at - quoted);
        at = end + quoted;
        std::vector<int> number;
        const bool digits = item.find_first_not_of("0123456789") == std::string::npos;
        if (item.empty() || (at < list.size() && list[at] != ',') ||
            (!quoted && (item.find('"') != std::string::npos || (digits && !ReadComponentList(item, &number)))))
            return false;
        items.push_back(item);
    } while (at++ < list.size());
    out->swap(items);
    return true;
}
