#include "wizard/FolderPages.h"

#include <dbt.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "ResENU.h"
#include "base/Text.h"
#include "engine/Section.h"
#include "engine/TargetFolder.h"
#include "state/Messages.h"
#include "win/Files.h"
#include "wizard/Pages.h"

namespace {

constexpr int kDriveTextLimit = 10;  // a drive root and its terminator, as the combo box gives it
constexpr size_t kBrowseTitleLimit = 128;
const char kOtherProductText[] = "The folder %s holds the installation of %s.\nPlease choose another folder.";
const char kInstalledElsewhereText[] =
    "The program is installed in %s.\nSetup updates it there; to install it in another folder, remove it first.";

// The control's text, kept to limit - 1 characters as the system cuts it.
std::string ControlText(HWND page, int id, int limit) {
    std::vector<char> buffer(static_cast<size_t>(limit), '\0');
    const UINT n = GetDlgItemTextA(page, id, buffer.data(), limit);
    return std::string(buffer.data(), n);
}

// The folder browser opens at the folder typed in the edit box.
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM /*lParam*/, LPARAM data) {
    if (message == BFFM_INITIALIZED) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

void Browse(HWND page) {
    char path[MAX_PATH] = {};
    GetDlgItemTextA(page, IDC_TARGET_DIR, path, MAX_PATH);
    std::string title;
    LoadPlainString(Language(), kStrBrowseTitle, kBrowseTitleLimit, &title);

    BROWSEINFOA info = {};
    info.hwndOwner = page;
    info.pszDisplayName = path;
    info.lpszTitle = title.c_str();
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(path);
    LPITEMIDLIST item = SHBrowseForFolderA(&info);
    if (!item) return;
    // A folder without a file-system path (such as a virtual folder) leaves the text as it was
    // rather than putting the display name in its place.
    const bool hasPath = SHGetPathFromIDListA(item, path) != FALSE;
    CoTaskMemFree(item);
    if (hasPath) SetDlgItemTextA(page, IDC_TARGET_DIR, path);
}

// Next leaves the destination page only with a folder that exists.
bool AcceptDestination(HWND page) {
    const std::string folder = ControlText(page, IDC_TARGET_DIR, static_cast<int>(kPathLimit));
    SetupState& state = RunState();
    std::string other;
    switch (CheckDestination(state.mainProject, folder, &other)) {
    case DestinationCheck::kUsable: break;
    case DestinationCheck::kTooLong: MessageBoxFromId(kStrCreateFolderFailed, MB_OK); return false;
    case DestinationCheck::kInstalledElsewhere:
        ShowFixedMessage(text::Format(kInstalledElsewhereText, other.c_str()), SetupCaption(),
                         MB_OK | MB_ICONWARNING);
        return false;
    case DestinationCheck::kOtherProduct:
        ShowFixedMessage(text::Format(kOtherProductText, folder.c_str(), other.c_str()), SetupCaption(),
                         MB_OK | MB_ICONWARNING);
        return false;
    }
    if (!win::IsDirectory(folder) &&
        MessageBoxFromId(kStrCreateFolderQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    int created = 0;
    if (!CreateFolderPath(folder, &created)) {
        MessageBoxFromId(kStrCreateFolderFailed, MB_OK);
        return false;
    }
    // The levels made here, outermost first, for the installation to record as its own.
    std::vector<std::string> levels;
    std::string level = folder;
    if (!level.empty() && level.back() == '\\') level.pop_back();
    for (int i = 0; i < created && !level.empty(); ++i) {
        levels.insert(levels.begin(), level);
        level = text::ParentFolder(level);
    }
    std::vector<std::string>& made = state.pageCreatedFolders;
    made.insert(made.end(), levels.begin(), levels.end());
    state.chosenInstallFolder = folder;
    return true;
}

bool IsHandheldDrive(const std::string& root) {
    if (GetDriveTypeA(root.c_str()) != DRIVE_REMOVABLE) return false;
    return GetFileAttributesA(text::JoinPath(root, "BlackBerry").c_str()) != INVALID_FILE_ATTRIBUTES &&
           GetFileAttributesA(text::JoinPath(root, "home\\user").c_str()) == INVALID_FILE_ATTRIBUTES;
}

void InitDestination(HWND page) {
    SetupState& state = RunState();
    // A folder that does not fit is not proposed: the user chooses one.
    std::string folder;
    TargetFolder(state.mainProject, state.chosenInstallFolder, kPathLimit, &folder);
    SetDlgItemTextA(page, IDC_TARGET_DIR, folder.c_str());
    std::string installed;
    std::string saying;
    if (InstalledFolder(state.mainProject, &installed) &&
        LoadFormattedString(Language(), &saying, kPathLimit, kStrInstalledHere, state.mainProject.title.c_str()))
        SetDlgItemTextA(page, IDC_DESTINATION_TEXT, saying.c_str());
}

// Back asks nothing and keeps nothing: only a folder checked on Next is chosen.
bool DestinationCommand(HWND page, int id) {
    if (id == IDC_NEXT) {
        if (AcceptDestination(page)) EndDialog(page, id);
        return true;
    }
    if (id != IDC_BROWSE) return false;
    Browse(page);
    return true;
}

void InitDeviceDrive(HWND page) { FillDriveList(GetDlgItem(page, IDC_DEVICE_DRIVE)); }

// Back leaves the previous choice as it was.
bool DeviceDriveCommand(HWND page, int id) {
    if (id != IDC_NEXT) return false;
    RunState().mountedDeviceFolder = ControlText(page, IDC_DEVICE_DRIVE, kDriveTextLimit);
    EndDialog(page, kPageNext);
    return true;
}

}  // namespace

INT_PTR CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    return PageFrameProc(page, message, wParam, {InitDestination, DestinationCommand});
}

INT_PTR CALLBACK DeviceDrivePageProc(HWND page, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    if (message == WM_DEVICECHANGE) {
        // A device was plugged in: its drive may be the handheld.
        if (wParam == DBT_DEVICEARRIVAL) FillDriveList(GetDlgItem(page, IDC_DEVICE_DRIVE));
        return FALSE;
    }
    return PageFrameProc(page, message, wParam, {InitDeviceDrive, DeviceDriveCommand});
}

void FillDriveList(HWND combo) {
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    char roots[kPathLimit] = {};
    const DWORD n = GetLogicalDriveStringsA(sizeof(roots), roots);
    // Too many roots for the buffer leaves it unfilled: the list stays empty.
    const size_t length = n < sizeof(roots) ? n : 0;
    int selected = 0;
    int number = 0;
    // A drive already chosen (/DEVICE, an answer file, the page before) stays chosen.
    const std::string& chosen = RunState().mountedDeviceFolder;
    for (size_t at = 0; at < length && roots[at];) {
        const std::string root(roots + at);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(root.c_str()));
        if (chosen.empty() ? IsHandheldDrive(root) : text::EqualsNoCase(root, chosen)) selected = number;
        at += root.size() + 1;
        ++number;
    }
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}
