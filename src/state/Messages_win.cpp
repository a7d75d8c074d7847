#include "state/Messages.h"

#include <cstdarg>

#include "base/Limits.h"
#include "base/Text.h"
#include "base/Trace.h"

namespace {

// What every box shows and asks with, set by start-up and the pages: the process's one
// language library, whether boxes are shown, and the window they belong to.
struct MessageContext {
    LanguageLibrary language;
    bool quiet = false;           // /S: no message box is shown, each gets its safe answer
    HWND owner = nullptr;         // the window message boxes belong to; none outside the pages
};

MessageContext& Context() {
    static MessageContext context;
    return context;
}

// LoadStringA into a buffer of `limit` characters; false when the module lacks the string.
bool LoadFromModule(HMODULE module, UINT id, size_t limit, std::string* out) {
    if (!module || limit < 2) return false;
    std::string buffer(limit, '\0');
    int n = LoadStringA(module, id, &buffer[0], static_cast<int>(limit));
    if (n <= 0) return false;
    buffer.resize(static_cast<size_t>(n));
    *out = buffer;
    return true;
}

int DefaultQuietAnswer(UINT style) {
    const UINT buttons = style & MB_TYPEMASK;
    return buttons == MB_YESNO || buttons == MB_YESNOCANCEL ? IDYES : IDOK;
}

// Every box of the program is shown here, so that what the user sees has one way out, and
// the trace of a run tells what the user saw.
int Show(const std::string& text, const std::string& caption, UINT style, int quietAnswer) {
    Trace(("MessageBox::" + text + "\n").c_str());
    if (Context().quiet) {
        Trace(text::Format("MessageBox::Not shown, answered %d.\n", quietAnswer).c_str());
        return quietAnswer;
    }
    return MessageBoxA(Context().owner, text.c_str(), caption.c_str(), style);
}

std::string FormatLimited(const std::string& format, size_t limit, va_list args) {
    return text::Fit(text::FormatV(format.c_str(), args), limit);
}

int ShowFromId(int quietAnswer, UINT id, UINT style, va_list args) {
    const LanguageLibrary& library = Context().language;
    std::string format;
    if (!LoadFromModule(library.module.get(), id, 512, &format) &&
        !LoadFromModule(GetModuleHandleA(nullptr), id, 512, &format)) {
        std::string message = text::Format("Error loading string id %d", static_cast<int>(id));
        Show(message, library.caption, MB_OK, IDOK);
        return IDCANCEL;
    }
    return Show(FormatLimited(format, 1024, args), library.caption, style, quietAnswer);
}

}  // namespace

bool LoadLanguageLibrary(const std::string& path) {
    LanguageLibrary& library = Context().language;
    // A second load replaces the first instead of leaking it.
    FreeLanguageLibrary();
    library.caption.clear();
    library.path.clear();
    // The record keeps 259 characters; loading a cut path would load some other file.
    if (path.empty() || path.size() >= kPathLimit) return false;
    library.path = path;

    library.module.reset(LoadLibraryA(library.path.c_str()));
    if (!library.module) return false;
    return LoadPlainString(library, kStrSetupCaption, kPathLimit, &library.caption);
}

void FreeLanguageLibrary() {
    Context().language.module.reset();
}

bool LoadPlainString(const LanguageLibrary& library, UINT id, size_t limit, std::string* out) {
    return LoadFromModule(library.module.get(), id, limit, out);
}

bool LoadFormattedString(const LanguageLibrary& library, std::string* out, size_t limit, UINT id, ...) {
    std::string format;
    if (!LoadFromModule(library.module.get(), id, 1024, &format)) return false;
    va_list args;
    va_start(args, id);
    *out = FormatLimited(format, limit, args);
    va_end(args);
    return true;
}

const LanguageLibrary& Language() { return Context().language; }

const std::string& SetupCaption() { return Context().language.caption; }

void SetQuietMessages(bool quiet) { Context().quiet = quiet; }

bool QuietMessages() { return Context().quiet; }

void SetMessageOwner(HWND owner) { Context().owner = owner; }

int MessageBoxFromId(UINT id, UINT style, ...) {
    va_list args;
    va_start(args, style);
    int answer = ShowFromId(DefaultQuietAnswer(style), id, style, args);
    va_end(args);
    return answer;
}

int AskFromId(int quietAnswer, UINT id, UINT style, ...) {
    va_list args;
    va_start(args, style);
    int answer = ShowFromId(quietAnswer, id, style, args);
    va_end(args);
    return answer;
}

int ShowFixedMessage(const std::string& message, const std::string& caption, UINT style) {
    return Show(message, caption, style, DefaultQuietAnswer(style));
}

std::string DamagedPackageText(const std::string& name, const std::string& how) {
    return text::Format("The setup package is damaged: its file %s %s.\nCopy the package again from where it came "
                        "from. Installation will terminate.",
                        name.c_str(), how.c_str());
}

bool AskYesNo(const char* destination) {
    const LanguageLibrary& library = Context().language;
    std::string question;
    if (!LoadFormattedString(library, &question, 512, kStrReplaceNewer, destination)) {
        // A library without the question still has to ask something the user can answer.
        question = text::Fit(text::Format("The file %s on this computer is newer than the file being installed.\n"
                                          "Do you want to replace it with the older file?",
                                          destination),
                             512);
    }
    return Show(question, library.caption, MB_YESNO, IDNO) == IDYES;
}
