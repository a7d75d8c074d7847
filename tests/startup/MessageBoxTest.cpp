// Message boxes by string ID and the replace question, shown from a helper thread of the test
// and read and answered through the window manager as a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "base/Trace.h"
#include "state/Messages.h"
#include "support/TestEnv.h"
#include "support/UiDriver.h"

namespace {

struct ShownBox {
    bool seen = false;
    std::string caption;
    std::string text;
    std::vector<std::string> buttons;
    int result = 0;
};

// Runs `show` on a helper thread, reads the box it opens and presses `answer`.
template <typename Show>
ShownBox ShowAndAnswer(Show show, const std::string& answer) {
    ShownBox box;
    std::thread shower([&box, show] { box.result = show(); });
    HWND window = nullptr;
    for (DWORD start = GetTickCount(); !window && GetTickCount() - start < ui::kDefaultTimeoutMs; Sleep(30))
        window = ui::FindMessageBox(GetCurrentProcessId());
    if (!window) {
        // The helper is stuck in a box nobody can find; the process ends with the test.
        shower.detach();
        return box;
    }
    box.seen = true;
    ui::MessageBoxInfo info;
    ui::ReadMessageBox(window, &info);
    box.caption = info.caption;
    box.text = info.text;
    box.buttons = info.buttons;
    ui::SetupProcess::PressText(window, answer);
    shower.join();
    return box;
}

class MessageBoxes : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(0, LoadLanguageLibrary(testenv::BinFolder() + "ResENU.DLL")); }
};

TEST_F(MessageBoxes, QuestionShowsLibraryTextWithCaptionAndReturnsTheAnswer) {
    std::string expected;
    ASSERT_TRUE(LoadPlainString(Language(), kStrCancelQuestion, 512, &expected));

    auto ask = [] { return MessageBoxFromId(kStrCancelQuestion, MB_YESNO | MB_ICONQUESTION); };
    ShownBox yes = ShowAndAnswer(ask, "Yes");
    ASSERT_TRUE(yes.seen);
    EXPECT_EQ(expected, yes.text);
    EXPECT_EQ("Setup", yes.caption);
    EXPECT_EQ((std::vector<std::string>{"Yes", "No"}), yes.buttons);
    EXPECT_EQ(IDYES, yes.result);

    ShownBox no = ShowAndAnswer(ask, "No");
    ASSERT_TRUE(no.seen);
    EXPECT_EQ(IDNO, no.result);
}

TEST_F(MessageBoxes, StartupMessagesOfTheLibraryShowTheirTexts) {
    for (UINT id : {kStrComFailed, kStrStartupFolders, kStrKernelProbe, kStrShellProbe, kStrInstallFailed,
                    kStrMountedFailed, kStrCreateFolderFailed}) {
        std::string expected;
        ASSERT_TRUE(LoadPlainString(Language(), id, 512, &expected)) << id;
        ShownBox box = ShowAndAnswer([id] { return MessageBoxFromId(id, MB_OK); }, "OK");
        ASSERT_TRUE(box.seen) << id;
        EXPECT_EQ(expected, box.text) << id;
        EXPECT_EQ("Setup", box.caption) << id;
        EXPECT_EQ(IDOK, box.result) << id;
    }
}

TEST_F(MessageBoxes, StringMissingEverywhereShowsFallbackAndReadsAsNo) {
    ShownBox box = ShowAndAnswer([] { return MessageBoxFromId(12345, MB_YESNO | MB_ICONQUESTION); }, "OK");
    ASSERT_TRUE(box.seen);
    EXPECT_EQ("Error loading string id 12345", box.text);
    EXPECT_EQ("Setup", box.caption);
    EXPECT_EQ(std::vector<std::string>{"OK"}, box.buttons);
    EXPECT_EQ(IDCANCEL, box.result);
}

TEST_F(MessageBoxes, ReplaceQuestionNamesTheFileAndAnswersYesOrNo) {
    const char* path = "C:\\Program Files\\Demo\\demo.dll";
    ShownBox yes = ShowAndAnswer([path] { return AskYesNo(path) ? 1 : 0; }, "Yes");
    ASSERT_TRUE(yes.seen);
    EXPECT_NE(std::string::npos, yes.text.find(path));
    EXPECT_EQ("Setup", yes.caption);
    EXPECT_EQ(1, yes.result);

    ShownBox no = ShowAndAnswer([path] { return AskYesNo(path) ? 1 : 0; }, "No");
    ASSERT_TRUE(no.seen);
    EXPECT_EQ(0, no.result);
}

std::vector<std::string> g_traced;
void Capture(const char* message) { g_traced.push_back(message); }

// Quiet, nothing is shown (a box would block this thread until the test times out): each box
// answers at once, and its text still reaches the trace.
TEST_F(MessageBoxes, QuietModeShowsNothingAndGivesTheSafeAnswers) {
    std::string startupFolders;
    ASSERT_TRUE(LoadPlainString(Language(), kStrStartupFolders, 512, &startupFolders));
    g_traced.clear();
    SetTraceSink(Capture);
    SetQuietMessages(true);
    const int plain = MessageBoxFromId(kStrStartupFolders, MB_OK);
    const int question = MessageBoxFromId(kStrCancelQuestion, MB_YESNO | MB_ICONQUESTION);
    const int safeQuestion = AskFromId(IDNO, kStrCancelQuestion, MB_YESNO | MB_ICONQUESTION);
    const int missing = MessageBoxFromId(12345, MB_YESNO);
    const int fixed = ShowFixedMessage("Unable to copy a system file (C:\\a.dll).", "Error", MB_ICONWARNING);
    const bool replace = AskYesNo("C:\\Demo\\demo.dll");
    SetQuietMessages(false);
    SetTraceSink(nullptr);

    EXPECT_EQ(IDOK, plain);
    EXPECT_EQ(IDYES, question);
    EXPECT_EQ(IDNO, safeQuestion);
    EXPECT_EQ(IDCANCEL, missing);  // a missing string reads as No, quiet or not
    EXPECT_EQ(IDOK, fixed);
    EXPECT_FALSE(replace);  // the newer file on disk stays
    EXPECT_EQ(nullptr, ui::FindMessageBox(GetCurrentProcessId()));

    ASSERT_EQ(12u, g_traced.size());
    EXPECT_EQ("MessageBox::" + startupFolders + "\n", g_traced[0]);
    EXPECT_EQ("MessageBox::Not shown, answered 1.\n", g_traced[1]);
    EXPECT_EQ("MessageBox::Not shown, answered 6.\n", g_traced[3]);
    EXPECT_EQ("MessageBox::Not shown, answered 7.\n", g_traced[5]);
    EXPECT_EQ("MessageBox::Error loading string id 12345\n", g_traced[6]);
    EXPECT_EQ("MessageBox::Unable to copy a system file (C:\\a.dll).\n", g_traced[8]);
    EXPECT_NE(std::string::npos, g_traced[10].find("C:\\Demo\\demo.dll"));
    EXPECT_EQ("MessageBox::Not shown, answered 7.\n", g_traced[11]);
}

TEST(MessageBoxesWithoutQuestion, ReplaceQuestionStillAsksInPlainWords) {
    // This library lacks the question (and the caption).
    LoadLanguageLibrary(testenv::BinFolder() + "LangNoCaption.DLL");
    ASSERT_NE(nullptr, Language().module.get());
    const char* path = "C:\\Windows\\demo.dll";
    ShownBox box = ShowAndAnswer([path] { return AskYesNo(path) ? 1 : 0; }, "Yes");
    ASSERT_TRUE(box.seen);
    EXPECT_NE(std::string::npos, box.text.find(path));
    EXPECT_NE(std::string::npos, box.text.find("replace"));
    EXPECT_EQ((std::vector<std::string>{"Yes", "No"}), box.buttons);
    EXPECT_EQ(1, box.result);
}

}  // namespace
