// Every single key of the schema, changed alone in a model: the writer writes it, the loader
// reads it back, and the differ names that key as the first difference.
#include <gtest/gtest.h>

#include <string>

#include "script/IniScript.h"
#include "script/ScriptSchema.h"
#include "script/ScriptWriter.h"

namespace {

Project Loaded(const std::string& text) {
    script::IniScriptTexts texts;
    texts.Add("00000001", text);
    Project project;
    EXPECT_EQ(0, script::LoadProject(project, texts, "00000001", false));
    return project;
}

void Change(Project& project, const script::ProjectKey& key) {
    switch (key.kind) {
    case script::KeyKind::kText:
    case script::KeyKind::kFileName:
    case script::KeyKind::kLaunch: project.*key.text = "x7.dll"; break;
    case script::KeyKind::kNumber:
    case script::KeyKind::kFlag:
    case script::KeyKind::kDataFile: project.*key.number = 7; break;
    case script::KeyKind::kUnsigned: project.*key.unsignedNumber = 7; break;
    case script::KeyKind::kDocument: project.*key.document = DocRef{0, kSectionSystem}; break;
    case script::KeyKind::kImage: project.*key.image = ImageSpec{"x7.bmp", 3, 2}; break;
    }
}

TEST(ScriptSchema, EveryKeyIsWrittenReadBackAndNamed) {
    script::ScriptWriter titled;
    titled.Set("Title", "Demo");
    const Project base = Loaded(titled.Text());
    for (const auto* keys : {&script::kProjectKeys, &script::kFileReferenceKeys})
        for (const script::ProjectKey& key : *keys) {
            SCOPED_TRACE(key.name);
            Project changed = Loaded(titled.Text());
            Change(changed, key);
            // A script for another target holds no conduit installer to read back.
            for (const script::ProjectKey& other : script::kProjectKeys)
                if (other.rule == script::KeyRule::kTargetZeroOnly && changed.targetOs != 0) (changed.*other.text).clear();
            EXPECT_EQ("", script::ModelDifference(changed, Loaded(script::ScriptWriter::ForProject(changed).Text())));
            EXPECT_EQ(0u, script::ModelDifference(base, changed).rfind(key.name, 0));
        }
}

}  // namespace
