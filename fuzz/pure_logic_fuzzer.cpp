// Feeds arbitrary bytes to the other portable parts: the path-token walk (with values of any
// length from a fake source), the backslash clean-up and the split of a path, the install-log
// reader, the [rename] section editing, the wizard's page list, the launch-command split, the
// command-line switches, the trace file's lines, the uninstall request's split, the order of
// folder retries, the component selection rules and the folder pages that follow the choice,
// the rollback journal's lines and the cancelling of restart renames, and checks what each
// guarantees.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "base/Text.h"
#include "base/Trace.h"
#include "log/InstallLog.h"
#include "script/PathTokens.h"
#include "startup/CommandLine.h"
#include "startup/Launch.h"
#include "transaction/JournalFormat.h"
#include "transaction/RenameSection.h"
#include "transaction/Rollback.h"
#include "uninstall/Uninstaller.h"
#include "wizard/ComponentSelection.h"
#include "wizard/PageList.h"

namespace {

// Names the broken guarantee before stopping, so a crash report says what went wrong.
#define Check(condition)                                                   \
    do {                                                                   \
        if (!(condition)) {                                                \
            std::fprintf(stderr, "broken guarantee: %s\n", #condition);   \
            std::abort();                                                  \
        }                                                                  \
    } while (0)

void FuzzTokens(FuzzedDataProvider& data) {
    const size_t limit = data.ConsumeIntegralInRange<size_t>(0, 300);
    const bool titleOnly = data.ConsumeBool();
    const std::string value = data.ConsumeRandomLengthString(400);
    const std::string text = data.ConsumeRandomLengthString(600);
    std::string out = "sentinel";
    auto source = [&](PathToken, size_t room, std::string* v) {
        // Values that do not fit are refused by the source, as the system calls refuse them.
        if (value.size() > room) return false;
        *v = value;
        return true;
    };
    if (ExpandTokens(text, titleOnly, limit, source, &out)) Check(limit > 0 && out.size() < limit);

    std::string cleaned = text;
    CleanBackslashes(&cleaned);
    Check(cleaned.size() <= text.size());
    // Only a leading pair (a network path) keeps two backslashes in a row.
    const size_t from = cleaned.compare(0, 2, "\\\\") == 0 ? 2 : 0;
    Check(cleaned.find("\\\\", from) == std::string::npos);

    // A full path names a drive's root or a server before anything else.
    if (text::IsFullPath(text)) Check(text.compare(1, 2, ":\\") == 0 || text.compare(0, 2, "\\\\") == 0);
    // A path is its folder and its last part, around its last backslash.
    const std::string parent = text::ParentFolder(text), name = text::FileName(text);
    Check(text.find('\\') == std::string::npos ? parent.empty() && name == text
                                                : parent + "\\" + name == text && name.find('\\') == std::string::npos);
}

void FuzzLog(FuzzedDataProvider& data) {
    const std::string buffer = data.ConsumeRandomLengthString(2000);
    for (const std::string& line : SplitLogLines(buffer)) {
        Check(!line.empty() && line.find_first_of("\r\n") == std::string::npos);
        LogLine record;
        if (!ParseLogLine(line, &record)) continue;
        Check(record.payload.size() < line.size());
        std::string path = "p";
        std::string number = "n";
        if (SplitModifyShared(record.payload, &path, &number))
            Check(path.find('|') == std::string::npos && path.size() + number.size() + 1 == record.payload.size());
        else
            Check(path == "p" && number == "n");
    }
}

void FuzzRename(FuzzedDataProvider& data) {
    const std::string newName = data.ConsumeRandomLengthString(64);
    const std::string existing = data.ConsumeRandomLengthString(64);
    const std::string content = data.ConsumeRemainingBytesAsString();
    RenameEdit edit = PlanRenameEntry(content, newName, existing);
    Check(edit.offset <= content.size());
    Check(edit.entry == newName + "=" + existing + "\r\n");
    Check(edit.tail == content.substr(edit.offset));
    const std::string result = ApplyRenameEdit(content, edit);
    // Nothing of the file is lost: what stood before the entry stays, what stood after it
    // follows it unchanged.
    Check(result.compare(0, edit.offset, content, 0, edit.offset) == 0);
    Check(result.size() == content.size() + edit.lead.size() + edit.entry.size());
    Check(result.compare(result.size() - edit.tail.size(), edit.tail.size(), edit.tail) == 0);
}

// Journal lines read back as written, whatever bytes their fields hold; any other text reads
// as whole records only; a value state decodes to what was encoded; cancelling a scheduled
// rename takes out exactly that entry.
void FuzzJournal(FuzzedDataProvider& data) {
    JournalRecord record{JournalKind::kValue, {}};
    for (int i = 0; i < 4; ++i) record.fields.push_back(data.ConsumeRandomLengthString(40));
    const std::vector<JournalRecord> back = ParseJournal(FormatJournalLine(record));
    Check(back.size() == 1 && back[0].kind == record.kind && back[0].fields == record.fields);

    const std::string bytes = data.ConsumeRandomLengthString(64);
    bool exists = false;
    unsigned long type = 0;
    std::string decoded;
    Check(DecodeValueState(EncodeValueState(true, 7, bytes), &exists, &type, &decoded));
    Check(exists && type == 7 && decoded == bytes);

    const std::string newName = data.ConsumeRandomLengthString(32);
    const std::string existing = data.ConsumeRandomLengthString(32);
    const std::string content = data.ConsumeRandomLengthString(400);
    const std::string edited = ApplyRenameEdit(content, PlanRenameEntry(content, newName, existing));
    const std::string cancelled = WithoutRenameEntry(edited, newName, existing);
    Check(cancelled.size() + newName.size() + existing.size() + 3 == edited.size());

    const std::string operations = data.ConsumeRemainingBytesAsString();
    Check(WithoutPendingRename(operations, existing).size() <= operations.size() + 1);
    for (const JournalRecord& any : ParseJournal(operations)) Check(!any.fields.empty() || any.kind == JournalKind::kCommitted);
}

// Any sequence of list changes and page results keeps a page behind every slot up to the
// count, a free slot after the last page, and the current index on a page or just past the
// last one.
void FuzzPages(FuzzedDataProvider& data) {
    static const PageKind kKinds[] = {kPageNone,       kPageWelcome,     kPageLicence,    kPageProgress,
                                      kPageComponents, kPageDestination, kPageDeviceDrive};
    PageList pages;
    pages.Start();
    while (data.remaining_bytes() > 0) {
        const int position = data.ConsumeIntegralInRange<int>(-3, PageList::kSlots + 2);
        switch (data.ConsumeIntegralInRange<int>(0, 2)) {
        case 0: {
            const int before = pages.Count();
            const PageKind kind = kKinds[data.ConsumeIntegralInRange<size_t>(0, 6)];
            if (pages.InsertPageAfter(kind, position)) Check(pages.Count() == before + 1 && pages.At(position + 1) == kind);
            else Check(pages.Count() == before);
            break;
        }
        case 1: {
            const int before = pages.Count();
            Check(pages.RemovePageAt(position) == (position >= 0 && position < before));
            break;
        }
        default:
            if (pages.Step(data.ConsumeIntegralInRange<int>(-1, 5), false) == PageStep::Finished) pages.Start();
            break;
        }
        Check(pages.Count() >= 0 && pages.Count() < PageList::kSlots);
        for (int slot = 0; slot < pages.Count(); ++slot) Check(pages.At(slot) != kPageNone);
        Check(pages.At(pages.Count()) == kPageNone);
        Check(pages.Current() >= 0 && pages.Current() <= pages.Count());
    }
}

void FuzzLaunch(FuzzedDataProvider& data) {
    const std::string command = data.ConsumeRemainingBytesAsString();
    const LaunchCommand launch = SplitLaunchCommand(command);
    if (launch.file == command) Check(launch.parameters.empty());
    Check(launch.file.size() <= command.size() && launch.parameters.size() <= command.size());
}

void FuzzSwitches(FuzzedDataProvider& data) {
    const std::string arguments = data.ConsumeRandomLengthString(300);
    const CommandLine parsed = ParseCommandLine(arguments);
    // What is left is the end of the string, and all of it when there was no switch.
    Check(parsed.arguments.size() <= arguments.size());
    Check(arguments.compare(arguments.size() - parsed.arguments.size(), std::string::npos, parsed.arguments) == 0);
    const bool anySwitch = parsed.quiet || !parsed.logFile.empty() || !parsed.installFolder.empty() ||
                           parsed.componentsGiven || !parsed.deviceFolder.empty() || parsed.malformed ||
                           !parsed.resultFile.empty() || parsed.wait || parsed.help || parsed.passive ||
                           parsed.allowDowngrade || parsed.closeApplications || !parsed.saveAnswers.empty() ||
                           !parsed.loadAnswers.empty() || !parsed.planFile.empty();
    if (!anySwitch) Check(parsed.arguments == arguments);
    // What a switch gives is what the run can take.
    Check(parsed.installFolder.size() < 260);
    Check(parsed.deviceFolder.empty() ||
          (parsed.deviceFolder.size() == 3 && parsed.deviceFolder.compare(1, 2, ":\\") == 0));
    for (const std::string& item : parsed.components) Check(!item.empty());
    Check(parsed.waitSeconds <= 9999 && (parsed.wait || parsed.waitSeconds == 0));

    // An answer file gives only the choices the line does not make, each as its switch would.
    CommandLine answered = parsed;
    size_t badLine = 0;
    const std::string answers = data.ConsumeRandomLengthString(300);
    if (ReadAnswers(answers, &answered, &badLine)) {
        Check(parsed.installFolder.empty() || answered.installFolder == parsed.installFolder);
        Check(parsed.deviceFolder.empty() || answered.deviceFolder == parsed.deviceFolder);
        Check(answered.installFolder.size() < 260 && answered.deviceFolder.size() <= 3);
        Check(answered.componentsGiven == (parsed.componentsGiven || answered.componentsLine != 0));
        for (const std::string& item : answered.components) Check(!item.empty());
        Check(answered.quiet == parsed.quiet && answered.logFile == parsed.logFile && answered.arguments == parsed.arguments);
    } else {
        Check(badLine >= 1 && answered.installFolder == parsed.installFolder && !answered.componentsLine);
    }

    const std::string message = data.ConsumeRemainingBytesAsString();
    const std::string lines = StampTraceLines("T ", message.c_str());
    // Every line starts with the stamp and ends with CR LF, and nothing else breaks a line.
    size_t at = 0;
    while (at < lines.size()) {
        Check(lines.compare(at, 2, "T ") == 0);
        const size_t end = lines.find('\n', at);
        Check(end != std::string::npos && end > at && lines[end - 1] == '\r');
        at = end + 1;
    }
}

void FuzzUninstall(FuzzedDataProvider& data) {
    const std::string arguments = data.ConsumeRandomLengthString(600);
    UninstallRequest request;
    if (ParseUninstallRequest(arguments, &request)) {
        // Nothing of the request is lost, and the library path holds no further " -l".
        Check("-u" + request.logPath + " -l" + request.libraryPath == arguments);
        Check(request.libraryPath.find(" -l") == std::string::npos);
    }

    std::vector<std::string> folders;
    while (data.remaining_bytes() > 0 && folders.size() < 32) folders.push_back(data.ConsumeRandomLengthString(40));
    const std::vector<std::string> order = RetryOrder(folders);
    Check(order.size() <= folders.size());
    auto depth = [](const std::string& path) { return std::count(path.begin(), path.end(), '\\'); };
    for (size_t i = 0; i < order.size(); ++i) {
        Check(std::find(folders.begin(), folders.end(), order[i]) != folders.end());
        if (i > 0) Check(depth(order[i - 1]) >= depth(order[i]));
        for (size_t j = 0; j < i; ++j) Check(!text::EqualsNoCase(order[i], order[j]));
    }
    // Every folder is tried: each input has its equal in the order.
    for (const std::string& folder : folders) {
        bool found = false;
        for (const std::string& tried : order) found = found || text::EqualsNoCase(folder, tried);
        Check(found);
    }
}

void FuzzSelection(FuzzedDataProvider& data) {
    // Few distinct groups, so that groups with several members are common.
    std::vector<Component> components(data.ConsumeIntegralInRange<size_t>(0, 40));
    for (Component& component : components) {
        component.group = data.ConsumeBool() ? 0 : data.ConsumeIntegralInRange<int32_t>(-2, 4);
        component.selected = data.ConsumeIntegral<int32_t>() % 3;
    }
    const int32_t minFree = data.ConsumeIntegralInRange<int32_t>(-1, 5);
    const int focus = data.ConsumeIntegralInRange<int>(-2, 42);
    const bool focusSelected = data.ConsumeBool();

    const SelectionCounts before = CountSelection(components);
    Check(before.components == static_cast<int32_t>(components.size()));
    Check(before.selectedFree <= before.selected && before.selected <= before.components);
    Check(before.groupsChosen <= before.groups && before.groups <= before.choices &&
          before.choices <= before.components);

    const std::vector<size_t> cleared = KeepFocusAloneInGroup(&components, focus, focusSelected);
    const SelectionCounts after = CountSelection(components);
    Check(after.choices == before.choices && after.groups == before.groups);
    Check(after.selected <= before.selected);
    std::map<int32_t, int> selectedPerGroup;
    std::map<int32_t, int> membersPerGroup;
    for (const Component& component : components) {
        if (component.group == 0) continue;
        ++membersPerGroup[component.group];
        if (component.selected) ++selectedPerGroup[component.group];
    }
    if (!cleared.empty()) {
        const Component& kept = components[static_cast<size_t>(focus)];
        Check(kept.group != 0 && selectedPerGroup[kept.group] <= (kept.selected ? 1 : 0));
        for (size_t i : cleared) Check(components[i].selected == 0 && components[i].group == kept.group);
    }
    // Next is never allowed with a group left without its one choice.
    if (SelectionAllowsNext(after, minFree))
        for (const Component& component : components)
            if (component.group != 0) Check(selectedPerGroup[component.group] == 1);
    // Select all is offered only where no two components share a group.
    bool sharedGroup = false;
    for (const auto& group : membersPerGroup) sharedGroup = sharedGroup || group.second > 1;
    Check(SelectAllShown(after) == !sharedGroup);

    SetAllSelected(&components, true);
    const SelectionCounts all = CountSelection(components);
    Check(!SelectAllEnabled(all) && (all.components == 0 || ClearAllEnabled(all)));
    SetAllSelected(&components, false);
    const SelectionCounts none = CountSelection(components);
    Check(none.selected == 0 && !ClearAllEnabled(none));
}

// The components page entered and left any number of times, with any choice: the folder pages
// after it are always the ones the last choice needs, once each, in their order.
void FuzzFolderPages(FuzzedDataProvider& data) {
    PageList pages;
    if (data.ConsumeBool()) pages.Append(kPageLicence);
    pages.Append(kPageComponents);
    if (data.ConsumeBool()) pages.Append(kPageDestination);
    pages.Append(kPageProgress);
    const int at = pages.Find(kPageComponents);
    while (data.remaining_bytes() > 0) {
        DropDeviceDrivePageAfter(&pages, at);
        Check(pages.At(at + 1) != kPageDeviceDrive);
        const bool destination = data.ConsumeBool();
        const bool device = data.ConsumeBool();
        PlaceFolderPagesAfter(&pages, at, destination, device);
        int slot = at + 1;
        if (device) Check(pages.At(slot++) == kPageDeviceDrive);
        if (destination) Check(pages.At(slot++) == kPageDestination);
        Check(pages.At(slot) == kPageProgress && slot + 1 == pages.Count());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    switch (data.ConsumeIntegralInRange<int>(0, 9)) {
    case 0: FuzzTokens(data); break;
    case 1: FuzzLog(data); break;
    case 2: FuzzPages(data); break;
    case 3: FuzzLaunch(data); break;
    case 4: FuzzSwitches(data); break;
    case 5: FuzzUninstall(data); break;
    case 6: FuzzSelection(data); break;
    case 7: FuzzFolderPages(data); break;
    case 8: FuzzJournal(data); break;
    default: FuzzRename(data); break;
    }
    return 0;
}
