#include "wizard/PageList.h"

void PageList::Reset() {
    for (PageKind& kind : kinds_) kind = kPageNone;
    kinds_[0] = kPageWelcome;
    count_ = 1;
    current_ = -1;
}

bool PageList::Append(PageKind kind) { return InsertPageAfter(kind, count_ - 1); }

bool PageList::InsertPageAfter(PageKind kind, int position) {
    if (kind == kPageNone || position < -1 || position >= count_ || count_ >= kSlots - 1) return false;
    for (int slot = count_; slot > position + 1; --slot) kinds_[slot] = kinds_[slot - 1];
    kinds_[position + 1] = kind;
    ++count_;
    if (current_ != -1 && current_ > position) ++current_;
    return true;
}

bool PageList::RemovePageAt(int position) {
    if (position < 0 || position >= count_) return false;
    for (int slot = position; slot < count_; ++slot) kinds_[slot] = kinds_[slot + 1];
    --count_;
    if (current_ != -1 && current_ > position) --current_;
    return true;
}

int PageList::Find(PageKind kind) const {
    for (int slot = 0; slot < count_; ++slot)
        if (kinds_[slot] == kind) return slot;
    return -1;
}

PageKind PageList::At(int slot) const { return slot >= 0 && slot < count_ ? kinds_[slot] : kPageNone; }

PageStep PageList::Step(int result, bool aborted) {
    if (result < 0 || aborted) return PageStep::Stopped;
    switch (result) {
        case kPageCancel:
            return PageStep::Cancelled;
        case kPageNext:
            if (current_ + 1 >= count_) {
                current_ = count_;
                return PageStep::Finished;
            }
            ++current_;
            return PageStep::Show;
        case kPageBack:
            // The first page has no Back button, but a template may still send the command.
            if (current_ > 0) --current_;
            return PageStep::Show;
        default:
            // Any other button that ends a dialog shows the same page again.
            return PageStep::Show;
    }
}

bool NeedsDestination(const Project& project) {
    if (!project.multicomp)
        return project.FileCount(kSectionApplication) > 0 || (!project.palmFiles.empty() && project.copyPalmToPc);
    for (const Component& component : project.components)
        if (component.selected && component.sub && NeedsDestination(*component.sub)) return true;
    return false;
}

bool HasMountedDeviceFiles(const Project& project) {
    if (!project.multicomp) return project.FileCount(kSectionMountedDevice) > 0;
    for (const Component& component : project.components)
        if (component.selected && component.sub && HasMountedDeviceFiles(*component.sub)) return true;
    return false;
}

void PlanPages(const Project& project, bool hasLicenceText, PageList* pages) {
    pages->Reset();
    if (hasLicenceText) pages->Append(kPageLicence);
    if (project.multicomp) pages->Append(kPageComponents);
    if (NeedsDestination(project)) pages->Append(kPageDestination);
    pages->Append(kPageProgress);
}
