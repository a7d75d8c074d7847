// The language library in the test's own process: loading and its caption rule, the string
// helpers, and the default library's contents - every catalogue string with the printf
// arguments its callers pass, and every page template with the controls its page drives.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <set>
#include <vector>

#include "state/Messages.h"
#include "support/TestEnv.h"
#include "win/UniqueHandle.h"

namespace {

std::string DefaultLibrary() { return testenv::BinFolder() + "ResENU.DLL"; }
std::string NoCaptionLibrary() { return testenv::BinFolder() + "LangNoCaption.DLL"; }

TEST(LanguageLoad, DefaultLibraryGivesCaptionAndPath) {
    ASSERT_NE(0, LoadLanguageLibrary(DefaultLibrary()));
    const LanguageLibrary& library = Language();
    EXPECT_NE(nullptr, library.module.get());
    EXPECT_EQ("Setup", library.caption);
    EXPECT_EQ(DefaultLibrary(), library.path);

    FreeLanguageLibrary();
    EXPECT_EQ(nullptr, Language().module.get());
    FreeLanguageLibrary();  // a second free has nothing left to do
}

TEST(LanguageLoad, LibraryWithoutCaptionIsRefusedButStaysLoaded) {
    EXPECT_EQ(0, LoadLanguageLibrary(NoCaptionLibrary()));
    const LanguageLibrary& library = Language();
    EXPECT_NE(nullptr, library.module.get());
    EXPECT_EQ("", library.caption);
    EXPECT_EQ(NoCaptionLibrary(), library.path);
}

TEST(LanguageLoad, MissingOrOverlongPathLoadsNothing) {
    ASSERT_NE(0, LoadLanguageLibrary(DefaultLibrary()));
    // A failed reload must not keep the caption of the library it replaced.
    EXPECT_EQ(0, LoadLanguageLibrary(testenv::FreshFolder() + "\\missing.dll"));
    EXPECT_EQ(nullptr, Language().module.get());
    EXPECT_EQ("", Language().caption);

    // Cut to the record's 259 characters the path would name another file.
    std::string longPath = testenv::FreshFolder() + "\\" + std::string(300, 'a') + ".dll";
    EXPECT_EQ(0, LoadLanguageLibrary(longPath));
    EXPECT_EQ(nullptr, Language().module.get());
    EXPECT_EQ("", Language().path);
}

TEST(LanguageStrings, FormattedStringIsCutOrLeftAlone) {
    ASSERT_NE(0, LoadLanguageLibrary(DefaultLibrary()));
    const LanguageLibrary& library = Language();

    std::string out = "untouched";
    EXPECT_EQ(0, LoadFormattedString(library, &out, 128, 12345, "x"));
    EXPECT_EQ("untouched", out);

    ASSERT_EQ(1, LoadFormattedString(library, &out, 128, kStrPageCaption, "Demo"));
    EXPECT_EQ("Demo Setup", out);
    ASSERT_EQ(1, LoadFormattedString(library, &out, 5, kStrPageCaption, "Demo"));
    EXPECT_EQ("Demo", out);
    ASSERT_EQ(1, LoadFormattedString(library, &out, 64, kStrSelectionSummary, 2, 5));
    EXPECT_EQ("2 of 5 selected", out);

    EXPECT_TRUE(LoadPlainString(library, kStrSetupCaption, 4, &out));
    EXPECT_EQ("Set", out);
    out = "untouched";
    EXPECT_FALSE(LoadPlainString(library, 12345, 128, &out));
    EXPECT_EQ("untouched", out);

    LanguageLibrary none;
    EXPECT_EQ(0, LoadFormattedString(none, &out, 128, kStrPageCaption, "Demo"));
    EXPECT_FALSE(LoadPlainString(none, kStrSetupCaption, 128, &out));
    EXPECT_EQ("untouched", out);
}

// The printf conversions of a text, in order ("%%" is not one).
std::string Conversions(const std::string& format) {
    std::string result;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        if (i + 1 < format.size() && format[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < format.size() && std::string("-+ #0123456789.lh").find(format[j]) != std::string::npos) ++j;
        result += j < format.size() ? format[j] : '?';
        i = j;
    }
    return result;
}

TEST(LanguageStrings, DefaultLibraryHoldsTheCatalogueWithItsArguments) {
    ASSERT_NE(0, LoadLanguageLibrary(DefaultLibrary()));
    // The arguments each caller passes; a string asking for others would read garbage.
    const std::map<UINT, std::string> catalogue = {
        {2, ""},  {3, ""},  {4, ""},  {6, "s"},  {7, "s"},  {9, ""},  {15, ""},   {16, "s"},
        {17, ""}, {18, ""}, {20, ""}, {21, ""},  {23, ""},  {24, ""}, {25, ""},   {26, "s"},
        {29, ""}, {30, "dd"}, {31, ""}, {32, ""}, {33, ""}, {34, ""}, {38, ""}};
    for (const auto& entry : catalogue) {
        std::string text;
        ASSERT_TRUE(LoadPlainString(Language(), entry.first, 1024, &text)) << "string " << entry.first;
        EXPECT_FALSE(text.empty()) << "string " << entry.first;
        EXPECT_EQ(entry.second, Conversions(text)) << "string " << entry.first << ": " << text;
    }
    // The captions and button texts must fit the buffers their callers read them into.
    std::string text;
    for (UINT id : {15u, 17u, 18u, 20u, 21u}) {
        ASSERT_TRUE(LoadPlainString(Language(), id, 1024, &text));
        EXPECT_LT(text.size(), 128u) << "string " << id;
    }
    // 5, 98 and 99 belong to the program, which shows them before the library is loaded.
    for (UINT id : {5u, 98u, 99u}) EXPECT_FALSE(LoadPlainString(Language(), id, 1024, &text)) << id;
}

struct ExpectedControl {
    int id;
    const char* className;
};

// Every page template with the controls its page procedure reaches by ID.
const std::map<int, std::vector<ExpectedControl>>& PageControls() {
    static const std::map<int, std::vector<ExpectedControl>> pages = {
        {26000, {{1017, "Static"}, {5, "Button"}}},
        {26001, {{1011, "Edit"}, {1012, "Button"}}},
        {26003, {{1022, PROGRESS_CLASSA}}},
        {26004,
         {{1033, "ListBox"}, {1041, "Static"}, {1023, "Button"}, {6, "Button"}, {1036, "Static"}}},
        {26005, {{1035, "Edit"}, {1034, "Button"}}},
        {26007, {{1044, "ComboBox"}}},
    };
    return pages;
}

INT_PTR CALLBACK QuietPage(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

RECT RectOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

TEST(LanguageTemplates, EveryPageHasItsControlsAndTheSharedFrame) {
    InitCommonControls();
    ASSERT_NE(0, LoadLanguageLibrary(DefaultLibrary()));
    HMODULE library = Language().module.get();

    for (const auto& page : PageControls()) {
        SCOPED_TRACE(page.first);
        HWND dialog = CreateDialogParamA(library, MAKEINTRESOURCEA(page.first), nullptr, QuietPage, 0);
        ASSERT_NE(nullptr, dialog);

        std::vector<ExpectedControl> expected = {
            {2, "Button"}, {3, "Button"}, {4, "Button"}, {1013, "Static"}, {1025, "Static"}};
        expected.insert(expected.end(), page.second.begin(), page.second.end());
        for (const ExpectedControl& control : expected) {
            HWND child = GetDlgItem(dialog, control.id);
            ASSERT_NE(nullptr, child) << "control " << control.id;
            EXPECT_EQ(control.className, ClassOf(child)) << "control " << control.id;
        }

        // Enter must press Next: no button may answer as IDOK, and Next is the default.
        EXPECT_EQ(nullptr, GetDlgItem(dialog, IDOK));
        EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongPtrA(GetDlgItem(dialog, 3), GWL_STYLE) & BS_TYPEMASK);
        EXPECT_EQ(MAKELRESULT(3, DC_HASDEFID), SendMessageA(dialog, DM_GETDEFID, 0, 0));

        // Exactly one control is under ten pixels high: the line above the buttons, which the
        // wizard takes as the height of a script's logo.
        RECT next = RectOf(GetDlgItem(dialog, 3));
        int lowControls = 0;
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT rect = RectOf(child);
            if (rect.bottom - rect.top >= 10) continue;
            ++lowControls;
            EXPECT_LE(rect.bottom, next.top);
            EXPECT_GT(rect.top, RectOf(GetDlgItem(dialog, 1013)).bottom);
        }
        EXPECT_EQ(1, lowControls);

        // Fitting a logo moves every control but Cancel to the right, so Cancel must sit left
        // of Back and Next, and Back left of Next, all on one row.
        RECT cancel = RectOf(GetDlgItem(dialog, 2));
        RECT back = RectOf(GetDlgItem(dialog, 4));
        EXPECT_LE(cancel.right, back.left);
        EXPECT_LE(back.right, next.left);
        EXPECT_EQ(cancel.top, next.top);
        EXPECT_EQ(back.top, next.top);
        DestroyWindow(dialog);
    }
}

TEST(LanguageTemplates, ListsAllowTheSelectionsTheirPagesMake) {
    ASSERT_NE(0, LoadLanguageLibrary(DefaultLibrary()));
    HMODULE library = Language().module.get();

    HWND components = CreateDialogParamA(library, MAKEINTRESOURCEA(26004), nullptr, QuietPage, 0);
    ASSERT_NE(nullptr, components);
    LONG_PTR list = GetWindowLongPtrA(GetDlgItem(components, 1033), GWL_STYLE);
    EXPECT_NE(0, list & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL));
    EXPECT_NE(0, list & LBS_NOTIFY);
    DestroyWindow(components);

    HWND drives = CreateDialogParamA(library, MAKEINTRESOURCEA(26007), nullptr, QuietPage, 0);
    ASSERT_NE(nullptr, drives);
    EXPECT_EQ(CBS_DROPDOWNLIST, GetWindowLongPtrA(GetDlgItem(drives, 1044), GWL_STYLE) & 3);
    DestroyWindow(drives);
}

TEST(LanguageTemplates, DefaultLogoLoads) {
    ASSERT_NE(0, LoadLanguageLibrary(DefaultLibrary()));
    win::UniqueGdiObject logo(LoadBitmapA(Language().module.get(), MAKEINTRESOURCEA(1000)));
    ASSERT_TRUE(logo);
    BITMAP info = {};
    ASSERT_NE(0, GetObjectA(logo.get(), sizeof(info), &info));
    EXPECT_GT(info.bmWidth, 16);
    EXPECT_EQ(info.bmWidth, info.bmHeight);
}

}  // namespace
