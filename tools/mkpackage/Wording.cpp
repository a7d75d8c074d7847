#include "mkpackage/Wording.h"

#include <algorithm>
#include <string>

#include "base/Text.h"
#include "mkpackage/Encoding.h"

namespace mkpackage {

namespace {

// What the parser says (a part of its detail or of the thing it was reading) and what an
// author reads instead; the first that matches speaks.
const struct {
    const char* says;
    const char* plain;
    bool showFound;  // the message names the character where the parser stopped
} kPlain[] = {
    {"escape sequence", "a backslash in a \"quoted\" text starts an escape: write \\\\ for one backslash, or put "
                        "the text in 'single quotes'", false},
    {"expected hex digit", "\\u takes four hex digits and \\U eight", false},
    {"table header: expected ']'", "the table's name is not closed with ']'", true},
    {"could not determine value type", "this is no value: text goes in quotes (\"...\"); numbers, true and false "
                                       "stand without", true},
    {"expected '='", "an '=' must follow the key", true},
    {"expected a comment or whitespace", "something follows the value: one key = value a line; a comment starts "
                                         "with #", true},
    {"expected key or closing '}'", "an inline table { ... } is closed on the line it starts", true},
    {"dangling comma", "a comma stands before the closing '}'", true},
    {"expected value or closing ']'", "a value is missing in the list", true},
    {"expected keys, tables, whitespace or comments", "a line starts with a key, a [table] or a # comment", true},
    {"leading zeroes", "a number does not start with 0", true},
    {"not representable", "the number is too large", true},
    {"parsing boolean", "true and false are written in small letters; text goes in quotes", true},
    {"integer", "this is no whole number", true},
    {"parsing date", "this is no valid date", true},
};

size_t Distance(const std::string& a, const std::string& b) {
    // Optimal string alignment: insertions, deletions, changes and swaps of neighbours.
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

}  // namespace

std::string PlainSyntaxError(std::string_view description, char32_t found) {
    const std::string said(description);
    const size_t colon = said.find(": ");
    const std::string scope = said.compare(0, 20, "Error while parsing ") == 0 && colon != std::string::npos
                                  ? said.substr(20, colon - 20)
                                  : std::string("the text");
    const std::string detail = colon == std::string::npos ? said : said.substr(colon + 2);
    if (detail.find("unescaped control characters") != std::string::npos)
        return found == '\n' || found == '\r'
                   ? "the text is not closed before the end of the line: add its closing quote (text of several "
                     "lines goes in \"\"\"triple quotes\"\"\")"
                   : "a control character stands in the text: write it as an escape, such as \\t";
    if (detail.find("end-of-file") != std::string::npos)
        return "the manifest ends inside a " + scope + " that is not closed";
    if (detail.find("cannot redefine") != std::string::npos) {
        const size_t open = detail.find('\'');
        const std::string name =
            open == std::string::npos ? std::string() : detail.substr(open + 1, detail.find('\'', open + 1) - open - 1);
        if (detail.find("as table") != std::string::npos)
            return "'" + name + "' is written both as [[" + name + "]] and as [" + name + "]";
        if (detail.find("existing table") != std::string::npos) return "the table [" + name + "] is written twice";
        return name.empty() ? "this key is given above already" : "'" + name + "' is given twice";
    }
    for (const auto& entry : kPlain)
        if (said.find(entry.says) != std::string::npos) {
            std::string plain = entry.plain;
            if (entry.showFound && found > 0x20 && found != 0x7F)
                plain = "unexpected " + (found < 0x80 ? "'" + Utf8(found) + "'" : DescribeCharacter(found)) + ": " +
                        plain;
            return plain;
        }
    return "TOML syntax, in a " + scope + ": " + detail;
}

std::string ClosestKey(const std::string& key, const std::vector<std::string>& candidates) {
    std::string lower = key, best;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    size_t bestDistance = lower.size() <= 4 ? 2 : 3;
    for (const std::string& candidate : candidates) {
        const size_t distance = Distance(lower, candidate);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    return best;
}

std::string Counted(size_t count, const char* what) {
    return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

}  // namespace mkpackage
