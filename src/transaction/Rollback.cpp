#include "transaction/Rollback.h"

#include <algorithm>
#include "base/NameSet.h"
#include "base/Text.h"

std::vector<std::string> RetryOrder(const std::vector<std::string>& folders) {
    std::vector<std::string> unique;
    std::vector<size_t> depths;
    size_t deepest = 0;
    NameSet seen;  // Windows paths: the same folder in any letter case
    for (const std::string& folder : folders) {
        if (!seen.Insert(text::AsciiUpper(folder))) continue;
        unique.push_back(folder);
        depths.push_back(static_cast<size_t>(std::count(folder.begin(), folder.end(), '\\')));
        deepest = std::max(deepest, depths.back());
    }
    // One pass per depth rather than a sort: folders of one depth keep the order in which the
    // replay left them, and a run leaves few folders over few depths.
    std::vector<std::string> order;
    order.reserve(unique.size());
    for (size_t depth = deepest + 1; depth-- > 0;)
        for (size_t i = 0; i < unique.size(); ++i)
            if (depths[i] == depth) order.push_back(std::move(unique[i]));
    return order;
}
