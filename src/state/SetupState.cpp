#include "state/SetupState.h"

#include "base/Text.h"

std::string SetupState::DataFilePath(const std::string& name) const {
    return text::PackageFilePath(programFolder, name);
}

std::string SetupState::DataFilePath(int dataFileNumber) const {
    return DataFilePath(text::DataFileName(dataFileNumber));
}
