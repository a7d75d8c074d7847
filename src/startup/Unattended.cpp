#include "startup/Unattended.h"

#include "base/Text.h"

namespace {

// The first component of that name, which a list's name means.
size_t FindByName(const std::vector<Component>& components, const std::string& name) {
    size_t index = 0;
    while (index < components.size() && !text::EqualsNoCase(components[index].name, name)) ++index;
    return index;
}

}  // namespace

bool ApplyComponentChoice(const std::vector<std::string>& items, std::vector<Component>* components,
                          std::string* unknown) {
    std::vector<size_t> chosen;
    for (const std::string& item : items) {
        uint64_t number = 0;
        size_t index = components->size();
        if (!text::ParseDecimal(item, &number))
            index = FindByName(*components, item);
        else if (number >= 1 && number <= components->size())
            index = static_cast<size_t>(number) - 1;
        if (index == components->size()) {
            *unknown = item;
            return false;
        }
        chosen.push_back(index);
    }
    for (Component& component : *components) component.selected = 0;
    for (size_t index : chosen) (*components)[index].selected = 1;
    return true;
}

std::string ComponentItem(const std::vector<Component>& components, size_t index) {
    const std::string& name = components[index].name;
    uint64_t number = 0;
    if (name.empty() || name.find_first_of("\"\r\n") != std::string::npos || text::ParseDecimal(name, &number) ||
        FindByName(components, name) != index)
        return text::Format("%u", static_cast<unsigned>(index + 1));
    return name.find_first_of(", \t") == std::string::npos ? name : "\"" + name + "\"";
}

std::string AnswerFileText(const std::string& folder, const std::string& device, const Project& project) {
    std::string text = "[Setup]";
    const auto add = [&text](const char* key, const std::string& value) {
        if (!value.empty()) text += "\r\n" + (key + value);
    };
    add("D=", folder);
    add("DEVICE=", device);
    std::string list;
    for (size_t i = 0; i < project.components.size(); ++i)
        if (project.components[i].selected) list += "," + ComponentItem(project.components, i);
    // A list cannot be empty: nothing chosen leaves the choice to the script.
    if (project.multicomp != 0) add("COMPONENTS=", list.substr(list.empty() ? 0 : 1));
    return text + "\r\n";
}
