#include "startup/Unattended.h"

bool ApplyComponentChoice(const std::vector<int>& numbers, std::vector<Component>* components) {
    for (int number : numbers)
        if (number < 1 || static_cast<size_t>(number) > components->size()) return false;
    for (Component& component : *components) component.selected = 0;
    for (int number : numbers) (*components)[static_cast<size_t>(number) - 1].selected = 1;
    return true;
}
