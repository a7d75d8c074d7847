#include "mkpackage/Manifest.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string_view>

#include <toml++/toml.h>

#include "base/FileBytes.h"
#include "base/Version.h"
#include "base/Text.h"
#include "mkpackage/Encoding.h"
#include "mkpackage/Rules.h"
#include "mkpackage/Wording.h"
#include "script/ScriptSchema.h"
#include "script/ValueSyntax.h"

namespace mkpackage {

namespace fs = std::filesystem;

namespace {

constexpr int32_t kMainScript = 1;
using script::kSectionManifestNames;
using script::KeyKind;
using script::KeyRule;
using script::ProjectKey;

// How the reader reaches files: the file system, or nothing at all for a text checked alone.
class Files {
public:
    virtual ~Files() = default;
    virtual bool ReadText(const std::string& path, std::string* text) const = 0;
    // The name that tells one source from another; false when it is no readable file.
    virtual bool Source(const std::string& path, std::string* key) const = 0;
};

class DiskFiles : public Files {
public:
    bool ReadText(const std::string& path, std::string* text) const override {
        std::error_code error;
        return fs::is_regular_file(path, error) && ReadFileBytes(path, text);
    }
    bool Source(const std::string& path, std::string* key) const override {
        std::error_code error;
        if (!fs::is_regular_file(path, error)) return false;
        fs::path canonical = fs::weakly_canonical(path, error);
        if (error) return false;
        *key = canonical.string();
        return true;
    }
};

class NoFiles : public Files {
public:
    bool ReadText(const std::string&, std::string*) const override { return false; }
    bool Source(const std::string& path, std::string* key) const override {
        *key = path;
        return true;
    }
};

bool HasControl(std::string_view value) {
    for (char c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    return false;
}

// The byte offset of a line and column (in characters) of valid UTF-8; the text's size beyond it.
size_t Offset(std::string_view text, uint32_t line, uint32_t column) {
    size_t i = 0;
    for (uint32_t l = 1, c = 1; i < text.size() && (l < line || (l == line && c < column));) {
        if (NextCharacter(text, &i) == '\n') {
            ++l;
            c = 1;
        } else {
            ++c;
        }
    }
    return i;
}

// The program's own rule: what it compares with the installed version.
bool IsDottedVersion(const std::string& version) {
    ProductVersion parsed;
    return ParseProductVersion(version, &parsed);
}

toml::source_region At(uint32_t line, uint32_t column) { return {{line, column}, {line, column}, nullptr}; }

class Reader;  // reports the faults

// The keys of one table: each value is asked for once; Done() refuses any key not asked for.
class Fields {
public:
    Fields(Reader& reader, const toml::table& table, std::string where)
        : reader_(reader), table_(table), where_(std::move(where)) {}

    const toml::node* Node(const char* key) {
        asked_.insert(key);
        return table_.get(key);
    }
    const toml::source_region& Where() const { return table_.source(); }
    const std::string& Name() const { return where_; }

    bool Text(const char* key, std::string* out, bool required = false);
    bool Int(const char* key, int32_t low, int32_t high, int32_t* out);
    bool Flag(const char* key, int32_t* out);
    // One of `names` (their index into *out); a missing key keeps *out.
    bool Choice(const char* key, const std::vector<const char*>& names, int32_t* out);
    bool Done();

private:
    Reader& reader_;
    const toml::table& table_;
    std::string where_;
    std::set<std::string> asked_;
};

class Reader {
public:
    Reader(const Files& files, PackagePlan* plan, std::string* error) : files_(files), plan_(plan), error_(error) {}

    // Reads one manifest into `project`; `main` for the package's own manifest.
    bool Read(const std::string& path, const std::string& text, bool main, const ManifestDefaults& defaults,
              Project* project);

    bool Fail(const toml::source_region& at, const std::string& what) {
        *error_ = Place(at) + what;
        return false;
    }
    void Warn(const toml::source_region& at, const std::string& what) {
        plan_->warnings.push_back(Place(at) + "warning: " + what);
    }

    // A string's text in Windows-1252, or a refusal at the first character the code page cannot hold.
    bool Ansi(const toml::node& node, const std::string& what, const std::string& utf8, std::string* out);
    // The place of a name's refusal: the key's value, or where the default came from.
    bool CheckName(const toml::node& at, const std::string& what, const std::string& name, bool folder,
                   bool absolute = false);

private:
    std::string Place(const toml::source_region& at) const {
        return text::Format("%s:%u:%u: ", manifest_.c_str(), static_cast<unsigned>(at.begin.line),
                            static_cast<unsigned>(at.begin.column));
    }
    // The first character of the string at `region` that Windows-1252 cannot hold, raw or as
    // an escape; `region` itself when there is none.
    toml::source_region Refused(const toml::source_region& region) const;
    // The warnings once the manifest is read, and for the package's own manifest (`components`
    // given) the component rules.
    bool Finish(Fields& package, const toml::array* components, const Project& project);
    bool ReadBody(const std::string& text, bool main, const ManifestDefaults& defaults, Project* project);
    bool ReadPackage(Fields& package, bool main, const ManifestDefaults& defaults, Project* project);
    // The [package] key of one script key, read by its kind.
    bool ReadPackageKey(Fields& package, const ProjectKey& key, bool main, const ManifestDefaults& defaults,
                        Project* project);
    bool ReadPackageText(Fields& package, const ProjectKey& key, std::string* value);
    // A source that becomes a data file; only the main package's language library has a default.
    bool ReadSource(Fields& package, const ProjectKey& key, bool main, const ManifestDefaults& defaults,
                    int32_t* number);
    bool ReadImage(Fields& package, const char* key, ImageSpec* image);
    // The name a source installs under: 'name', or the source's own file name.
    bool InstallName(Fields& fields, const std::string& source, std::string* name);
    bool ReadSection(const toml::table& root, int section, Project* project);
    bool ReadEntry(Fields& entry, int section, Project* project);
    // Two entries of one project may not install to one file.
    bool CheckDestination(Fields& entry, int section, const std::string& folder, const std::string& name,
                          const Project* project);
    bool ReadConduit(Fields& entry, ConduitSpec* conduit);
    bool ReadFolders(Fields& folders, Project* project);
    bool ReadPalm(const toml::array& entries, Project* project);
    bool ReadComponents(const toml::array& entries, const ManifestDefaults& defaults, Project* project);
    bool ResolveDocument(Fields& package, const char* key, const Project& project, DocRef* document);
    // The data-file number of a source named at `at`, relative to the manifest's folder.
    bool Number(const toml::source_region& at, const std::string& source, const std::string& owner,
                int32_t* number);
    // One number per distinct source file (`key` tells them apart), in the order first named.
    int32_t NumberFor(const std::string& key, const std::string& path);
    // An array of tables under `key` of the root, or none.
    bool Tables(const toml::table& root, const char* key, const toml::array** out);

    const Files& files_;
    PackagePlan* plan_;
    std::string* error_;
    std::string manifest_;       // the manifest being read, as named
    std::string_view text_;      // its text as written
    fs::path folder_;            // its folder, which sources are relative to
    std::vector<std::string> chain_;  // manifests being read, outermost first
    std::map<std::string, int32_t> numbers_;  // source key -> data-file number
    // Each project's destinations, DestinationKey with the section in front -> the entry there.
    std::map<std::pair<const Project*, std::string>, std::string> destinations_;
    int32_t next_ = kMainScript + 1;
};

bool Fields::Text(const char* key, std::string* out, bool required) {
    const toml::node* node = Node(key);
    if (!node) return !required || reader_.Fail(Where(), std::string("missing '") + key + "' in " + where_);
    if (!node->is_string()) return reader_.Fail(node->source(), std::string("'") + key + "' must be a string");
    *out = Unguard(node->as_string()->get());
    return true;
}

bool Fields::Int(const char* key, int32_t low, int32_t high, int32_t* out) {
    const toml::node* node = Node(key);
    if (!node) return true;
    if (!node->is_integer()) return reader_.Fail(node->source(), std::string("'") + key + "' must be an integer");
    int64_t value = node->as_integer()->get();
    if (value < low || value > high)
        return reader_.Fail(node->source(), text::Format("'%s' must be from %d to %d", key, low, high));
    *out = static_cast<int32_t>(value);
    return true;
}

bool Fields::Flag(const char* key, int32_t* out) {
    const toml::node* node = Node(key);
    if (!node) return true;
    if (!node->is_boolean()) return reader_.Fail(node->source(), std::string("'") + key + "' must be true or false");
    *out = node->as_boolean()->get() ? 1 : 0;
    return true;
}

bool Fields::Choice(const char* key, const std::vector<const char*>& names, int32_t* out) {
    std::string value;
    const toml::node* node = table_.get(key);
    if (!Text(key, &value)) return false;
    if (!node) return true;
    std::string list;
    for (size_t i = 0; i < names.size(); ++i) {
        if (value == names[i]) {
            *out = static_cast<int32_t>(i);
            return true;
        }
        list += std::string(i ? ", " : "") + names[i];
    }
    return reader_.Fail(node->source(), std::string("'") + key + "' must be one of " + list);
}

// "did you mean" names the closest key of the table that it knows.
std::string UnknownKey(const std::string& key, const std::vector<std::string>& known) {
    const std::string closest = ClosestKey(key, known);
    return closest.empty() ? std::string() : "; did you mean '" + closest + "'?";
}

bool Fields::Done() {
    for (auto&& [key, value] : table_)
        if (!asked_.count(std::string(key.str()))) {
            const std::string name = Unguard(key.str());
            const std::vector<std::string> known(asked_.begin(), asked_.end());
            return reader_.Fail(key.source(), "unknown key '" + name + "' in " + where_ + UnknownKey(name, known));
        }
    return true;
}

// A value written unquoted in [Project] (or [Folder]): the profile functions would trim its
// blanks and strip enclosing quotes, and a line break would end it.
bool PlainText(Reader& reader, Fields& fields, const char* key, size_t limit, std::string* out) {
    std::string utf8;
    if (!fields.Text(key, &utf8)) return false;
    const toml::node* node = fields.Node(key);
    if (!node) return true;
    if (!reader.Ansi(*node, std::string("'") + key + "'", utf8, out)) return false;
    const std::string& v = *out;
    if (HasControl(v)) return reader.Fail(node->source(), std::string("'") + key + "' holds a control character");
    if (!v.empty() && (script::IsBlank(v.front()) || script::IsBlank(v.back())))
        return reader.Fail(node->source(), std::string("'") + key + "' begins or ends with a blank");
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return reader.Fail(node->source(), std::string("'") + key + "' is enclosed in quotes");
    if (v.size() > limit - 1)
        return reader.Fail(node->source(), text::Format("'%s' is longer than %u characters", key,
                                                        static_cast<unsigned>(limit - 1)));
    return true;
}

// A text as a quoted string stores it, line breaks (only where `breaks`) as CR LF; the empty
// string when it fits, else what is wrong with it.
std::string StoreQuoted(const std::string& value, size_t limit, bool breaks, std::string* stored) {
    stored->clear();
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (breaks && c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') continue;
        if (breaks && c == '\n')
            *stored += "\r\n";
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "holds a control character";
        else
            *stored += c;
    }
    if (stored->size() > limit - 1)
        return text::Format("is longer than %u characters", static_cast<unsigned>(limit - 1));
    // Written doubled, a last backslash escapes the closing quote for the loader.
    if (!stored->empty() && stored->back() == '\\') return "ends with a backslash";
    return std::string();
}

// A value written as a quoted string.
bool QuotedText(Reader& reader, Fields& fields, const char* key, size_t limit, bool breaks, std::string* out,
                bool required = false) {
    std::string utf8, value;
    if (!fields.Text(key, &utf8, required)) return false;
    const toml::node* node = fields.Node(key);
    if (!node) return true;
    if (!reader.Ansi(*node, std::string("'") + key + "'", utf8, &value)) return false;
    std::string problem = StoreQuoted(value, limit, breaks, out);
    return problem.empty() || reader.Fail(node->source(), std::string("'") + key + "' " + problem);
}

std::string FileNameOf(const std::string& source) {
    size_t slash = source.find_last_of("/\\");
    return slash == std::string::npos ? source : source.substr(slash + 1);
}

bool Reader::Number(const toml::source_region& at, const std::string& source, const std::string& owner,
                    int32_t* number) {
    fs::path path = folder_ / fs::path(source);
    std::string key;
    if (!files_.Source(path.string(), &key))
        return Fail(at, "source '" + source + "' of " + owner + " is not a readable file");
    *number = NumberFor(key, path.string());
    return true;
}

int32_t Reader::NumberFor(const std::string& key, const std::string& path) {
    auto found = numbers_.find(key);
    if (found != numbers_.end()) return found->second;
    numbers_[key] = next_;
    plan_->data.emplace_back(next_, path);
    return next_++;
}

bool Reader::ReadImage(Fields& package, const char* key, ImageSpec* image) {
    const toml::node* node = package.Node(key);
    if (!node) return true;
    if (!node->is_table()) return Fail(node->source(), std::string("'") + key + "' must be a table");
    Fields fields(*this, *node->as_table(), key);
    std::string source;
    if (!fields.Text("source", &source, true) || !InstallName(fields, source, &image->name)) return false;
    if (!fields.Int("placement", 0, 3, &image->mode)) return false;
    return Number(fields.Node("source")->source(), source, key, &image->dataFile) && fields.Done();
}

bool Reader::ReadPackage(Fields& package, bool main, const ManifestDefaults& defaults, Project* project) {
    for (const ProjectKey& key : script::kProjectKeys)
        if (key.manifest && !ReadPackageKey(package, key, main, defaults, project)) return false;
    // The images are numbered before the sections' files; the documents need those files.
    for (const ProjectKey& key : script::kFileReferenceKeys)
        if (key.kind == KeyKind::kImage && !ReadPackageKey(package, key, main, defaults, project)) return false;
    return true;
}

bool Reader::ReadPackageKey(Fields& package, const ProjectKey& key, bool main, const ManifestDefaults& defaults,
                            Project* project) {
    const char* name = key.manifest;
    if (key.rule == KeyRule::kTargetZeroOnly && project->targetOs != 0) {
        const toml::node* node = package.Node(name);
        return !node || Fail(node->source(), std::string("'") + name + "' needs target_os = 0");
    }
    switch (key.kind) {
    case KeyKind::kText:
    case KeyKind::kFileName:
        return ReadPackageText(package, key, &(project->*key.text));
    case KeyKind::kNumber:
        return package.Int(name, INT32_MIN, INT32_MAX, &(project->*key.number));
    case KeyKind::kFlag:
        return package.Flag(name, &(project->*key.number));
    case KeyKind::kUnsigned: {
        int32_t value = static_cast<int32_t>(project->*key.unsignedNumber);
        if (!package.Int(name, 0, INT32_MAX, &value)) return false;
        project->*key.unsignedNumber = static_cast<uint32_t>(value);
        return true;
    }
    case KeyKind::kDataFile:
        return ReadSource(package, key, main, defaults, &(project->*key.number));
    case KeyKind::kLaunch:
        return QuotedText(*this, package, name, kPathLimit, false, &(project->*key.text));
    case KeyKind::kDocument:
        return ResolveDocument(package, name, *project, &(project->*key.document));
    case KeyKind::kImage:
        return ReadImage(package, name, &(project->*key.image));
    }
    return true;
}

bool Reader::ReadPackageText(Fields& package, const ProjectKey& key, std::string* value) {
    const std::string quoted = std::string("'") + key.manifest + "'";
    *value = key.fallback;
    if (!PlainText(*this, package, key.manifest, key.limit, value)) return false;
    if (key.rule == KeyRule::kRequired && value->empty())
        return Fail(package.Where(), quoted + " is required and must not be empty");
    if (const toml::node* node = package.Node(key.manifest);
        node && key.kind == KeyKind::kFileName && !CheckName(*node, quoted, *value, false))
        return false;
    if (const toml::node* node = package.Node(key.manifest);
        node && key.text == &Project::version && !IsDottedVersion(*value))
        return Fail(node->source(), "'version' must be one to four numbers from 0 to 65535 with dots between "
                                    "them and no leading zero, such as 2.1 or 1.0.3.12");
    if (key.rule == KeyRule::kEmptyIsDefault && value->empty()) *value = key.fallback;
    return true;
}

bool Reader::ReadSource(Fields& package, const ProjectKey& key, bool main, const ManifestDefaults& defaults,
                        int32_t* number) {
    std::string source;
    if (!package.Text(key.manifest, &source)) return false;
    if (const toml::node* node = package.Node(key.manifest)) return Number(node->source(), source, key.manifest, number);
    if (!main || key.number != &Project::languageDllIndex) return true;
    std::string path;
    if (!files_.Source(defaults.languageLibrary, &path))
        return Fail(package.Where(), std::string("no '") + key.manifest + "', and the default '" +
                                         defaults.languageLibrary + "' is not a readable file");
    *number = NumberFor(path, defaults.languageLibrary);
    return true;
}

bool Reader::ReadEntry(Fields& entry, int section, Project* project) {
    const bool application = section == kSectionApplication;
    std::string source;
    if (!entry.Text("source", &source, true)) return false;
    std::string name, folder, note;
    int32_t replace = 1, kind = kKindPlain, registerSelf = 0, menu = 0, startup = 0;
    if (!InstallName(entry, source, &name) || !QuotedText(*this, entry, "folder", kPathLimit, false, &folder) ||
        !entry.Choice("replace", {"none", "older", "always", "older-ask"}, &replace) ||
        !entry.Choice("kind", {"file", "conduit", "library"}, &kind) || !entry.Flag("register", &registerSelf) ||
        !entry.Flag("menu_shortcut", &menu) ||
        !entry.Choice("startup_shortcut", {"none", "user", "all-users"}, &startup) ||
        !QuotedText(*this, entry, "note", kPathLimit, false, &note))
        return false;
    if (const toml::node* node = entry.Node("folder");
        node && !CheckName(*node, "'folder'", folder, true, section == kSectionConduit))
        return false;
    if (!CheckDestination(entry, section, folder, name, project)) return false;
    struct Rule {
        const char* key;
        bool allowed;
        const char* when;
    };
    const Rule rules[] = {{"register", kind == kKindRegistrable, "kind = \"library\""},
                          {"menu_shortcut", application, "[[application]]"},
                          {"startup_shortcut", application && kind != kKindConduit,
                           "[[application]] files and libraries"},
                          {"note", kind != kKindConduit, "files and libraries"},
                          {"conduit", kind == kKindConduit, "kind = \"conduit\""}};
    for (const Rule& rule : rules)
        if (const toml::node* node = entry.Node(rule.key); node && !rule.allowed)
            return Fail(node->source(), std::string("'") + rule.key + "' is only for " + rule.when);

    const FileSection fileSection = static_cast<FileSection>(section);
    int32_t folderIndex = -1;
    for (size_t i = 0; i < project->folders[section].size(); ++i)
        if (project->folders[section][i] == folder) folderIndex = static_cast<int32_t>(i);
    if (folderIndex < 0) {
        project->AddSectionFolder(fileSection, folder);
        folderIndex = project->FolderCount(fileSection) - 1;
    }
    int32_t number = -1;
    if (!Number(entry.Node("source")->source(), source, entry.Name(), &number)) return false;
    int32_t index = project->AddFileEntry(fileSection, name, folderIndex, number, kind, replace, menu);
    FileEntry& file = project->files[section][static_cast<size_t>(index)];
    file.registerSelf = registerSelf;
    file.startupShortcut = startup;
    file.note = note;
    return ReadConduit(entry, &file.conduit) && entry.Done();
}

bool Reader::CheckDestination(Fields& entry, int section, const std::string& folder, const std::string& name,
                              const Project* project) {
    // The mounted device's files go to the package's folder there, whatever their folder.
    const toml::node& named = entry.Node("name") ? *entry.Node("name") : *entry.Node("source");
    const std::string destination = DestinationKey(section == kSectionMountedDevice ? "" : folder, name);
    const auto [first, fresh] =
        destinations_.emplace(std::make_pair(project, std::to_string(section) + destination),
                              entry.Name() + text::Format(" (line %u)", static_cast<unsigned>(named.source().begin.line)));
    return fresh || Fail(named.source(),
                         entry.Name() + " installs to the same file as " + first->second + ", letter case aside");
}

bool Reader::ReadConduit(Fields& entry, ConduitSpec* conduit) {
    const toml::node* node = entry.Node("conduit");
    if (!node) return true;
    if (!node->is_table()) return Fail(node->source(), "'conduit' must be a table");
    Fields fields(*this, *node->as_table(), "conduit");
    for (const script::ConduitField& field : script::kConduitFields) {
        if (field.text) {
            if (!QuotedText(*this, fields, field.manifest, field.limit, false, &(conduit->*field.text))) return false;
            continue;
        }
        int32_t value = 0;
        if (!fields.Int(field.manifest, 0, INT32_MAX, &value)) return false;
        conduit->*field.number = static_cast<uint32_t>(value);
    }
    return fields.Done();
}

bool Reader::Tables(const toml::table& root, const char* key, const toml::array** out) {
    *out = nullptr;
    const toml::node* node = root.get(key);
    if (!node) return true;
    const toml::array* array = node->as_array();
    bool tables = array != nullptr;
    if (array)
        for (const toml::node& element : *array) tables = tables && element.is_table();
    if (!tables) return Fail(node->source(), std::string("'") + key + "' must be written as [[" + key + "]] tables");
    *out = array;
    return true;
}

bool Reader::ReadSection(const toml::table& root, int section, Project* project) {
    const toml::array* entries = nullptr;
    if (!Tables(root, kSectionManifestNames[section], &entries)) return false;
    if (!entries) return true;
    int n = 0;
    for (const toml::node& element : *entries) {
        Fields entry(*this, *element.as_table(), text::Format("%s entry %d", kSectionManifestNames[section], ++n));
        if (!ReadEntry(entry, section, project)) return false;
    }
    return true;
}

bool Reader::ReadFolders(Fields& folders, Project* project) {
    for (int s = 0; s < kSectionCount; ++s) {
        const toml::node* node = folders.Node(kSectionManifestNames[s]);
        if (!node) continue;
        const toml::array* array = node->as_array();
        if (!array) return Fail(node->source(), std::string("'") + kSectionManifestNames[s] + "' must be a list of folders");
        for (const toml::node& element : *array) {
            if (!element.is_string()) return Fail(element.source(), "a folder must be a string");
            std::string ansi, folder;
            if (!Ansi(element, "the folder", Unguard(element.as_string()->get()), &ansi)) return false;
            std::string problem = StoreQuoted(ansi, kPathLimit, false, &folder);
            if (!problem.empty()) return Fail(element.source(), "the folder " + problem);
            if (!CheckName(element, "the folder '" + Unguard(element.as_string()->get()) + "'", folder, true,
                           s == kSectionConduit))
                return false;
            project->AddSectionFolder(static_cast<FileSection>(s), folder);
        }
    }
    return folders.Done();
}

bool Reader::ReadPalm(const toml::array& entries, Project* project) {
    int n = 0;
    for (const toml::node& element : entries) {
        Fields palm(*this, *element.as_table(), text::Format("palm entry %d", ++n));
        std::string name, folder;
        int32_t first = -1, second = 0;
        if (!QuotedText(*this, palm, "name", kPathLimit, false, &name, true) ||
            !palm.Int("first", INT32_MIN, INT32_MAX, &first) || !palm.Int("second", INT32_MIN, INT32_MAX, &second) ||
            !PlainText(*this, palm, "folder", kPathLimit, &folder) || !palm.Done())
            return false;
        project->AddPalmFile(name, first, second, folder);
    }
    return true;
}

bool Reader::ReadComponents(const toml::array& entries, const ManifestDefaults& defaults, Project* project) {
    int n = 0;
    for (const toml::node& element : entries) {
        Fields fields(*this, *element.as_table(), text::Format("component %d", ++n));
        std::string name, manifest, description;
        int32_t mainFolder = 1, selected = 1, group = 0;
        if (!QuotedText(*this, fields, "name", kPathLimit, false, &name, true) ||
            !fields.Text("manifest", &manifest, true) || !fields.Flag("main_folder", &mainFolder) ||
            !fields.Flag("selected", &selected) || !fields.Int("group", INT32_MIN, INT32_MAX, &group) ||
            !QuotedText(*this, fields, "description", kDescriptionLimit, true, &description) || !fields.Done())
            return false;
        const toml::source_region& at = fields.Node("manifest")->source();
        fs::path path = folder_ / fs::path(manifest);
        std::string key, text;
        if (!files_.Source(path.string(), &key) || !files_.ReadText(path.string(), &text))
            return Fail(at, "component manifest '" + manifest + "' is not a readable file");
        for (const std::string& outer : chain_)
            if (outer == key) return Fail(at, "component manifest '" + manifest + "' is one of its own components");
        project->AddComponent(name, next_++, mainFolder, selected, group, description);
        if (!Read(path.string(), text, false, defaults, project->components.back().sub.get())) return false;
    }
    return true;
}

bool Reader::ResolveDocument(Fields& package, const char* key, const Project& project, DocRef* document) {
    std::string utf8, name;
    if (!package.Text(key, &utf8)) return false;
    const toml::node* node = package.Node(key);
    if (!node) return true;
    if (!Ansi(*node, std::string("'") + key + "'", utf8, &name)) return false;
    int matches = 0;
    for (int s = 0; s < kSectionCount; ++s)
        for (size_t i = 0; i < project.files[s].size(); ++i)
            if (project.files[s][i].path == name) {
                document->section = s;
                document->fileIndex = static_cast<int32_t>(i);
                ++matches;
            }
    if (matches == 1) return true;
    return Fail(node->source(), std::string("'") + key + "' names " + (matches ? "more than one file" : "no file") +
                                    " of the package: '" + utf8 + "'");
}

bool Reader::Read(const std::string& path, const std::string& text, bool main, const ManifestDefaults& defaults,
                  Project* project) {
    // A fault is reported in the manifest that holds it; the outer one resumes after it.
    const std::string outerManifest = manifest_;
    const std::string_view outerText = text_;
    const fs::path outerFolder = folder_;
    plan_->manifests.push_back(path);
    manifest_ = path;
    folder_ = fs::path(path).parent_path();
    std::string key;
    files_.Source(path, &key);
    chain_.push_back(key);
    bool read = ReadBody(text, main, defaults, project);
    chain_.pop_back();
    if (!read) return false;
    manifest_ = outerManifest;
    text_ = outerText;
    folder_ = outerFolder;
    return true;
}

bool Reader::ReadBody(const std::string& text, bool main, const ManifestDefaults& defaults, Project* project) {
    TextPlace bad;
    std::string what;
    if (!CheckUtf8(text, &bad, &what)) return Fail(At(bad.line, bad.column), what);
    text_ = text;
    const std::string guarded = Guard(text);
    toml::parse_result parsed = toml::parse(std::string_view(guarded), std::string_view(manifest_));
    if (!parsed) {
        const toml::source_position at = parsed.error().source().begin;
        size_t offset = Offset(text_, at.line, at.column);
        const char32_t found = offset < text_.size() ? NextCharacter(text_, &offset) : 0;
        return Fail(parsed.error().source(), PlainSyntaxError(Unguard(parsed.error().description()), found));
    }
    const toml::table& root = parsed.table();

    const std::vector<std::string> known = {"package", "folders", "palm", "component", "application", "system",
                                            "conduit", "mounted_device"};
    for (auto&& [key, value] : root) {
        const std::string name = Unguard(key.str());
        if (std::find(known.begin(), known.end(), name) == known.end())
            return Fail(key.source(), "unknown table '" + name + "'" + UnknownKey(name, known));
    }
    const toml::table* package = root["package"].as_table();
    if (!package) return Fail(root.source(), "missing table [package]");
    Fields fields(*this, *package, "[package]");
    if (!ReadPackage(fields, main, defaults, project)) return false;
    if (const toml::node* folders = root.get("folders")) {
        if (!folders->is_table()) return Fail(folders->source(), "'folders' must be a table");
        Fields folderFields(*this, *folders->as_table(), "[folders]");
        if (!ReadFolders(folderFields, project)) return false;
    }
    for (int s = 0; s < kSectionCount; ++s)
        if (!ReadSection(root, s, project)) return false;
    const toml::array* palm = nullptr;
    if (!Tables(root, "palm", &palm) || (palm && !ReadPalm(*palm, project))) return false;
    for (const ProjectKey& key : script::kFileReferenceKeys)
        if (key.kind == KeyKind::kDocument && !ReadPackageKey(fields, key, main, defaults, project)) return false;
    if (!fields.Done()) return false;
    const toml::array* components = nullptr;
    if (!Tables(root, "component", &components)) return false;
    project->multicomp = components ? 1 : 0;
    if (components && !ReadComponents(*components, defaults, project)) return false;
    return Finish(fields, main ? components : nullptr, *project);
}

bool Reader::Finish(Fields& package, const toml::array* components, const Project& project) {
    const toml::source_region& title = package.Node("title")->source();
    for (const Warning& warning : ProjectWarnings(project)) {
        const toml::node* node = package.Node(warning.key);
        Warn(node ? node->source() : title, FromWindows1252(warning.text));
    }
    bool none = false;
    const std::string problem = components && !components->empty() ? SelectionProblem(project, &none) : "";
    if (problem.empty()) return true;
    const toml::node* minimum = package.Node("group0_min");
    const toml::source_region& at = minimum ? minimum->source() : (*components)[0].source();
    if (none) return Fail(at, problem);
    Warn(at, problem);
    return true;
}

bool Reader::Ansi(const toml::node& node, const std::string& what, const std::string& utf8, std::string* out) {
    char32_t refused = 0;
    if (ToWindows1252(utf8, out, &refused)) return true;
    return Fail(Refused(node.source()), what + " holds the character " + DescribeCharacter(refused) +
                                            ", which Windows-1252, the code page of the install scripts, cannot hold");
}

toml::source_region Reader::Refused(const toml::source_region& region) const {
    size_t i = Offset(text_, region.begin.line, region.begin.column);
    uint32_t line = region.begin.line, column = region.begin.column;
    const bool escapes = i < text_.size() && text_[i] == '"';
    while (i < text_.size() && (line < region.end.line || (line == region.end.line && column < region.end.column))) {
        const toml::source_region at = At(line, column);
        char32_t c = NextCharacter(text_, &i);
        ++column;
        if (c == '\n') {
            ++line;
            column = 1;
        } else if (escapes && c == '\\' && i < text_.size()) {
            // \u and \U escapes name their character; an escaped backslash is passed over.
            const size_t digits = text_[i] == 'u' ? 4 : text_[i] == 'U' ? 8 : 0;
            if (digits && i + 1 + digits <= text_.size())
                c = static_cast<char32_t>(std::strtoul(std::string(text_.substr(i + 1, digits)).c_str(), nullptr, 16));
            const size_t skip = digits ? 1 + digits : text_[i] == '\\' ? 1 : 0;
            i += skip;
            column += static_cast<uint32_t>(skip);
        }
        if (!InWindows1252(c)) return at;
    }
    return region;
}

bool Reader::CheckName(const toml::node& at, const std::string& what, const std::string& name, bool folder,
                       bool absolute) {
    std::string problem = folder ? FolderProblem(name, absolute) : NameProblem(name);
    if (!folder && name.find_first_of("\\/") != std::string::npos) {
        problem = FolderProblem(name, false);
        if (problem.empty()) problem = "holds a path separator: a file's folder goes in 'folder'";
    }
    return problem.empty() || Fail(at.source(), what + " " + FromWindows1252(problem));
}

bool Reader::InstallName(Fields& fields, const std::string& source, std::string* name) {
    const toml::node* given = fields.Node("name");
    const toml::node& at = given ? *given : *fields.Node("source");
    const std::string what = given ? "'name'" : "the file name of 'source'";
    if (!given && !Ansi(at, what, FileNameOf(source), name)) return false;
    return QuotedText(*this, fields, "name", kPathLimit, false, name) && CheckName(at, what, *name, false);
}

bool ReadWith(const Files& files, const std::string& path, const std::string& text, const ManifestDefaults& defaults,
              PackagePlan* plan, std::string* error) {
    PackagePlan result;
    Reader reader(files, &result, error);
    if (!reader.Read(path, text, true, defaults, &result.project)) return false;
    *plan = std::move(result);
    return true;
}

}  // namespace

bool ReadManifest(const std::string& path, const ManifestDefaults& defaults, PackagePlan* plan, std::string* error) {
    DiskFiles files;
    std::string text;
    if (!files.ReadText(path, &text)) {
        *error = path + ": cannot be read";
        return false;
    }
    return ReadWith(files, path, text, defaults, plan, error);
}

bool ParseManifestText(const std::string& text, const std::string& name, PackagePlan* plan, std::string* error) {
    return ReadWith(NoFiles(), name, text, ManifestDefaults{kDefaultLanguageDll}, plan, error);
}

}  // namespace mkpackage
