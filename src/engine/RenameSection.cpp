#include "engine/RenameSection.h"

#include "base/Text.h"

RenameEdit PlanRenameEntry(const std::string& content, const std::string& newName, const std::string& existing) {
    RenameEdit edit;
    edit.entry = newName + "=" + existing + "\r\n";

    const std::string upper = text::AsciiUpper(content);
    size_t section = std::string::npos;
    if (upper.compare(0, 8, "[RENAME]") == 0)
        section = 0;
    else
        section = upper.find("\r\n[RENAME]");

    edit.offset = content.size();
    if (section == std::string::npos) {
        edit.lead = "\r\n[rename]\r\n";
        return edit;
    }

    size_t next = upper.find("\r\n[", section + 2);
    if (next == std::string::npos) {
        // The section ends the file; a last line without its line break would swallow the entry.
        if (!content.empty() && content.back() != '\n') edit.lead = content.back() == '\r' ? "\n" : "\r\n";
        return edit;
    }
    edit.offset = next + 2;
    edit.tail = content.substr(edit.offset);
    return edit;
}

std::string ApplyRenameEdit(const std::string& content, const RenameEdit& edit) {
    return content.substr(0, edit.offset) + edit.lead + edit.entry + edit.tail;
}

std::string NewCopyName(const std::string& shortPath, int attempt) {
    if (attempt < 0 || attempt >= kNewCopyAttempts) return std::string();
    size_t nameStart = shortPath.find_last_of("\\/:");
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    size_t dot = shortPath.rfind('.');
    std::string stem = dot != std::string::npos && dot >= nameStart ? shortPath.substr(0, dot) : shortPath;

    if (attempt == 0) return stem + ".new";
    if (attempt < 10) return stem + ".ne" + std::to_string(attempt);
    return stem + ".n" + std::to_string(attempt);
}
