#include "support/Package.h"

#include "base/Text.h"
#include "support/TestEnv.h"

namespace testenv {

std::string Package::DataPath(int number) const { return PathOf(text::DataFileName(number)); }

bool Package::WriteScript(const std::string& scriptText) const { return WriteFile(PathOf("00000001"), scriptText); }

bool Package::WriteData(int number, const std::string& bytes) const { return WriteFile(DataPath(number), bytes); }

bool Package::CopyData(int number, const std::string& sourcePath) const {
    return CopyFileTo(sourcePath, DataPath(number));
}

bool Package::AddSetup() const { return CopyFileTo(BinFolder() + "setup.exe", SetupPath()); }

bool Package::AddLanguageLibrary(int number) const { return CopyData(number, BinFolder() + "ResENU.DLL"); }

}  // namespace testenv
