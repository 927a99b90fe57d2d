#include "Common/Linux/FolderNames.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "support/ScratchFolder.h"

namespace {

class FolderNamesTest : public testing::Test, protected ScratchFolder {};

} // namespace

TEST_F(FolderNamesTest, ListsEveryNameOnceAndTellsFoldersFromFiles) {
    std::ofstream(path("plain.zip")) << "x";
    mkdir(path("sub").c_str(), 0755);
    symlink(path("sub").c_str(), path("to-sub").c_str());
    symlink(path("plain.zip").c_str(), path("to-plain").c_str());
    symlink(path("nowhere").c_str(), path("dangling").c_str());

    std::optional<FolderNames> listing = ReadFolderNames(path(""));
    ASSERT_TRUE(listing);
    std::vector<std::pair<std::string, bool>> seen;  // name, folder
    for (const FolderNames::Entry& entry : listing->entries)
        seen.emplace_back(std::string(listing->NameOf(entry)), listing->IsFolder(path(""), entry));
    std::sort(seen.begin(), seen.end());
    const std::vector<std::pair<std::string, bool>> expected = {
        {"dangling", false}, {"plain.zip", false}, {"sub", true}, {"to-plain", false}, {"to-sub", true}};
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(listing->stamp.folder);

    EXPECT_FALSE(ReadFolderNames(path("plain.zip")));  // a file is no folder
    EXPECT_FALSE(ReadFolderNames(path("nowhere")));
}

TEST_F(FolderNamesTest, AStampProvesNothingUnchangedUntilItIsSettled) {
    std::ofstream(path("f")) << "x";
    std::optional<PathStamp> first = StampOf(path("f"));
    ASSERT_TRUE(first);
    EXPECT_FALSE(StampOf(path("f"))->Unchanged(*first));  // just written: a change could carry the same times

    timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path("f").c_str(), past, 0), 0);
    PathStamp old = *StampOf(path("f"));
    old.settled = true;  // as if taken later than the margin after the last change
    EXPECT_TRUE(StampOf(path("f"))->Unchanged(old));
    std::ofstream(path("f"), std::ios::app) << "more";
    EXPECT_FALSE(StampOf(path("f"))->Unchanged(old));
    EXPECT_FALSE(StampOf(path("missing")));
}
