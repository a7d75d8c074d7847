#include "state/SetupState.h"

#include "base/Text.h"

SetupState& Setup() {
    static SetupState state;
    return state;
}

std::string DataFilePath(const std::string& name) { return text::PackageFilePath(Setup().programFolder, name); }

std::string DataFilePath(int dataFileNumber) { return DataFilePath(text::DataFileName(dataFileNumber)); }
