#include "wizard/WizardRun.h"

#include "base/RunResult.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "engine/Section.h"
#include "loader/Loader.h"
#include "state/Messages.h"
#include "transaction/JournalFormat.h"
#include "transaction/RunFiles.h"
#include "win/Gdi.h"
#include "wizard/ComponentsPage.h"
#include "wizard/FolderPages.h"
#include "wizard/ProgressPage.h"
#include "wizard/TextPages.h"

namespace {

// The loader probe reads this package's value only to learn whether the loader is there.
const char kLoaderProbeValue[] = "net.rim.i386.memopad";

// The readme is opened from a copy of the Application files, made first. It goes into a new
// folder of the run's own: the package folder may be read-only, or one whose users could
// plant links by the files' names for this elevated program to write through.
bool UnpackApplicationFiles(SetupState& state) {
    const Project& project = state.mainProject;
    const std::string runFolder = RunFilesFolder();
    if (runFolder.empty()) return false;
    const std::string unpack = text::JoinPath(runFolder, RunFilesName(GetCurrentProcessId()));
    if (!CreateDirectoryA(unpack.c_str(), nullptr))
        return Fail("UnpackApplicationFiles", "making the folder", unpack, GetLastError());
    state.unpackFolder = unpack + "\\";
    return UnpackSection(project, state.programFolder, state.unpackFolder, kSectionApplication);
}

DLGPROC PageProcedure(PageKind kind) {
    switch (kind) {
        case kPageWelcome:
            return WelcomePageProc;
        case kPageLicence:
            return LicencePageProc;
        case kPageComponents:
            return ComponentsPageProc;
        case kPageDestination:
            return DestinationPageProc;
        case kPageDeviceDrive:
            return DeviceDrivePageProc;
        case kPageProgress:
            return ProgressPageProc;
        default:
            return nullptr;
    }
}

}  // namespace

bool PreparePages(WizardState* wizard) {
    SetupState& state = wizard->run;
    const Project& project = state.mainProject;
    WizardLook& look = wizard->look;

    {
        win::WindowDc screen(nullptr);
        look.dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
        look.headingFont.reset(MakeFont(-MulDiv(8, look.dpi, 72), FontFace::MsSansSerif));
    }

    std::string ignored;
    const int loader = ReadLoaderPackage(kLoaderProbeValue, &ignored, 128);
    if (loader == kLoaderKeyMissing || loader == kLoaderPackagesMissing) MessageBoxFromId(kStrLoaderMissing, MB_OK);

    if (state.passive) {
        // Nothing to read or choose: the progress page alone, and no readme to open.
        wizard->pages.RemovePageAt(0);
        wizard->pages.Append(kPageProgress);
    } else {
        if (!UnpackApplicationFiles(state)) return false;
        PlanPages(project, HasLicenceText(state), &wizard->pages);
    }

    look.background.reset(LoadBitmapFile(state, project.backgroundImage.dataFile));
    look.backgroundMode = project.backgroundImage.mode;
    look.logo.reset(LoadBitmapFile(state, project.logo.dataFile));
    return true;
}

bool RunPages(HWND owner, WizardState& wizard) {
    SetupState& state = wizard.run;
    const ShownWizard shown(wizard);
    PageList& pages = wizard.pages;
    pages.Start();
    for (;;) {
        const PageKind kind = pages.CurrentKind();
        DLGPROC procedure = PageProcedure(kind);
        if (!procedure) return false;
        const INT_PTR result =
            DialogBoxParamA(Language().module.get(), MAKEINTRESOURCEA(kind), owner, procedure, 0);
        SetMessageOwner(nullptr);
        switch (pages.Step(static_cast<int>(result), state.abort != 0)) {
            case PageStep::Show:
                break;
            case PageStep::Finished:
                return true;
            case PageStep::Stopped:
                return false;
            case PageStep::Cancelled:
                state.abort = 1;
                state.cancelled = true;
                return false;
        }
    }
}
