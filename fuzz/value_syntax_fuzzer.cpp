// Feeds arbitrary bytes to every value-layout parser with a random field limit and script
// version, and checks what each guarantees: no field longer than its limit, a cursor that
// never leaves its value, an output untouched by a failed parse.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "script/ScriptSection.h"
#include "script/ValueSyntax.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void FuzzCursor(const std::string& value, size_t limit) {
    script::Cursor cursor(value);
    for (int step = 0; step < 16 && !cursor.AtEnd(); ++step) {
        const size_t before = cursor.Position();
        std::string text = "sentinel";
        int32_t number = 0;
        uint32_t unsignedNumber = 0;
        bool ok = false;
        switch (step % 4) {
        case 0:
            ok = cursor.ReadQuoted(limit, &text);
            if (ok) Check(text.size() < (limit ? limit : 1));
            else Check(text == "sentinel");
            break;
        case 1: ok = cursor.ReadSigned(&number); break;
        case 2: ok = cursor.ReadUnsigned(&unsignedNumber); break;
        default: ok = cursor.Comma(); break;
        }
        Check(cursor.Position() <= value.size());
        if (!ok && cursor.Position() == before) break;
    }
}

void FuzzLayouts(const std::string& value, uint32_t version) {
    std::string launch;
    if (script::ParseLaunch(value, &launch)) Check(launch.size() < kPathLimit);

    script::ComponentLine component;
    if (script::ParseComponent(value, version, &component)) {
        Check(component.name.size() < kPathLimit);
        Check(component.description.size() < kDescriptionLimit);
    }

    DocRef doc;
    script::ParseDocument(value, &doc);

    ImageSpec image;
    if (script::ParseImage(value, &image)) Check(image.mode >= 0 && image.mode <= 3 && image.name.size() < kPathLimit);

    script::PalmLine palm;
    if (script::ParsePalmFile(value, version, &palm)) Check(palm.name.size() < kPathLimit);

    std::string folder = "sentinel";
    if (script::ParseSectionFolder(value, &folder)) Check(folder.size() < kPathLimit);
    else Check(folder == "sentinel");

    for (int kind = 0; kind < 3; ++kind) {
        script::Cursor cursor(value);
        script::FileLine line;
        if (!script::ParseFileCommon(cursor, &line)) break;
        Check(line.path.size() < kPathLimit);
        if (kind == 0) {
            script::PlainTail tail;
            if (script::ParsePlainTail(cursor, &tail)) Check(tail.note.size() < kPathLimit);
        } else if (kind == 1) {
            ConduitSpec spec;
            if (script::ParseConduitTail(cursor, &spec))
                Check(spec.text1.size() < kConduitTextLimit && spec.text10.size() < kConduitTextLimit &&
                      spec.text12.size() < kPathLimit);
        } else {
            script::LibraryTail tail;
            if (script::ParseLibraryTail(cursor, &tail)) Check(tail.note.size() < kPathLimit);
        }
        Check(cursor.Position() <= value.size());
    }
    script::ScriptVersionFromText(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider provider(data, size);
    const size_t limit = provider.ConsumeIntegralInRange<size_t>(0, 300);
    const uint32_t version = provider.ConsumeIntegral<uint32_t>();
    const std::string value = provider.ConsumeRemainingBytesAsString();

    FuzzCursor(value, limit);
    FuzzLayouts(value, version);

    script::SectionValues section(value);
    Check(section.Text("File0", limit ? limit : 1).size() < (limit ? limit : 1));
    return 0;
}
