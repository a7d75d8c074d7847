// A set of names (paths, value ids) kept sorted in one vector. A run notes at most a name per
// file or value it touches, and looks each up by binary search: a vector costs one allocation
// per name and far less code than a tree. Portable: no Windows headers.
#pragma once

#include <string>
#include <vector>

class NameSet {
public:
    // Adds the name; false when it was there already.
    bool Insert(std::string name);
    // Takes many names at once, in any order: one sort instead of an insertion each.
    void Assign(std::vector<std::string> names);
    bool Contains(const std::string& name) const;
    void Clear() { names_.clear(); }

private:
    std::vector<std::string> names_;  // sorted, each once
};
