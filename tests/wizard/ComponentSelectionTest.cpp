// The group arithmetic of the components page: counts, the Next rule and the two buttons, on
// component lists of every shape.
#include <gtest/gtest.h>

#include <vector>

#include "wizard/ComponentSelection.h"

namespace {

struct Member {
    int32_t group;
    int32_t selected;
};

std::vector<Component> MakeComponents(const std::vector<Member>& members) {
    std::vector<Component> components(members.size());
    for (size_t i = 0; i < members.size(); ++i) {
        components[i].group = members[i].group;
        components[i].selected = members[i].selected;
    }
    return components;
}

struct Case {
    const char* what;
    std::vector<Member> members;
    int32_t minFree;
    int32_t choices, groups, selected, selectedFree;
    bool next, selectAllShown, selectAllEnabled, clearAllEnabled;
};

TEST(ComponentSelection, CountsAndRulesFollowTheGroups) {
    const Case cases[] = {
        {"empty list", {}, 1, 0, 0, 0, 0, true, true, false, false},
        {"free, none chosen, minimum 1", {{0, 0}, {0, 0}}, 1, 2, 0, 0, 0, false, true, true, false},
        {"free, none chosen, minimum 0", {{0, 0}, {0, 0}}, 0, 2, 0, 0, 0, true, true, true, false},
        {"free, one of three, minimum 2", {{0, 1}, {0, 0}, {0, 0}}, 2, 3, 0, 1, 1, false, true, true, true},
        {"free, two of three, minimum 2", {{0, 1}, {0, 0}, {0, 1}}, 2, 3, 0, 2, 2, true, true, true, true},
        {"one group of two, one chosen", {{5, 0}, {5, 1}}, 1, 1, 1, 1, 0, true, false, true, true},
        {"script selects both members of a group", {{5, 1}, {5, 1}}, 1, 1, 1, 2, 0, false, false, false, true},
        // Two selected in group 5 must not make up for none in group 6.
        {"two in one group, none in the other", {{5, 1}, {5, 1}, {6, 0}}, 1, 2, 2, 2, 0, false, false, true, true},
        {"groups of one member each show Select all", {{7, 0}, {9, 1}}, 1, 2, 2, 1, 0, false, true, true, true},
        {"free and grouped, free minimum not met", {{0, 0}, {3, 1}, {3, 0}}, 1, 2, 1, 1, 0, false, false, true, true},
        {"free and grouped, both rules met", {{0, 1}, {3, 1}, {3, 0}}, 1, 2, 1, 2, 1, true, false, true, true},
        {"negative and large group numbers are groups", {{-1, 1}, {-1, 0}, {0x7fffffff, 1}}, 1, 2, 2, 2, 0, true, false,
         true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SelectionCounts counts = CountSelection(MakeComponents(c.members));
        EXPECT_EQ(c.choices, counts.choices);
        EXPECT_EQ(c.groups, counts.groups);
        EXPECT_EQ(c.selected, counts.selected);
        EXPECT_EQ(c.selectedFree, counts.selectedFree);
        EXPECT_EQ(c.next, SelectionAllowsNext(counts, c.minFree));
        EXPECT_EQ(c.selectAllShown, SelectAllShown(counts));
        EXPECT_EQ(c.selectAllEnabled, SelectAllEnabled(counts));
        EXPECT_EQ(c.clearAllEnabled, ClearAllEnabled(counts));
    }
}

TEST(ComponentSelection, ManyGroupsCountWithoutLimit) {
    // Far more distinct groups than a short text of keys could hold.
    std::vector<Member> members;
    for (int32_t g = 1; g <= 2000; ++g) members.push_back({g * 1000003, 1});
    const SelectionCounts counts = CountSelection(MakeComponents(members));
    EXPECT_EQ(2000, counts.groups);
    EXPECT_EQ(2000, counts.choices);
    EXPECT_TRUE(SelectionAllowsNext(counts, 1));
}

}  // namespace
