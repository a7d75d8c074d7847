#include "startup/Launch.h"

#include "base/Limits.h"
#include "script/ValueSyntax.h"

LaunchCommand SplitLaunchCommand(const std::string& command) {
    LaunchCommand result;
    script::Cursor cursor(command);
    std::string file;
    // An empty or blank command reads as an empty quoted string; it has no quotes to split at.
    if (command.find('"') == std::string::npos || !cursor.ReadQuoted(kPathLimit, &file)) {
        result.file = command;
        return result;
    }
    cursor.SkipBlanks();
    result.file = file;
    result.parameters = std::string(cursor.Rest());
    return result;
}
