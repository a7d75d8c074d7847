#include "startup/CommandLine.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
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

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Compared in place: the switches are read many times over, each against every name.
bool StartsWithNoCase(const std::string& text, size_t at, const char* prefix) {
    for (; *prefix; ++prefix, ++at)
        if (at >= text.size() || Upper(text[at]) != Upper(*prefix)) return false;
    return true;
}

// A switch without a value: the word ends with it, or the next switch follows at once.
bool IsFlag(const std::string& text, size_t at, size_t end, const char* name) {
    const size_t after = at + std::strlen(name);
    return StartsWithNoCase(text, at, name) && (after == end || (after < end && text[after] == '/'));
}

// A number from 1 to 9999: a component's, far beyond any script, or the seconds of the longest
// wait.
bool ReadNumber(const std::string& digits, uint64_t* out) {
    return text::ParseDecimal(digits, out) && *out >= 1 && *out <= 9999;
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
    if (!text::IsFullPath(value) || value.size() >= kPathLimit) return false;
    *out = value;
    return true;
}

// The switch at `at` that names a file (/LOG=, /RESULT=, /PLAN=, /SAVEINF=, /LOADINF=): where its
// value goes, and where the value starts; null for any other.
std::string* FileSwitch(const std::string& text, size_t at, CommandLine* out, size_t* from) {
    const struct {
        const char* name;
        std::string CommandLine::*value;
    } kFileSwitches[] = {{"/LOG=", &CommandLine::logFile},
                         {"/RESULT=", &CommandLine::resultFile},
                         {"/PLAN=", &CommandLine::planFile},
                         {"/SAVEINF=", &CommandLine::saveAnswers},
                         {"/LOADINF=", &CommandLine::loadAnswers}};
    for (const auto& file : kFileSwitches) {
        if (!StartsWithNoCase(text, at, file.name)) continue;
        *from = at + std::strlen(file.name);
        return &(out->*file.value);
    }
    return nullptr;
}

// Takes the switches of one word, [at, end): "/S", "/S/D=C:\\x", "/LOG=t.log", or the inside of a
// quoted word. A value runs to the end of the word; an unquoted /D= and a file's switch (/LOG=)
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
            uint64_t seconds = 0;
            if (!ReadNumber(text.substr(at + 6, end - at - 6), &seconds)) return false;
            out->wait = true;
            out->waitSeconds = static_cast<unsigned>(seconds);
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

// The keys of an answer file: the switches it stands in for, COMPONENTS last.
const char* const kAnswerKeys[] = {"D=", "DEVICE=", "COMPONENTS="};

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
        uint64_t number = 0;
        const bool digits = item.find_first_not_of("0123456789") == std::string::npos;
        if (item.empty() || (at < list.size() && list[at] != ',') ||
            (!quoted && (item.find('"') != std::string::npos || (digits && !ReadNumber(item, &number)))))
            return false;
        items.push_back(item);
    } while (at++ < list.size());
    out->swap(items);
    return true;
}

bool ReadAnswers(const std::string& text, CommandLine* line, size_t* badLine) {
    CommandLine answers;
    bool inSection = false;
    size_t number = 0;
    // Notepad may have put a byte order mark in front.
    for (size_t at = StartsWithNoCase(text, 0, "\xEF\xBB\xBF") ? 3 : 0; at < text.size(); ++at) {
        const size_t first = SkipBlanks(text, at);
        at = std::min(text.find('\n', at), text.size());
        size_t last = at;
        while (last > first && (IsBlank(text[last - 1]) || text[last - 1] == '\r')) --last;
        ++number;
        if (last == first || text[first] == ';') continue;
        if (StartsWithNoCase(text, first, "[Setup]") && last - first == 7) {
            inSection = true;
            continue;
        }
        // The keys are the switches /LOADINF stands in for, and nothing else.
        int key = 0;
        while (key < 3 && !StartsWithNoCase(text, first, kAnswerKeys[key])) ++key;
        size_t next = 0;
        if (!inSection || key == 3 || !ReadSwitches("/" + text.substr(first, last - first), 0, last - first + 1, true,
                                                    &answers, &next)) {
            *badLine = number;
            return false;
        }
        if (key == 2) answers.componentsLine = number;
    }
    if (line->installFolder.empty()) line->installFolder = answers.installFolder;
    if (line->deviceFolder.empty()) line->deviceFolder = answers.deviceFolder;
    if (!line->componentsGiven) {
        line->componentsGiven = answers.componentsGiven;
        line->components.swap(answers.components);
        line->componentsLine = answers.componentsLine;
    }
    return true;
}
