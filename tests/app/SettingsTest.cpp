// qarvex.conf lines: what each key takes, and what a line it cannot use leaves.
#include <gtest/gtest.h>

#include "app/Settings.h"

TEST(Settings, EachLineSetsItsValueOrLeavesTheDefaultWithAFinding) {
    struct Row {
        const char* line;
        const char* finding;  // empty when the line is good
        int32_t maxFiles;
        int64_t maxBytes;
        int64_t badPasswords;
        int32_t seconds;
        bool update;
    };
    const Row rows[] = {
        {"", "", 16, kUnlimited, kUnlimited, 60, false},
        {"   ; a note only", "", 16, kUnlimited, kUnlimited, 60, false},
        {"MaxFiles 3", "", 3, kUnlimited, kUnlimited, 60, false},
        {"maxfiles\t0 ; none at all", "", 0, kUnlimited, kUnlimited, 60, false},
        {"MAXBYTES 2000000\r", "", 16, 2000000, kUnlimited, 60, false},
        {"MaxBytes 9223372036854775807", "", 16, INT64_MAX, kUnlimited, 60, false},
        {"MaxBytes 9223372036854775808", "MaxBytes needs a whole number from 0, not '9223372036854775808'", 16,
         kUnlimited, kUnlimited, 60, false},
        {"MaxBytes -1", "MaxBytes needs a whole number from 0, not '-1'", 16, kUnlimited, kUnlimited, 60, false},
        {"MaxBytes 2M", "MaxBytes needs a whole number from 0, not '2M'", 16, kUnlimited, kUnlimited, 60, false},
        {"MaxFiles 2147483648", "MaxFiles needs a whole number from 0, not '2147483648'", 16, kUnlimited,
         kUnlimited, 60, false},
        {"BadPasswords 1", "", 16, kUnlimited, 1, 60, false},
        {"BadPasswords 0", "BadPasswords needs a whole number from 1, not '0'", 16, kUnlimited, kUnlimited, 60,
         false},
        {"SessionSeconds 0", "SessionSeconds needs a whole number from 1, not '0'", 16, kUnlimited, kUnlimited, 60,
         false},
        {"SessionSeconds 300", "", 16, kUnlimited, kUnlimited, 300, false},
        {"UpdateRequests yes", "", 16, kUnlimited, kUnlimited, 60, true},
        {"UpdateRequests maybe", "UpdateRequests takes Yes or No, not 'maybe'", 16, kUnlimited, kUnlimited, 60,
         false},
        {"MaxFiles", "MaxFiles needs a value", 16, kUnlimited, kUnlimited, 60, false},
        {"MaxFiles 3 4", "MaxFiles takes one value", 16, kUnlimited, kUnlimited, 60, false},
        {"MaxFile 3", "unknown setting 'MaxFile'", 16, kUnlimited, kUnlimited, 60, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        Settings settings;
        std::vector<SettingsFinding> findings;
        ReadSettingLine(settings, row.line, 7, findings);
        if (*row.finding) {
            ASSERT_EQ(findings.size(), 1u);
            EXPECT_EQ(findings[0].line, 7);
            EXPECT_EQ(findings[0].text, row.finding);
        } else {
            EXPECT_TRUE(findings.empty());
        }
        EXPECT_EQ(settings.maxFiles, row.maxFiles);
        EXPECT_EQ(settings.maxBytes, row.maxBytes);
        EXPECT_EQ(settings.badPasswords, row.badPasswords);
        EXPECT_EQ(settings.sessionSeconds, row.seconds);
        EXPECT_EQ(settings.updateRequests, row.update);
    }
}

TEST(Settings, LimitLinesNeedAPatternAndTwoCounts) {
    struct Row {
        const char* line;
        const char* finding;  // empty when the line is kept
    };
    const Row rows[] = {
        {"Limit 2:5020/* 10 2000000", ""},
        {"limit *:*/*.* 0 0", ""},
        {"Limit 2:5020 10 2000000",
         "Limit needs an address pattern (zone:net/node[.point], '*' for any number), not '2:5020'"},
        {"Limit 2:5020/* ten 2000000", "Limit needs whole numbers from 0 for its files and bytes"},
        {"Limit 2:5020/* 10", "Limit takes an address pattern, a file count and a byte count"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        Settings settings;
        std::vector<SettingsFinding> findings;
        ReadSettingLine(settings, row.line, 1, findings);
        EXPECT_EQ(settings.limits.size(), *row.finding ? 0u : 1u);
        EXPECT_EQ(findings.empty() ? "" : findings[0].text, row.finding);
    }
}

TEST(Settings, AreaLinesTakeTheirConditionsInAnyOrder) {
    struct Row {
        const char* line;
        const char* finding;  // empty when the line is kept
        bool listed, protectedOnly, newest;
        int32_t depth;
    };
    const Row rows[] = {
        {"Area /srv/files/", "", false, false, false, 0},
        {"area /srv/files newest DEPTH 10 protected Listed", "", true, true, true, 10},
        {"Area /srv/files Depth 11", "Area takes Listed, Protected, Depth 1 to 10 and Newest after its folder, not 'Depth'",
         false, false, false, 0},
        {"Area /srv/files Depth", "Area takes Listed, Protected, Depth 1 to 10 and Newest after its folder, not 'Depth'",
         false, false, false, 0},
        {"Area /srv/files Unlisted", "Area takes Listed, Protected, Depth 1 to 10 and Newest after its folder, not 'Unlisted'",
         false, false, false, 0},
        {"Area", "Area needs a folder", false, false, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        Settings settings;
        std::vector<SettingsFinding> findings;
        ReadSettingLine(settings, row.line, 1, findings);
        EXPECT_EQ(findings.empty() ? "" : findings[0].text, row.finding);
        ASSERT_EQ(settings.areas.size(), *row.finding ? 0u : 1u);
        if (*row.finding) continue;
        const AreaSetting& area = settings.areas[0];
        EXPECT_EQ(area.folder, "/srv/files");
        EXPECT_EQ(area.listedOnly, row.listed);
        EXPECT_EQ(area.protectedOnly, row.protectedOnly);
        EXPECT_EQ(area.newest, row.newest);
        EXPECT_EQ(area.depth, row.depth);
    }
}
