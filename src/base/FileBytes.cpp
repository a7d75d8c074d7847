#include "base/FileBytes.h"

#include <fstream>

// Through read(), which makes a failed read a state of the stream: a stream iterator lets the
// library's exception through, which ends a program built without exceptions.
bool ReadFileBytes(const std::string& path, std::string* out) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::string content;
    char buffer[1 << 14];
    while (file.read(buffer, sizeof(buffer)), file.gcount() > 0)
        content.append(buffer, static_cast<size_t>(file.gcount()));
    if (file.bad()) return false;
    *out = std::move(content);
    return true;
}
