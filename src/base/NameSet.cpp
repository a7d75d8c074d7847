#include "base/NameSet.h"

#include <algorithm>

bool NameSet::Insert(std::string name) {
    auto at = std::lower_bound(names_.begin(), names_.end(), name);
    if (at != names_.end() && *at == name) return false;
    names_.insert(at, std::move(name));
    return true;
}

void NameSet::Assign(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    names_ = std::move(names);
}

bool NameSet::Contains(const std::string& name) const {
    auto at = std::lower_bound(names_.begin(), names_.end(), name);
    return at != names_.end() && *at == name;
}
