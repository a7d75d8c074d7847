#include "startup/PlanDocument.h"

#include "base/Text.h"
#include "engine/InstallFile.h"

namespace {

const char* RuleWord(int rule) {
    switch (rule) {
    case kReplaceNone: return "never";
    case kReplaceOlder: return "older";
    case kReplaceAlways: return "always";
    case kReplaceOlderAsk: return "older-ask";
    default: return "unknown";
    }
}

const char* DecisionWord(FileDecision decision) {
    switch (decision) {
    case FileDecision::kNew: return "new";
    case FileDecision::kReplace: return "replace";
    case FileDecision::kKeep: return "keep";
    case FileDecision::kSkip: return "skip";
    case FileDecision::kRestart: return "restart";
    case FileDecision::kInUse: return "in-use";
    case FileDecision::kUnknownRule: break;
    }
    return "unknown-rule";
}

// The items of one array, one object per line, as the document indents them.
void AddItem(std::string* list, const std::string& item) { *list += (list->empty() ? "\n    " : ",\n    ") + item; }

void AddList(std::string* document, const char* name, const std::string& items, bool last = false) {
    *document += text::Format("  \"%s\": [%s%s]%s\n", name, items.c_str(), items.empty() ? "" : "\n  ", last ? "" : ",");
}

const char* Truth(bool value) { return value ? "true" : "false"; }

}  // namespace

bool Installs(FileDecision decision) { return decision != FileDecision::kSkip && decision != FileDecision::kUnknownRule; }

std::string PlanDocument(const Project& main, const InstallPlan& plan, const PlanFacts& facts) {
    using text::JsonString;
    std::string files, shared, registered, links, loader, folders;
    uint64_t bytes = 0, installed = 0;
    size_t index = 0;
    for (const PlanUnit& unit : plan.units) {
        for (const PlannedFile& file : unit.files) {
            const PlanFacts::File& fact = facts.files[index++];
            const std::string source = text::FileName(file.source);
            const std::string seal = file.seal ? "\"sha256\": \"" + file.seal->sha256 + "\", " : std::string();
            AddItem(&files, text::Format("{\"source\": %s, \"target\": %s, \"size\": %llu, %s\"rule\": \"%s\", "
                                         "\"decision\": \"%s\", \"shared\": %s}",
                                         JsonString(source).c_str(), JsonString(file.destination).c_str(),
                                         static_cast<unsigned long long>(fact.size), seal.c_str(),
                                         RuleWord(file.entry->replaceMode), DecisionWord(fact.decision),
                                         Truth(file.shared)));
            if (!Installs(fact.decision)) continue;
            installed += fact.size;
            if (fact.decision != FileDecision::kKeep) bytes += fact.size;
            if (file.shared) AddItem(&shared, JsonString(file.destination));
            if (file.entry->kind == kKindRegistrable && file.entry->registerSelf != 0)
                AddItem(&registered, JsonString(file.destination));
        }
    }
    for (const PlanFacts::Link& link : facts.shortcuts)
        AddItem(&links, text::Format("{\"link\": %s, \"target\": %s}", JsonString(link.path).c_str(),
                                     JsonString(link.target).c_str()));
    for (const LoaderEntry& entry : facts.loaderEntries)
        AddItem(&loader, text::Format("{\"name\": %s, \"path\": %s}", JsonString(entry.name).c_str(),
                                      JsonString(entry.path).c_str()));
    for (const std::string& folder : facts.folders) AddItem(&folders, JsonString(folder));

    const std::string location = JsonString(plan.installFolder), version = JsonString(main.version),
                      company = JsonString(main.company);
    std::string document = text::Format(
        "{\n  \"planVersion\": 1,\n  \"product\": {\"title\": %s, \"version\": %s, \"company\": %s},\n"
        "  \"installFolder\": %s,\n  \"upgrade\": %s,\n",
        JsonString(main.title).c_str(), version.c_str(), company.c_str(), location.c_str(), Truth(facts.upgrade));
    AddList(&document, "files", files);
    AddList(&document, "folders", folders);
    AddList(&document, "shortcuts", links);
    AddList(&document, "sharedCounts", shared);
    AddList(&document, "selfRegistrations", registered);
    AddList(&document, "loaderRegistrations", loader);
    return document + text::Format("  \"uninstallEntry\": {\"key\": %s, \"displayName\": %s, \"displayVersion\": %s, "
                                   "\"publisher\": %s, \"installLocation\": %s, \"uninstaller\": %s, "
                                   "\"estimatedSizeKiB\": %llu},\n  \"bytes\": %llu\n}\n",
                                   JsonString(facts.entryKey).c_str(), JsonString(facts.displayName).c_str(),
                                   version.c_str(), company.c_str(), location.c_str(),
                                   JsonString(facts.uninstaller).c_str(),
                                   static_cast<unsigned long long>((installed + 1023) / 1024),
                                   static_cast<unsigned long long>(bytes));
}
