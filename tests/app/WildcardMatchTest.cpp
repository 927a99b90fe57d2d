#include "AppFixture.h"
#include "app/WildcardMatch.h"

namespace {

class ItsaMatch : public AppFixture {};

} // namespace

TEST_F(ItsaMatch, FollowsTheMatchersOwnRules) {
    struct Row {
        const char* name;
        const char* mask;
        bool matches;
    };
    const Row rows[] = {
        {"nodelist.zip", "*", true},
        {"nodelist.zip", "*.zip", true},
        {"NODELIST.ZIP", "nodelist.*", true},       // case folds
        {"readme", "*.*", false},                   // *.* needs a full stop
        {"aXbXc", "*Xc", false},                    // a star stops at the first X, never backtracks
        {"ab", "ab?", true},                        // ? takes the empty character past the end
        {"abc", "a?c", true},
        {"abc", "ab", false},
        {"ab", "abc", false},
        {"a*b", "a**b", true},                      // two stars match a real star only
        {"axxb", "a**b", false},
        {"", "", true},
        {"", "*", true},
        {"x", "", false},
        {"file.txt", "file.txt*", true},
        {"a.b.zip", "*.zip", false},                // the star stops at the first full stop
        {"a.b.zip", "*.*.zip", true},
        {"a.b.zip", "*.*", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " ~ " + row.mask);
        EXPECT_EQ(AppItsaMatch(app(), rt::String(row.name).get(), rt::String(row.mask).get()), row.matches);
    }
    EXPECT_GE(state()->T_Match, 0);
}

TEST_F(ItsaMatch, AHugeNameEndsTheMatch) {
    // Positions past 32,767 bytes must not wrap and loop for ever.
    std::string name(70000, 'a');
    EXPECT_TRUE(AppItsaMatch(app(), rt::String(name).get(), rt::String("*").get()));
    EXPECT_FALSE(AppItsaMatch(app(), rt::String(name).get(), rt::String("a?").get()));
    EXPECT_TRUE(AppItsaMatch(app(), rt::String(name + "b").get(), rt::String("*b").get()));
}

TEST(WildcardMatch, AMaskWithoutWildcardsFitsExactlyTheNamesOfItsFolding) {
    struct Row {
        const char* mask;
        bool exact;
    };
    const Row rows[] = {{"nodelist.zip", true}, {"NODE*", false}, {"node?.zip", false}, {"", true}};
    const char* names[] = {"nodelist.zip", "NODELIST.ZIP", "NodeList.Zip", "nodelist.zi", "nodelist.zipx", "", "x"};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mask);
        EXPECT_EQ(MatchesOnlyItsOwnFolding(row.mask), row.exact);
        if (!row.exact) continue;
        for (const char* name : names)
            EXPECT_EQ(FitsMask(name, row.mask), MatchFolded(name) == MatchFolded(row.mask)) << name;
    }
    EXPECT_FALSE(MatchesOnlyItsOwnFolding(std::string_view("ab\0", 3)));  // the matcher ends a mask at a NUL
}
