#include "wizard/TextPages.h"

#include <richedit.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "ResENU.h"
#include "base/Text.h"
#include "state/Messages.h"
#include "wizard/Pages.h"

namespace {

constexpr size_t kHeadingLimit = 1024;

// The readme in the folder where PreparePages unpacked the Application files; empty
// when the entry is not in the script or its path does not fit (cut, it would name another).
std::string ReadmePath(const SetupState& run) {
    const Project& project = run.mainProject;
    const FileEntry* entry = project.FileAt(project.readme.section, project.readme.fileIndex);
    if (!entry) return std::string();
    const std::string* folder = project.FolderAt(project.readme.section, entry->folder);
    std::string path = run.unpackFolder + (folder ? *folder : std::string());
    if (!path.empty() && path.back() == '\\') path.pop_back();
    path += "\\" + entry->path;
    return path.size() < kPathLimit ? path : std::string();
}

// The script's licence text, opened, and its size in bytes. False when the script names none
// or its data file cannot be opened or measured.
bool OpenLicence(const SetupState& run, win::UniqueFile* file, DWORD* size) {
    const Project& project = run.mainProject;
    if (project.licence.fileIndex < 0) return false;
    const FileEntry* entry = project.FileAt(project.licence.section, project.licence.fileIndex);
    if (!entry) return false;
    file->reset(CreateFileA(run.DataFilePath(entry->dataFile).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, nullptr));
    if (!*file) return false;
    *size = GetFileSize(file->get(), nullptr);
    return *size != INVALID_FILE_SIZE;
}

// Puts a read-only RichEdit 1.0 control with the same ID in the place of a page's control.
HWND ReplaceWithRichEdit(HWND page, int controlId) {
    HWND control = GetDlgItem(page, controlId);
    if (!control) return nullptr;
    const RECT r = RectInParent(control);
    DestroyWindow(control);
    return CreateWindowExA(0, "RICHEDIT", "",
                           WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_READONLY | ES_AUTOVSCROLL | ES_MULTILINE, r.left,
                           r.top, r.right - r.left, r.bottom - r.top, page,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), nullptr, nullptr);
}

// EM_STREAMIN's reader: the cookie is the open licence file.
DWORD CALLBACK ReadLicenceBlock(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read) {
    DWORD n = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(size), &n, nullptr)) {
        *read = 0;
        return static_cast<DWORD>(E_FAIL);
    }
    *read = static_cast<LONG>(n);
    return 0;
}

void InitWelcome(HWND page) {
    const SetupState& state = RunState();
    SetTitledText(page, IDC_PAGE_TITLE, kStrWelcomeHeading, kHeadingLimit);
    const int show = state.mainProject.readme.fileIndex >= 0 ? SW_SHOW : SW_HIDE;
    ShowWindow(GetDlgItem(page, IDC_README_LABEL), show);
    ShowWindow(GetDlgItem(page, IDC_README), show);
}

bool WelcomeCommand(HWND page, int id) {
    if (id != IDC_README) return false;
    // A readme the shell cannot open shows nothing.
    const std::string path = ReadmePath(RunState());
    if (!path.empty()) ShellExecuteA(page, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return true;
}

// The licence text in that control of the page: RTF (a text starting with "{") in a rich-edit
// control put in its place, anything else as the control's text.
void ShowLicenceText(HWND page, int controlId) {
    win::UniqueFile file;
    DWORD size = 0;
    if (!OpenLicence(RunState(), &file, &size)) return;

    // The text is read whole and ends at the last byte read, whatever the file held.
    std::vector<char> content(static_cast<size_t>(size) + 1, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), content.data(), size, &read, nullptr)) return;
    content[read] = '\0';

    if (content[0] == '{') {
        HWND rich = ReplaceWithRichEdit(page, controlId);
        if (!rich) return;
        SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
        EDITSTREAM stream = {};
        stream.dwCookie = reinterpret_cast<DWORD_PTR>(file.get());
        stream.dwError = 0;
        stream.pfnCallback = ReadLicenceBlock;
        SendMessageA(rich, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    } else {
        SetDlgItemTextA(page, controlId, content.data());
    }
}

void InitLicence(HWND page) {
    const bool accepted = RunState().licenceAccepted;
    EnableWindow(GetDlgItem(page, IDC_NEXT), accepted);
    EnableWindow(GetDlgItem(page, IDC_ACCEPT), !accepted);
    SetFocus(GetDlgItem(page, accepted ? IDC_NEXT : IDC_ACCEPT));
    ShowLicenceText(page, IDC_LICENSE_TEXT);
}

bool LicenceCommand(HWND page, int id) {
    if (id == IDC_NEXT) {
        Trace("EULAlDlg::Next...");
        return false;
    }
    if (id != IDC_ACCEPT) return false;
    // Accepted once, accepted for the rest of the run: Back and Next keep it.
    RunState().licenceAccepted = true;
    HWND next = GetDlgItem(page, IDC_NEXT);
    EnableWindow(next, TRUE);
    SetFocus(next);
    EnableWindow(GetDlgItem(page, IDC_ACCEPT), FALSE);
    return true;
}

}  // namespace

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    return PageFrameProc(page, message, wParam, {InitWelcome, WelcomeCommand});
}

INT_PTR CALLBACK LicencePageProc(HWND page, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    return PageFrameProc(page, message, wParam, {InitLicence, LicenceCommand});
}

bool HasLicenceText(const SetupState& run) {
    win::UniqueFile file;
    DWORD size = 0;
    return OpenLicence(run, &file, &size) && size > 0;
}
