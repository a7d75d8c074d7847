#include "engine/LogReplay.h"

#include <algorithm>
#include <set>

#include "base/Text.h"

std::vector<std::string> RetryOrder(const std::vector<std::string>& folders) {
    std::vector<std::string> order;
    std::set<std::string> seen;  // Windows paths: the same folder in any letter case
    for (const std::string& folder : folders)
        if (seen.insert(text::AsciiUpper(folder)).second) order.push_back(folder);
    auto depth = [](const std::string& path) { return std::count(path.begin(), path.end(), '\\'); };
    // Stable: folders of one depth keep the order in which the replay left them.
    std::stable_sort(order.begin(), order.end(),
                     [&](const std::string& a, const std::string& b) { return depth(a) > depth(b); });
    return order;
}
