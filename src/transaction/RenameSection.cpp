#include "transaction/RenameSection.h"

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
    return stem + text::Format(attempt < 10 ? ".ne%d" : ".n%d", attempt);
}

std::string WithoutRenameEntry(const std::string& content, const std::string& newName, const std::string& existing) {
    const std::string entry = newName + "=" + existing + "\r\n";
    // The entry starts a line; a file written elsewhere may end its lines with LF alone.
    size_t at = 0;
    if (content.compare(0, entry.size(), entry) != 0) {
        at = content.find("\n" + entry);
        if (at == std::string::npos) return content;
        ++at;
    }
    return content.substr(0, at) + content.substr(at + entry.size());
}

std::string WithoutPendingRename(const std::string& operations, const std::string& source) {
    std::string kept;
    size_t position = 0;
    // Pairs of zero-ended strings; an empty target (a deletion) is a pair too, so the list is
    // walked by length, not up to the first empty string.
    while (position < operations.size()) {
        const size_t fromEnd = operations.find('\0', position);
        if (fromEnd == std::string::npos) break;
        const size_t toEnd = operations.find('\0', fromEnd + 1);
        if (toEnd == std::string::npos) break;
        std::string from = operations.substr(position, fromEnd - position);
        if (from.empty()) break;  // the list's closing zero
        const std::string pair = operations.substr(position, toEnd + 1 - position);
        if (from.compare(0, 4, "\\??\\") == 0) from.erase(0, 4);
        if (!text::EqualsNoCase(from, source)) kept += pair;
        position = toEnd + 1;
    }
    return kept.empty() ? kept : kept + '\0';
}
