#include "mkpackage/Manifest.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string_view>

#include <toml++/toml.h>

#include "base/Text.h"
#include "script/ValueSyntax.h"

namespace mkpackage {

namespace fs = std::filesystem;

namespace {

constexpr int32_t kMainScript = 1;
const char* const kSectionKeys[kSectionCount] = {"application", "system", "conduit", "mounted_device"};

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
        std::ifstream file(path, std::ios::binary);
        if (!file) return false;
        text->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        return !file.bad();
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

// toml++ 3.3.0 asks whether a character where whitespace may stand is Unicode blank, and for
// the non-blank characters of three ranges of its table it reaches __builtin_unreachable (fixed
// upstream in a later version): a raw "é" at the start of a line is undefined behaviour there.
// Such characters are refused before parsing; written as \u escapes they never meet the test.
// The table's constants are the library's own.
bool TripsTomlParser(char32_t c) {
    if (c <= U'\xA0' || c >= U'\uFEFF' || c == U'\u3000') return false;
    const uint64_t child = (static_cast<uint64_t>(c) - 0xA0u) / 0x3FAu;
    return !((1ull << child) & 0x7FFFFFFFFFFFF75Eull) && child != 0x05 && child != 0x07;
}

// The line and column (in characters, as toml++ counts) of the first such character, if any.
bool FindTripping(std::string_view text, uint32_t* line, uint32_t* column, char32_t* found) {
    *line = 1;
    *column = 1;
    for (size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length && i + k < text.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        if (TripsTomlParser(c)) {
            *found = c;
            return true;
        }
        i += length;
        ++*column;
        if (lead == '\n') {
            ++*line;
            *column = 1;
        }
    }
    return false;
}

bool HasControl(std::string_view value) {
    for (char c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    return false;
}

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
        *error_ = text::Format("%s:%u:%u: %s", manifest_.c_str(), static_cast<unsigned>(at.begin.line),
                               static_cast<unsigned>(at.begin.column), what.c_str());
        return false;
    }

private:
    bool ReadBody(const std::string& text, bool main, const ManifestDefaults& defaults, Project* project);
    bool ReadPackage(Fields& package, bool main, const ManifestDefaults& defaults, Project* project);
    bool ReadImage(Fields& package, const char* key, ImageSpec* image);
    bool ReadSection(const toml::table& root, int section, Project* project);
    bool ReadEntry(Fields& entry, int section, Project* project);
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
    fs::path folder_;            // its folder, which sources are relative to
    std::vector<std::string> chain_;  // manifests being read, outermost first
    std::map<std::string, int32_t> numbers_;  // source key -> data-file number
    int32_t next_ = kMainScript + 1;
};

bool Fields::Text(const char* key, std::string* out, bool required) {
    const toml::node* node = Node(key);
    if (!node) return !required || reader_.Fail(Where(), std::string("missing '") + key + "' in " + where_);
    if (!node->is_string()) return reader_.Fail(node->source(), std::string("'") + key + "' must be a string");
    *out = node->as_string()->get();
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

bool Fields::Done() {
    for (auto&& [key, value] : table_)
        if (!asked_.count(std::string(key.str())))
            return reader_.Fail(key.source(), "unknown key '" + std::string(key.str()) + "' in " + where_);
    return true;
}

// A value written unquoted in [Project] (or [Folder]): the profile functions would trim its
// blanks and strip enclosing quotes, and a line break would end it.
bool PlainText(Reader& reader, Fields& fields, const char* key, size_t limit, std::string* out) {
    if (!fields.Text(key, out)) return false;
    const toml::node* node = fields.Node(key);
    if (!node) return true;
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

// A value written as a quoted string: line breaks only where `breaks` (each stored as CR LF).
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
    std::string value;
    if (!fields.Text(key, &value, required)) return false;
    const toml::node* node = fields.Node(key);
    if (!node) return true;
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
    if (!fields.Text("source", &source, true)) return false;
    image->name = FileNameOf(source);
    if (!QuotedText(*this, fields, "name", kPathLimit, false, &image->name)) return false;
    if (!fields.Int("placement", 0, 3, &image->mode)) return false;
    return Number(fields.Node("source")->source(), source, key, &image->dataFile) && fields.Done();
}

bool Reader::ReadPackage(Fields& package, bool main, const ManifestDefaults& defaults, Project* project) {
    Project& p = *project;
    if (!PlainText(*this, package, "title", kShortTextLimit, &p.title)) return false;
    if (p.title.empty()) return Fail(package.Where(), "'title' is required and must not be empty");
    int32_t targetOs = 0;
    if (!PlainText(*this, package, "version", kShortTextLimit, &p.version) ||
        !PlainText(*this, package, "company", kShortTextLimit, &p.company) ||
        !PlainText(*this, package, "project_icon", kPathLimit, &p.projectIcon) ||
        !PlainText(*this, package, "language_name", kShortTextLimit, &p.languageDll) ||
        !PlainText(*this, package, "install_dir", kPathLimit, &p.defTargetDir) ||
        !PlainText(*this, package, "shortcut_dir", kPathLimit, &p.defShortcutDir) ||
        !PlainText(*this, package, "mounted_dir", kPathLimit, &p.defMountedDir) ||
        !PlainText(*this, package, "window_title", kPathLimit, &p.winTitle) ||
        !QuotedText(*this, package, "launch", kPathLimit, false, &p.launch) ||
        !package.Int("target_os", 0, INT32_MAX, &targetOs) ||
        !package.Int("group0_min", INT32_MIN, INT32_MAX, &p.group0MinComp) ||
        !package.Flag("copy_palm_to_pc", &p.copyPalmToPc) || !package.Flag("relative_paths", &p.relativePaths))
        return false;
    p.targetOs = static_cast<uint32_t>(targetOs);
    if (p.languageDll.empty()) p.languageDll = kDefaultLanguageDll;

    const char* conduitKeys[] = {"conduit_installer", "conduit_installer_pattern"};
    if (p.targetOs == 0) {
        p.conduitInstaller = kDefaultConduitInstaller;
        p.conduitPattern = kDefaultConduitPattern;
        if (!PlainText(*this, package, conduitKeys[0], kShortTextLimit, &p.conduitInstaller) ||
            !PlainText(*this, package, conduitKeys[1], kPatternLimit, &p.conduitPattern))
            return false;
    } else {
        for (const char* key : conduitKeys)
            if (const toml::node* node = package.Node(key))
                return Fail(node->source(), std::string("'") + key + "' needs target_os = 0");
    }

    std::string library;
    if (!package.Text("language_library", &library)) return false;
    if (const toml::node* node = package.Node("language_library")) {
        if (!Number(node->source(), library, "language_library", &p.languageDllIndex)) return false;
    } else if (main) {
        std::string key;
        if (!files_.Source(defaults.languageLibrary, &key))
            return Fail(package.Where(), "no 'language_library', and the default '" + defaults.languageLibrary +
                                             "' is not a readable file");
        p.languageDllIndex = NumberFor(key, defaults.languageLibrary);
    }
    std::string installer;
    if (!package.Text("conduit_installer_source", &installer)) return false;
    if (const toml::node* node = package.Node("conduit_installer_source"))
        if (!Number(node->source(), installer, "conduit_installer_source", &p.conduitInstallerIndex)) return false;
    return ReadImage(package, "background_image", &p.backgroundImage) && ReadImage(package, "logo", &p.logo);
}

bool Reader::ReadEntry(Fields& entry, int section, Project* project) {
    const bool application = section == kSectionApplication;
    std::string source;
    if (!entry.Text("source", &source, true)) return false;
    std::string name = FileNameOf(source), folder, note;
    int32_t replace = 1, kind = kKindPlain, registerSelf = 0, menu = 0, startup = 0;
    if (!QuotedText(*this, entry, "name", kPathLimit, false, &name) ||
        !QuotedText(*this, entry, "folder", kPathLimit, false, &folder) ||
        !entry.Choice("replace", {"none", "older", "always", "older-ask"}, &replace) ||
        !entry.Choice("kind", {"file", "conduit", "library"}, &kind) || !entry.Flag("register", &registerSelf) ||
        !entry.Flag("menu_shortcut", &menu) ||
        !entry.Choice("startup_shortcut", {"none", "user", "all-users"}, &startup) ||
        !QuotedText(*this, entry, "note", kPathLimit, false, &note))
        return false;
    if (name.empty()) return Fail(entry.Where(), "the file name of " + entry.Name() + " is empty");
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

    int32_t folderIndex = -1;
    for (size_t i = 0; i < project->folders[section].size(); ++i)
        if (project->folders[section][i] == folder) folderIndex = static_cast<int32_t>(i);
    if (folderIndex < 0) {
        project->AddSectionFolder(static_cast<FileSection>(section), folder);
        folderIndex = project->FolderCount(static_cast<FileSection>(section)) - 1;
    }
    int32_t number = -1;
    if (!Number(entry.Node("source")->source(), source, entry.Name(), &number)) return false;
    int32_t index = project->AddFileEntry(static_cast<FileSection>(section), name, folderIndex, number, kind,
                                          replace, menu);
    FileEntry& file = project->files[section][static_cast<size_t>(index)];
    file.registerSelf = registerSelf;
    file.startupShortcut = startup;
    file.note = note;
    if (const toml::node* node = entry.Node("conduit")) {
        if (!node->is_table()) return Fail(node->source(), "'conduit' must be a table");
        Fields conduit(*this, *node->as_table(), "conduit");
        ConduitSpec& c = file.conduit;
        std::string* texts[] = {&c.text1, &c.text3, &c.text4, &c.text5, &c.text7, &c.text8, &c.text10};
        const char* textKeys[] = {"text1", "text3", "text4", "text5", "text7", "text8", "text10"};
        for (int i = 0; i < 7; ++i)
            if (!QuotedText(*this, conduit, textKeys[i], kConduitTextLimit, false, texts[i])) return false;
        uint32_t* numbers[] = {&c.number2, &c.number6, &c.number9, &c.number11};
        const char* numberKeys[] = {"number2", "number6", "number9", "number11"};
        for (int i = 0; i < 4; ++i) {
            int32_t value = 0;
            if (!conduit.Int(numberKeys[i], 0, INT32_MAX, &value)) return false;
            *numbers[i] = static_cast<uint32_t>(value);
        }
        if (!QuotedText(*this, conduit, "text12", kPathLimit, false, &c.text12) || !conduit.Done()) return false;
    }
    return entry.Done();
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
    if (!Tables(root, kSectionKeys[section], &entries)) return false;
    if (!entries) return true;
    int n = 0;
    for (const toml::node& element : *entries) {
        Fields entry(*this, *element.as_table(), text::Format("%s entry %d", kSectionKeys[section], ++n));
        if (!ReadEntry(entry, section, project)) return false;
    }
    return true;
}

bool Reader::ReadFolders(Fields& folders, Project* project) {
    for (int s = 0; s < kSectionCount; ++s) {
        const toml::node* node = folders.Node(kSectionKeys[s]);
        if (!node) continue;
        const toml::array* array = node->as_array();
        if (!array) return Fail(node->source(), std::string("'") + kSectionKeys[s] + "' must be a list of folders");
        for (const toml::node& element : *array) {
            if (!element.is_string()) return Fail(element.source(), "a folder must be a string");
            std::string folder;
            std::string problem = StoreQuoted(element.as_string()->get(), kPathLimit, false, &folder);
            if (!problem.empty()) return Fail(element.source(), "the folder " + problem);
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
    std::string name;
    if (!package.Text(key, &name)) return false;
    const toml::node* node = package.Node(key);
    if (!node) return true;
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
                                    " of the package: '" + name + "'");
}

bool Reader::Read(const std::string& path, const std::string& text, bool main, const ManifestDefaults& defaults,
                  Project* project) {
    // A fault is reported in the manifest that holds it; the outer one resumes after it.
    const std::string outerManifest = manifest_;
    const fs::path outerFolder = folder_;
    manifest_ = path;
    folder_ = fs::path(path).parent_path();
    std::string key;
    files_.Source(path, &key);
    chain_.push_back(key);
    bool read = ReadBody(text, main, defaults, project);
    chain_.pop_back();
    if (!read) return false;
    manifest_ = outerManifest;
    folder_ = outerFolder;
    return true;
}

bool Reader::ReadBody(const std::string& text, bool main, const ManifestDefaults& defaults, Project* project) {
    const std::string& path = manifest_;
    uint32_t line = 0, column = 0;
    char32_t tripping = 0;
    if (FindTripping(text, &line, &column, &tripping))
        return Fail(toml::source_region{{line, column}, {line, column}, nullptr},
                    text::Format("write the character U+%04X as \\u%04X", static_cast<unsigned>(tripping),
                                 static_cast<unsigned>(tripping)));
    toml::parse_result parsed = toml::parse(text, path);
    if (!parsed) return Fail(parsed.error().source(), std::string(parsed.error().description()));
    const toml::table& root = parsed.table();

    const char* known[] = {"package", "folders", "palm", "component", "application", "system", "conduit",
                           "mounted_device"};
    for (auto&& [key, value] : root) {
        bool found = false;
        for (const char* name : known) found = found || key.str() == name;
        if (!found) return Fail(key.source(), "unknown table '" + std::string(key.str()) + "'");
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
    if (!ResolveDocument(fields, "licence", *project, &project->licence) ||
        !ResolveDocument(fields, "readme", *project, &project->readme) || !fields.Done())
        return false;
    const toml::array* components = nullptr;
    if (!Tables(root, "component", &components)) return false;
    project->multicomp = components ? 1 : 0;
    return !components || ReadComponents(*components, defaults, project);
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
    return ReadWith(NoFiles(), name, text, ManifestDefaults{"ResENU.DLL"}, plan, error);
}

}  // namespace mkpackage
