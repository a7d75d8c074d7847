// The wizard's sequence of pages and the decisions about it that need no window: which pages
// a project gets, how the list changes while the wizard runs, and where a page's result
// leads. Portable: no Windows headers.
#pragma once

#include <cstdint>

#include "ResENU.h"
#include "script/Project.h"

// A page is named by its dialog template in the language library; the template's ID also
// chooses the page's procedure.
enum PageKind : int32_t {
    kPageNone = 0,  // ends the list
    kPageWelcome = IDD_WELCOME,
    kPageLicence = IDD_LICENSE,
    kPageProgress = IDD_PROGRESS,
    kPageComponents = IDD_COMPONENTS,
    kPageDestination = IDD_DESTINATION,
    kPageDeviceDrive = IDD_DEVICE_DRIVE,
};

// The results a page ends its dialog with.
enum PageResult : int {
    kPageCancel = 2,
    kPageNext = 3,
    kPageBack = 4,
};

// Where the page loop goes after a page ended.
enum class PageStep {
    Show,      // show the page at the current index (the next, the previous or the same one)
    Finished,  // the user went past the last page
    Stopped,   // the run stopped: a page could not be shown, or the run was aborted
    Cancelled, // the user confirmed Cancel: the caller sets the abort flag
};

class PageList {
public:
    static constexpr int kSlots = 10;

    PageList() { Reset(); }

    // The welcome page alone, no current page.
    void Reset();

    // Adds a page behind the last one. False (list unchanged) when no slot is left.
    bool Append(PageKind kind);
    // Puts a page into the slot after `position` (-1: in front of everything), moving the
    // pages behind it up by one. The current index follows the page it pointed at. False (list
    // unchanged) when the position is outside the list or the list is full: a zero slot must
    // always follow the last page.
    bool InsertPageAfter(PageKind kind, int position);
    // Takes the page at `position` out, moving the pages behind it down by one. False (list
    // unchanged) when there is no page there.
    bool RemovePageAt(int position);

    // The slot of the first page of that kind, -1 when it is not in the list.
    int Find(PageKind kind) const;
    PageKind At(int slot) const;  // kPageNone outside the list
    int Count() const { return count_; }
    int Current() const { return current_; }
    PageKind CurrentKind() const { return At(current_); }

    // The page loop: Start() puts the index on the first page; Step() moves it by the result
    // of the page that just ended (`aborted`: the run's abort flag after that page).
    void Start() { current_ = 0; }
    PageStep Step(int result, bool aborted);

    // What the page at the current index shows: Back disabled on the first page, the Next
    // button's text on the last page and on the page before it.
    bool CurrentIsFirst() const { return current_ == 0; }
    bool CurrentIsLast() const { return current_ >= 0 && At(current_ + 1) == kPageNone; }
    bool CurrentIsBeforeLast() const { return current_ + 2 == count_; }

private:
    PageKind kinds_[kSlots];
    int count_ = 0;
    int current_ = -1;
};

// Whether the project puts files into a folder the user must choose: files in its
// Application section, or Palm files copied to the desktop; with components, any selected
// component whose project does.
bool NeedsDestination(const Project& project);

// Whether the project (with components: any selected component's project) has files for the
// handheld's mounted storage.
bool HasMountedDeviceFiles(const Project& project);

// The pages a project starts with: welcome, then licence (when its text is not empty),
// components (with Multicomp), destination (when needed), and progress last.
void PlanPages(const Project& project, bool hasLicenceText, PageList* pages);
