// The page list without windows: which pages a project starts with, how the components page
// changes the list under a running wizard, and where each page result leads.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "wizard/PageList.h"

namespace {

std::vector<PageKind> Kinds(const PageList& pages) {
    std::vector<PageKind> kinds;
    for (int slot = 0; slot < pages.Count(); ++slot) kinds.push_back(pages.At(slot));
    return kinds;
}

void AddFile(Project& project, FileSection section) { project.AddFileEntry(section, "f", 0, 3, kKindPlain, 1, 0); }

Project& AddComponent(Project& project, bool selected) {
    project.multicomp = 1;
    project.AddComponent("c", 5, 1, selected ? 1 : 0, 0, "");
    return *project.components.back().sub;
}

struct PlanCase {
    const char* name;
    std::function<void(Project&)> build;
    bool licence;
    std::vector<PageKind> pages;
    bool mountedFiles;
};

TEST(PageList, ProjectsStartWithThePagesTheyNeed) {
    const std::vector<PlanCase> cases = {
        {"empty", [](Project&) {}, false, {kPageWelcome, kPageProgress}, false},
        {"licence", [](Project&) {}, true, {kPageWelcome, kPageLicence, kPageProgress}, false},
        {"application file", [](Project& p) { AddFile(p, kSectionApplication); }, false,
         {kPageWelcome, kPageDestination, kPageProgress}, false},
        {"system and device files only",
         [](Project& p) {
             AddFile(p, kSectionSystem);
             AddFile(p, kSectionMountedDevice);
         },
         false, {kPageWelcome, kPageProgress}, true},
        {"palm files copied to the desktop", [](Project& p) { p.palmFiles.push_back(PalmFile()); }, false,
         {kPageWelcome, kPageDestination, kPageProgress}, false},
        {"palm files kept off the desktop",
         [](Project& p) {
             p.palmFiles.push_back(PalmFile());
             p.copyPalmToPc = 0;
         },
         false, {kPageWelcome, kPageProgress}, false},
        // With components only the selected components' projects count, not the main one's files.
        {"selected component with files",
         [](Project& p) {
             AddFile(p, kSectionMountedDevice);
             AddComponent(p, false);
             Project& sub = AddComponent(p, true);
             AddFile(sub, kSectionApplication);
             AddFile(sub, kSectionMountedDevice);
         },
         true, {kPageWelcome, kPageLicence, kPageComponents, kPageDestination, kPageProgress}, true},
        {"unselected component with files",
         [](Project& p) {
             AddFile(p, kSectionApplication);
             Project& sub = AddComponent(p, false);
             AddFile(sub, kSectionApplication);
             AddFile(sub, kSectionMountedDevice);
         },
         false, {kPageWelcome, kPageComponents, kPageProgress}, false},
        {"nested component",
         [](Project& p) {
             Project& sub = AddComponent(p, true);
             AddFile(AddComponent(sub, true), kSectionApplication);
         },
         false, {kPageWelcome, kPageComponents, kPageDestination, kPageProgress}, false},
    };
    for (const PlanCase& c : cases) {
        Project project;
        c.build(project);
        PageList pages;
        PlanPages(project, c.licence, &pages);
        EXPECT_EQ(c.pages, Kinds(pages)) << c.name;
        EXPECT_EQ(-1, pages.Current()) << c.name;
        EXPECT_EQ(c.mountedFiles, HasMountedDeviceFiles(project)) << c.name;
    }
}

// The components page (slot 1) drops the destination page and adds the device drive page
// while it is shown; going on must reach exactly the pages now behind it.
TEST(PageList, ChangesUnderARunningWizardKeepTheCurrentPage) {
    PageList pages;
    ASSERT_TRUE(pages.Append(kPageComponents));
    ASSERT_TRUE(pages.Append(kPageDestination));
    ASSERT_TRUE(pages.Append(kPageProgress));
    pages.Start();
    ASSERT_EQ(PageStep::Show, pages.Step(kPageNext, false));
    ASSERT_EQ(kPageComponents, pages.CurrentKind());

    ASSERT_TRUE(pages.RemovePageAt(pages.Find(kPageDestination)));
    ASSERT_TRUE(pages.InsertPageAfter(kPageDeviceDrive, pages.Current()));
    ASSERT_TRUE(pages.InsertPageAfter(kPageDestination, pages.Current()));
    EXPECT_EQ((std::vector<PageKind>{kPageWelcome, kPageComponents, kPageDestination, kPageDeviceDrive, kPageProgress}),
              Kinds(pages));
    EXPECT_EQ(kPageComponents, pages.CurrentKind());

    // A change in front of the current page moves the index with the page.
    ASSERT_TRUE(pages.InsertPageAfter(kPageLicence, 0));
    EXPECT_EQ(kPageComponents, pages.CurrentKind());
    ASSERT_TRUE(pages.RemovePageAt(1));
    EXPECT_EQ(kPageComponents, pages.CurrentKind());

    // Out of range or past the slots: refused, nothing moves.
    const std::vector<PageKind> before = Kinds(pages);
    EXPECT_FALSE(pages.RemovePageAt(-1));
    EXPECT_FALSE(pages.RemovePageAt(pages.Count()));
    EXPECT_FALSE(pages.InsertPageAfter(kPageLicence, pages.Count()));
    EXPECT_FALSE(pages.InsertPageAfter(kPageNone, 0));
    EXPECT_EQ(before, Kinds(pages));
    while (pages.Count() < PageList::kSlots - 1) ASSERT_TRUE(pages.Append(kPageLicence));
    EXPECT_FALSE(pages.Append(kPageLicence));
    EXPECT_EQ(kPageNone, pages.At(pages.Count()));
}

TEST(PageList, PageResultsMoveTheLoop) {
    struct StepCase {
        int index;
        int result;
        bool aborted;
        PageStep step;
        int newIndex;
    };
    // A list of three pages.
    const StepCase cases[] = {
        {0, kPageNext, false, PageStep::Show, 1},      {1, kPageNext, false, PageStep::Show, 2},
        {2, kPageNext, false, PageStep::Finished, 3},  {2, kPageBack, false, PageStep::Show, 1},
        {0, kPageBack, false, PageStep::Show, 0},      {1, kPageCancel, false, PageStep::Cancelled, 1},
        {1, 1, false, PageStep::Show, 1},              {1, -1, false, PageStep::Stopped, 1},
        {2, kPageCancel, true, PageStep::Stopped, 2},  {2, kPageNext, true, PageStep::Stopped, 2},
    };
    for (const StepCase& c : cases) {
        PageList pages;
        pages.Append(kPageLicence);
        pages.Append(kPageProgress);
        pages.Start();
        for (int i = 0; i < c.index; ++i) pages.Step(kPageNext, false);
        EXPECT_EQ(c.step, pages.Step(c.result, c.aborted)) << c.index << " " << c.result;
        EXPECT_EQ(c.newIndex, pages.Current()) << c.index << " " << c.result;
    }
}

}  // namespace
