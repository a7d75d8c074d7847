#include "mkpackage/Encoding.h"

#include "base/Text.h"

namespace mkpackage {

namespace {

// Windows-1252's bytes 0x80 to 0x9F; 0 where the code page has no character.
const char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                            0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char32_t kGuardBase = 0x100000;

// The constants of toml++'s own table (is_non_ascii_horizontal_whitespace).
bool TripsTomlParser(char32_t c) {
    if (c <= 0xA0 || c >= 0xFEFF || c == 0x3000) return false;
    const uint64_t child = (static_cast<uint64_t>(c) - 0xA0u) / 0x3FAu;
    return !((1ull << child) & 0x7FFFFFFFFFFFF75Eull) && child != 0x05 && child != 0x07;
}

}  // namespace

bool CheckUtf8(std::string_view text, TextPlace* at, std::string* what) {
    *at = TextPlace();
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        if (lead < 0x80)
            length = 1;
        else if (lead >= 0xC2 && lead < 0xE0)
            length = 2;
        else if (lead >= 0xE0 && lead < 0xF0)
            length = 3;
        else if (lead >= 0xF0 && lead < 0xF5)
            length = 4;
        // The second byte's range rules out overlong forms, surrogates and values beyond U+10FFFF.
        unsigned char low = 0x80, high = 0xBF;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
        for (size_t k = 1; k < length; ++k) {
            const unsigned char next = i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) length = 0;
        }
        if (length == 0) {
            *what = text::Format("the byte 0x%02X is not UTF-8 here: save the manifest as UTF-8", lead);
            return false;
        }
        i += length;
        ++at->column;
        if (lead == '\n') {
            ++at->line;
            at->column = 1;
        }
    }
    return true;
}

char32_t NextCharacter(std::string_view text, size_t* i) {
    const unsigned char lead = static_cast<unsigned char>(text[*i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length && *i + k < text.size(); ++k)
        c = (c << 6) | (static_cast<unsigned char>(text[*i + k]) & 0x3F);
    *i += length;
    return c;
}

std::string Utf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::string Guard(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const size_t start = i;
        const char32_t c = NextCharacter(utf8, &i);
        if (TripsTomlParser(c))
            out += Utf8(kGuardBase + c);
        else
            out.append(utf8.substr(start, i - start));
    }
    return out;
}

std::string Unguard(std::string_view text) {
    if (text.find('\xF4') == std::string_view::npos) return std::string(text);
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        const char32_t c = NextCharacter(text, &i);
        if (c > kGuardBase && TripsTomlParser(c - kGuardBase))
            out += Utf8(c - kGuardBase);
        else
            out.append(text.substr(start, i - start));
    }
    return out;
}

bool InWindows1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return true;
    for (char16_t high : kHigh)
        if (high != 0 && high == c) return true;
    return false;
}

bool ToWindows1252(std::string_view utf8, std::string* out, char32_t* refused, size_t* index) {
    out->clear();
    size_t count = 0;
    for (size_t i = 0; i < utf8.size(); ++count) {
        const char32_t c = NextCharacter(utf8, &i);
        unsigned byte = c < 0x80 || (c >= 0xA0 && c <= 0xFF) ? static_cast<unsigned>(c) : 0;
        for (unsigned k = 0; k < 32 && byte == 0 && c != 0; ++k)
            if (kHigh[k] == c) byte = 0x80 + k;
        if (byte == 0 && c != 0) {
            if (refused) *refused = c;
            if (index) *index = count;
            return false;
        }
        *out += static_cast<char>(byte);
    }
    return true;
}

std::string FromWindows1252(std::string_view text) {
    std::string out;
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x80 || byte >= 0xA0)
            out += Utf8(byte);
        else
            out += Utf8(kHigh[byte - 0x80] ? kHigh[byte - 0x80] : byte);
    }
    return out;
}

char Upper1252(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7))
        return static_cast<char>(byte - 0x20);
    if (byte == 0x9A || byte == 0x9C || byte == 0x9E) return static_cast<char>(byte - 0x10);  // š œ ž
    if (byte == 0xFF) return static_cast<char>(0x9F);                                        // ÿ
    return c;
}

std::string DescribeCharacter(char32_t c) {
    std::string name = text::Format("U+%04X", static_cast<unsigned>(c));
    if (c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0)) name += " '" + Utf8(c) + "'";
    return name;
}

}  // namespace mkpackage
