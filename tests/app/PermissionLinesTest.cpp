#include <gtest/gtest.h>

#include "app/PermissionLines.h"

TEST(PermissionLines, CommentsGoAndWhiteSpaceIsTrimmed) {
    const std::pair<const char*, const char*> rows[] = {
        {"/files/pub/a.txt ;note", "/files/pub/a.txt"},
        {"; only a comment", ""},
        {" \t /files/pub/ \t", "/files/pub/"},
        {"", ""},
        {"a;b;c", "a"},
    };
    for (auto [line, expected] : rows) {
        SCOPED_TRACE(line);
        EXPECT_EQ(StripCommentAndTrim(line).str(), expected);
    }
}

TEST(PermissionLines, RepeatedSpacesGiveEmptyTokens) {
    std::vector<rt::String> tokens = SplitAtSpaces("@FILES  /x");
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[0].str(), "@FILES");
    EXPECT_TRUE(tokens[1].empty());
    EXPECT_EQ(tokens[2].str(), "/x");
}

TEST(PermissionLines, APathIsCutAtItsLastSeparator) {
    struct Row {
        const char* path;
        const char* folder;
        const char* mask;
    };
    const Row rows[] = {
        {"/files/pub/*.zip", "/files/pub", "*.zip"},
        {"/files/pub/", "/files/pub", "*"},
        {"/files/pub//readme.txt", "/files/pub/", "readme.txt"},
        {"nofolder", "nofolder", "*"},
        {"", "", "*"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        FolderAndMask parts = SplitFolderAndMask(row.path, "/");
        EXPECT_EQ(parts.folder.str(), row.folder);
        EXPECT_EQ(parts.mask.str(), row.mask);
    }
}
