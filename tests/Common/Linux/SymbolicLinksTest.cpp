// Link targets are read whole at any length, relative targets are taken from
// the link's folder, and a cycle of links ends.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "Common/Linux/SymbolicLinks.h"
#include "support/ScratchFolder.h"

namespace {

class LinkFolder : public testing::Test, protected ScratchFolder {};

} // namespace

TEST_F(LinkFolder, ReadsTargetsWholeAtEveryLength) {
    // Around the buffer's starting size and its doublings, and past the
    // sizes that once cut a target.
    for (size_t length : {1u, 255u, 256u, 257u, 1023u, 1024u, 2047u, 2048u, 4000u}) {
        SCOPED_TRACE(length);
        std::string target(length, 'x');
        for (size_t at = 100; at < length; at += 100) target[at] = '/';
        std::string link = path("link" + std::to_string(length));
        ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
        EXPECT_EQ(ReadLinkTarget(link), target);
    }
    writeFile("plain", "x");
    EXPECT_EQ(ReadLinkTarget(path("plain")), std::nullopt);
    EXPECT_EQ(ReadLinkTarget(path("missing")), std::nullopt);
}

TEST(LinkTargetPath, TakesARelativeTargetFromTheLinksFolder) {
    struct Row {
        const char *link, *target, *expected;
    };
    const Row rows[] = {
        {"/a/b/link", "file", "/a/b/file"},
        {"/a/b/link", "../c/file", "/a/b/../c/file"},
        {"/a/b/link", "/abs/file", "/abs/file"},
        {"link", "file", "file"},  // a link in the working folder
        {"/link", "file", "/file"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.link + std::string(" -> ") + row.target);
        EXPECT_EQ(LinkTargetPath(row.link, row.target), row.expected);
    }
}

TEST_F(LinkFolder, FollowsAChainAndStopsInACycle) {
    writeFile("file", "x");
    ASSERT_EQ(symlink("file", path("one").c_str()), 0);
    ASSERT_EQ(symlink(path("one").c_str(), path("two").c_str()), 0);
    EXPECT_EQ(FollowLinks(path("two")), path("file"));
    EXPECT_EQ(FollowLinks(path("file")), path("file"));

    ASSERT_EQ(symlink("loopB", path("loopA").c_str()), 0);
    ASSERT_EQ(symlink("loopA", path("loopB").c_str()), 0);
    std::string reached = FollowLinks(path("loopA"));
    EXPECT_TRUE(reached == path("loopA") || reached == path("loopB")) << reached;
}
