// How the manifest reader words what it refuses: TOML syntax errors in plain words instead of
// the parser's, and the known key an unknown one was probably meant to be.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mkpackage {

// toml++'s description of a syntax error ("Error while parsing string: ...") said for an author;
// `found` is the character where the parser stopped (0 at the end of the text).
std::string PlainSyntaxError(std::string_view description, char32_t found);

// The candidate closest to `key` (letter case aside, one or two letters wrong, missing, extra
// or swapped), or empty when none is close.
std::string ClosestKey(const std::string& key, const std::vector<std::string>& candidates);

// "1 warning", "2 warnings": a count and the plural of `what` it asks for.
std::string Counted(size_t count, const char* what);

}  // namespace mkpackage
