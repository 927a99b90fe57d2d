// A line of files.bbs or descript.ion read for one file's description.
#include <gtest/gtest.h>

#include "app/Descriptions.h"

TEST(Descriptions, TheLineOfTheNamedFileGivesItsTrimmedDescription) {
    struct Row {
        const char* line;
        const char* name;
        std::optional<std::string> description;
    };
    const std::string longText(200, 'd');
    const Row rows[] = {
        {"NODELIST.ZIP  The nodelist of this week\r", "nodelist.zip", "The nodelist of this week"},
        {"nodelist.zip\tTabbed", "nodelist.zip", "Tabbed"},
        {"nodelist.zip", "nodelist.zip", ""},
        {"nodelist.zipx Other", "nodelist.zip", std::nullopt},
        {"  nodelist.zip indented continuation", "nodelist.zip", std::nullopt},
        {"\"long name.zip\" With blanks", "long name.zip", "With blanks"},
        {"\"long name.zip With no close", "long name.zip", std::nullopt},
        {"", "nodelist.zip", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(DescriptionOnLine(row.line, row.name), row.description);
    }
    EXPECT_EQ(DescriptionOnLine("a.zip " + longText, "a.zip"), longText.substr(0, kDescriptionBytes));
}
