#include "script/PathTokens.h"


namespace {

struct TokenName {
    const char* name;  // compared with the text behind "<", ">" included
    PathToken token;
    bool titleToken;
};

const TokenName kTokenNames[] = {
    {"WinDir>", PathToken::WinDir, false},
    {"SysDir>", PathToken::SysDir, false},
    {"ProgramFilesDir>", PathToken::ProgramFilesDir, false},
    {"Company>", PathToken::Company, true},
    {"Title>", PathToken::Title, true},
    {"Ver>", PathToken::Ver, true},
    {"HotSync>", PathToken::HotSync, false},
    {"PalmDesktop>", PathToken::PalmDesktop, false},
    {"PalmDesktopData>", PathToken::PalmDesktopData, false},
    {"InstallDir>", PathToken::InstallDir, false},
};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// True when `text` at `pos` starts with `name`, ASCII letters compared without case.
bool MatchesAt(const std::string& text, size_t pos, const char* name) {
    for (size_t i = 0; name[i] != '\0'; ++i) {
        if (pos + i >= text.size() || Lower(text[pos + i]) != Lower(name[i])) return false;
    }
    return true;
}

// Their lookups give an empty text in this program, so any text naming them fails.
bool IsPalmToken(PathToken token) {
    return token == PathToken::HotSync || token == PathToken::PalmDesktop || token == PathToken::PalmDesktopData;
}

const TokenName* FindToken(const std::string& text, size_t pos, bool titleTokensOnly) {
    for (const TokenName& entry : kTokenNames) {
        if (titleTokensOnly && !entry.titleToken) continue;
        if (MatchesAt(text, pos, entry.name)) return &entry;
    }
    return nullptr;
}

}  // namespace

bool ExpandTokens(const std::string& text, bool titleTokensOnly, size_t limit, const TokenValueFn& source,
                  std::string* out) {
    if (limit == 0) return false;  // not even room for the terminator
    const size_t last = limit - 1;
    std::string result;
    size_t i = 0;
    while (i < text.size()) {
        // Text left over once the output is full fails rather than being cut.
        if (result.size() >= last) return false;
        if (text[i] != '<') {
            result += text[i++];
            continue;
        }
        const TokenName* found = FindToken(text, i + 1, titleTokensOnly);
        if (!found) return false;
        const size_t room = last - result.size();
        std::string value;
        if (!source(found->token, room, &value)) return false;
        if (value.size() > room) return false;
        if (value.empty() && IsPalmToken(found->token)) return false;
        result += value;
        i += 1 + std::char_traits<char>::length(found->name);
    }
    *out = std::move(result);
    return true;
}

bool ProjectTokenValue(const Project& project, PathToken token, std::string* value) {
    switch (token) {
        case PathToken::Company:
            *value = project.company;
            return true;
        case PathToken::Title:
            *value = project.title;
            return true;
        case PathToken::Ver:
            *value = project.version;
            return true;
        case PathToken::HotSync:
        case PathToken::PalmDesktop:
        case PathToken::PalmDesktopData:
            value->clear();
            return true;
        default:
            return false;
    }
}

bool ExpandTitleTokens(const Project& project, const std::string& text, std::string* out, size_t limit) {
    auto source = [&](PathToken token, size_t, std::string* value) {
        return ProjectTokenValue(project, token, value);
    };
    std::string expanded;
    if (!ExpandTokens(text, true, limit, source, &expanded)) return false;
    CleanBackslashes(&expanded);
    *out = std::move(expanded);
    return true;
}

void CleanBackslashes(std::string* text) {
    std::string& s = *text;
    // A leading pair stays: it marks a network path.
    size_t start = (s.size() >= 2 && s[0] == '\\' && s[1] == '\\') ? 2 : 0;
    std::string cleaned = s.substr(0, start);
    for (size_t i = start; i < s.size(); ++i) {
        if (s[i] == '\\' && !cleaned.empty() && cleaned.back() == '\\' && cleaned.size() > start) continue;
        cleaned += s[i];
    }
    s = std::move(cleaned);
}
