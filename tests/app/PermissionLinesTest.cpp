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

TEST(PermissionLines, RunsOfBlanksAreOneSeparator) {
    const std::pair<const char*, std::vector<std::string>> rows[] = {
        {"@FILES  /x", {"@FILES", "/x"}},
        {"   name   !pw  ", {"name", "!pw"}},
        {"/files/pub/\t\t!secret", {"/files/pub/", "!secret"}},
        {"    ", {}},
        {"", {}},
        {"one", {"one"}},
    };
    for (const auto& [line, expected] : rows) {
        SCOPED_TRACE(line);
        std::vector<std::string> tokens;
        for (const rt::String& token : SplitAtSpaces(line)) tokens.push_back(token.str());
        EXPECT_EQ(tokens, expected);
    }
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

TEST(PermissionLines, AnEntryIsReadAsServingReadsIt) {
    struct Row {
        const char* text;
        std::vector<std::string> pathTokens;
        const char* folder;
        const char* mask;
        const char* password;
        bool lastTokenIsPlus;
    };
    const Row rows[] = {
        {"/files/pub/*.zip !pw", {"/files/pub/*.zip"}, "/files/pub", "*.zip", "!pw", false},
        // The last path token is the one served.
        {"/files/pub/ not /secret/", {"/files/pub/", "not", "/secret/"}, "/secret", "*", "", false},
        {"@FILES !a /l/all.txt !b", {"/l/all.txt"}, "/l", "all.txt", "!b", false},
        {"/files/pub/ +upd", {"/files/pub/"}, "/files/pub", "*", "", true},
        {"$x /files/pub/ +u !p", {"/files/pub/"}, "/files/pub", "*", "!p", false},
        {"@FILES", {}, "", "*", "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        PermissionLine line = ParsePermissionLine(row.text, "/");
        std::vector<std::string> tokens;
        for (const rt::String& token : line.pathTokens) tokens.push_back(token.str());
        EXPECT_EQ(tokens, row.pathTokens);
        EXPECT_EQ(line.folder.str(), row.folder);
        EXPECT_EQ(line.mask.str(), row.mask);
        EXPECT_EQ(line.password.str(), row.password);
        EXPECT_EQ(line.lastTokenIsPlus, row.lastTokenIsPlus);
    }
}
