// Builds a project model from arbitrary bytes (with components two levels deep), writes its
// scripts with the canonical writer and reads them back with the loader: the model must come
// back whole, unless a written line is longer than the loader reads of its key, which is the
// one thing the writer leaves to its caller (the authoring tool refuses such a model).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Limits.h"
#include "base/Text.h"
#include "script/IniScript.h"
#include "script/Project.h"
#include "script/ScriptLoader.h"
#include "script/ScriptWriter.h"
#include "script/ValueSyntax.h"

namespace {

// A text written as a quoted string: no control character but CR LF pairs where `breaks`, and
// no last backslash (the loader would take the closing quote for an escaped one).
std::string Quoted(FuzzedDataProvider& data, size_t limit, bool breaks = false) {
    std::string raw = data.ConsumeRandomLengthString(limit - 1), value;
    for (size_t i = 0; i < raw.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(raw[i]);
        if (breaks && c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
            value += "\r\n";
            ++i;
        } else if (c >= 0x20 && c != 0x7F) {
            value += raw[i];
        }
    }
    while (!value.empty() && value.back() == '\\') value.pop_back();
    return value;
}

// A text written unquoted: no control character, no blank at either end, not enclosed in quotes.
std::string Plain(FuzzedDataProvider& data, size_t limit) {
    std::string value = Quoted(data, limit);
    for (;;) {
        if (!value.empty() && script::IsBlank(value.front()))
            value.erase(0, 1);
        else if (!value.empty() && (script::IsBlank(value.back()) ||
                                    (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                                     value.back() == value.front())))
            value.pop_back();
        else
            return value;
    }
}

void Fill(FuzzedDataProvider& data, Project& p, int depth, int32_t* nextScript) {
    p.title = Plain(data, kShortTextLimit);
    if (p.title.empty()) p.title = "T";
    p.version = Plain(data, kShortTextLimit);
    p.company = Plain(data, kShortTextLimit);
    p.projectIcon = Plain(data, kPathLimit);
    p.languageDll = Plain(data, kShortTextLimit);
    if (p.languageDll.empty()) p.languageDll = kDefaultLanguageDll;
    p.targetOs = data.ConsumeIntegral<uint32_t>();
    if (p.targetOs == 0) {
        p.conduitInstaller = Plain(data, kShortTextLimit);
        p.conduitPattern = Plain(data, kPatternLimit);
    }
    p.languageDllIndex = data.ConsumeIntegral<int32_t>();
    p.conduitInstallerIndex = data.ConsumeIntegral<int32_t>();
    p.group0MinComp = data.ConsumeIntegral<int32_t>();
    p.defTargetDir = Plain(data, kPathLimit);
    p.defMountedDir = Plain(data, kPathLimit);
    p.defShortcutDir = Plain(data, kPathLimit);
    p.winTitle = Plain(data, kPathLimit);
    p.copyPalmToPc = data.ConsumeIntegral<int32_t>();
    p.launch = Quoted(data, kPathLimit);
    p.relativePaths = data.ConsumeIntegral<int32_t>();

    for (int n = data.ConsumeIntegralInRange(0, 3); n > 0; --n)
        p.AddPalmFile(Quoted(data, kPathLimit), data.ConsumeIntegral<int32_t>(), data.ConsumeIntegral<int32_t>(),
                      Plain(data, kPathLimit));
    for (int s = 0; s < kSectionCount; ++s) {
        for (int n = data.ConsumeIntegralInRange(0, 2); n > 0; --n)
            p.AddSectionFolder(static_cast<FileSection>(s), Quoted(data, kPathLimit));
        for (int n = data.ConsumeIntegralInRange(0, 3); n > 0; --n) {
            int32_t kind = data.ConsumeIntegralInRange(0, 2);
            int32_t index = p.AddFileEntry(static_cast<FileSection>(s), Quoted(data, kPathLimit),
                                           data.ConsumeIntegral<int32_t>(), data.ConsumeIntegral<int32_t>(), kind,
                                           data.ConsumeIntegral<int32_t>(), data.ConsumeIntegral<int32_t>());
            FileEntry& e = p.files[s][static_cast<size_t>(index)];
            if (kind == kKindConduit) {
                ConduitSpec& c = e.conduit;
                c.text1 = Quoted(data, kConduitTextLimit);
                c.number2 = data.ConsumeIntegral<uint32_t>();
                c.text3 = Quoted(data, kConduitTextLimit);
                c.text4 = Quoted(data, kConduitTextLimit);
                c.text5 = Quoted(data, kConduitTextLimit);
                c.number6 = data.ConsumeIntegral<uint32_t>();
                c.text7 = Quoted(data, kConduitTextLimit);
                c.text8 = Quoted(data, kConduitTextLimit);
                c.number9 = data.ConsumeIntegral<uint32_t>();
                c.text10 = Quoted(data, kConduitTextLimit);
                c.number11 = data.ConsumeIntegral<uint32_t>();
                c.text12 = Quoted(data, kPathLimit);
            } else {
                e.startupShortcut = data.ConsumeIntegral<int32_t>();
                e.note = Quoted(data, kPathLimit);
                if (kind == kKindRegistrable) e.registerSelf = data.ConsumeIntegral<int32_t>();
            }
        }
    }
    DocRef* documents[] = {&p.licence, &p.readme};
    for (DocRef* document : documents) {
        document->fileIndex = data.ConsumeIntegral<int32_t>();
        document->section = data.ConsumeIntegral<int32_t>();
        if (document->fileIndex < 0) *document = DocRef();
    }
    ImageSpec* images[] = {&p.backgroundImage, &p.logo};
    for (ImageSpec* image : images) {
        if (!data.ConsumeBool()) continue;
        image->name = Quoted(data, kPathLimit);
        image->dataFile = data.ConsumeIntegral<int32_t>();
        image->mode = data.ConsumeIntegralInRange(0, 3);
    }
    if (depth < 2) {
        for (int n = data.ConsumeIntegralInRange(0, 2); n > 0; --n) {
            p.AddComponent(Quoted(data, kPathLimit), (*nextScript)++, data.ConsumeIntegral<int32_t>(),
                           data.ConsumeIntegral<int32_t>(), data.ConsumeIntegral<int32_t>(),
                           Quoted(data, kDescriptionLimit, true));
            Fill(data, *p.components.back().sub, depth + 1, nextScript);
        }
        p.multicomp = p.components.empty() ? data.ConsumeIntegral<int32_t>() : 1;
    }
    // Sealed or not; a sealed script has a line for every data file it names.
    if (data.ConsumeBool()) {
        for (int32_t number : NamedDataFiles(p)) {
            DataFileSeal seal;
            seal.dataFile = number;
            seal.size = data.ConsumeIntegral<uint64_t>();
            for (int i = 0; i < 64; ++i) seal.sha256 += "0123456789abcdef"[data.ConsumeIntegralInRange(0, 15)];
            p.seals.push_back(seal);
        }
    }
}

// Whether a line of the script is longer than the loader reads of its key.
bool LineOverLimit(const std::string& text) {
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        std::string line = text.substr(at, end - at);
        at = end + 2;
        size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string key = line.substr(0, equals);
        size_t limit = script::kListLineLimit;
        if (key.rfind("Component", 0) == 0 || key == "Launch" || key == "EULA" || key == "Readme")
            limit = script::kScriptLineLimit;
        else if (key == "BackgroundImage" || key == "ProjectLogo")
            limit = script::kImageLineLimit;
        if (line.size() - equals - 1 > limit - 1) return true;
    }
    return false;
}

void AddScripts(const Project& project, int32_t number, script::IniScriptTexts* texts, bool* overLimit) {
    std::string text = script::ScriptWriter::ForProject(project).Text();
    *overLimit = *overLimit || LineOverLimit(text);
    texts->Add(text::DataFileName(number), text);
    for (const Component& component : project.components)
        AddScripts(*component.sub, component.subScript, texts, overLimit);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    Project written;
    int32_t nextScript = 2;
    Fill(data, written, 0, &nextScript);
    script::IniScriptTexts texts;
    bool overLimit = false;
    AddScripts(written, 1, &texts, &overLimit);
    Project read;
    int32_t code = script::LoadProject(read, texts, text::DataFileName(1), true);
    std::string difference = code == 0 ? script::ModelDifference(written, read) : "load failed";
    if (!difference.empty() && !overLimit) {
        std::fprintf(stderr, "round trip lost %s (load result %d)\n", difference.c_str(), code);
        std::abort();
    }
    return 0;
}
