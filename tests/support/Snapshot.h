// What a test's corner of the machine holds, to compare before and after a run: every file and
// folder below some folders (a file by its size and a hash of its bytes) and every value below
// some registry keys (type and data).
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace snapshot {

struct Places {
    std::vector<std::string> folders;                     // walked whole; a missing one is noted
    std::vector<std::string> files;                       // single files, present or not
    std::vector<std::pair<HKEY, std::string>> keys;       // walked whole, subkeys included
    struct Value {
        HKEY root;
        std::string key;
        std::string name;
    };
    std::vector<Value> values;  // single values, present or not
};

using Machine = std::map<std::string, std::string>;  // "file C:\x" -> "12 bytes, hash 345"

Machine Take(const Places& places);

// One line per difference: "- what was", "+ what is"; empty when both are equal.
std::vector<std::string> Differences(const Machine& before, const Machine& after);

}  // namespace snapshot
