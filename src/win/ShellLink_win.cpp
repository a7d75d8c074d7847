#include "win/ShellLink.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "win/UniqueHandle.h"

namespace {

// The shell link's class and interfaces. Defined here rather than taken from libuuid, whose
// member holding them is a table of thousands of IDs.
const CLSID kShellLinkClass = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kShellLinkInterface = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kPersistFileInterface = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

}  // namespace

long WriteShellLink(const std::string& target, const std::string& linkPath) {
    wchar_t widePath[MAX_PATH];
    // Fails, rather than cutting the name, when the path does not fit.
    if (MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath, MAX_PATH) == 0)
        return HRESULT_FROM_WIN32(GetLastError());
    HRESULT result = E_FAIL;
    win::ComPtr<IShellLinkA> link;
    win::ComPtr<IPersistFile> file;
    char icon[256];
    int iconIndex = 0;
    // The icon is set from the saved link, as the shell then knows its target.
    if (FAILED(result = CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, kShellLinkInterface,
                                         link.put_void())) ||
        FAILED(result = link->QueryInterface(kPersistFileInterface, file.put_void())) ||
        FAILED(result = link->SetPath(target.c_str())) || FAILED(result = file->Save(widePath, TRUE)) ||
        FAILED(result = link->SetIconLocation(target.c_str(), 0)) ||
        FAILED(result = link->GetIconLocation(icon, sizeof icon, &iconIndex)))
        return result;
    return file->Save(widePath, TRUE);
}
