// The manifest's text is UTF-8; the install scripts hold their texts in the setup program's
// ANSI code page, Windows-1252. Checks and conversions between the two, and the guard that lets
// toml++ read any character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mkpackage {

// A place in a text: line and column from 1, the column counted in characters, as toml++ counts.
struct TextPlace {
    uint32_t line = 1;
    uint32_t column = 1;
};

// False, with the place and what is wrong, at the first bytes that are not UTF-8: a stray or
// missing continuation byte, an overlong form, a surrogate, a value beyond U+10FFFF.
bool CheckUtf8(std::string_view text, TextPlace* at, std::string* what);

// The next character of valid UTF-8 at *i, which moves past it.
char32_t NextCharacter(std::string_view text, size_t* i);
std::string Utf8(char32_t c);

// toml++ 3.3.0 asks whether a character where a blank may stand is a Unicode blank, and for the
// characters of three ranges of its table it reaches __builtin_unreachable (fixed upstream in a
// later version): a raw "é" in a quoted key, after a value or at the start of a line is
// undefined behaviour. Guard() moves each such character, one for one, to the private-use
// plane 16, which the table answers safely; lines and columns stay as written. Unguard() brings
// the parser's strings back.
std::string Guard(std::string_view utf8);
std::string Unguard(std::string_view text);

// Windows-1252 from UTF-8 text. False when a character has no place in it; *refused names the
// first such character and *index its position in characters.
bool ToWindows1252(std::string_view utf8, std::string* out, char32_t* refused = nullptr, size_t* index = nullptr);
bool InWindows1252(char32_t c);
std::string FromWindows1252(std::string_view text);

// Upper case in Windows-1252, as Windows compares names: ASCII and the accented letters.
char Upper1252(char c);

// "U+2603 '☃'" for a message.
std::string DescribeCharacter(char32_t c);

}  // namespace mkpackage
