// Output files are never written through a link or into a pipe, files that may
// hold secrets get their mode whatever the umask, and a file is the same file
// under every name that reaches it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "Common/Linux/SafeFiles.h"
#include "support/ScratchFolder.h"

namespace {

class SafeFolder : public testing::Test, protected ScratchFolder {};

unsigned modeOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

} // namespace

TEST_F(SafeFolder, OutputFilesAreEmptiedOrMadeButNeverReachedThroughALinkOrAPipe) {
    writeFile("victim", "keep me");
    writeFile("standing", "old lines");
    ASSERT_EQ(symlink(path("victim").c_str(), path("link").c_str()), 0);
    ASSERT_EQ(symlink(path("nowhere").c_str(), path("dangling").c_str()), 0);
    ASSERT_EQ(mkfifo(path("pipe").c_str(), 0600), 0);
    struct Row {
        const char* name;
        int error;  // 0: opened
        bool created;
    };
    const Row rows[] = {
        {"new", 0, true},
        {"standing", 0, false},
        {"link", ELOOP, false},
        {"dangling", ELOOP, false},
        {"pipe", EINVAL, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        bool created = !row.created;
        errno = 0;
        int descriptor = OpenOutputFile(path(row.name), created);
        EXPECT_EQ(descriptor < 0 ? errno : 0, row.error);
        if (descriptor >= 0) {
            EXPECT_EQ(created, row.created);
            EXPECT_EQ(readFile(row.name), "");
        }
        CloseDescriptor(descriptor);
    }
    EXPECT_EQ(readFile("victim"), "keep me");
    EXPECT_FALSE(std::filesystem::exists(path("nowhere")));
}

TEST_F(SafeFolder, ExclusiveFilesTakeTheirModeAndNeverAnExistingName) {
    ASSERT_EQ(symlink(path("nowhere").c_str(), path("dangling").c_str()), 0);
    mode_t before = umask(0);
    for (mode_t mask : {mode_t(0), mode_t(077)}) {
        SCOPED_TRACE(mask);
        umask(mask);
        std::string secret = path("secret" + std::to_string(mask));
        std::string shared = path("shared" + std::to_string(mask));
        CloseDescriptor(CreateExclusive(secret, CreatedMode::OwnerAndGroup));
        CloseDescriptor(CreateExclusive(shared, CreatedMode::UmaskApplies));
        EXPECT_EQ(modeOf(secret), 0640u);
        EXPECT_EQ(modeOf(shared), 0666u & ~mask);
        errno = 0;
        EXPECT_LT(CreateExclusive(secret, CreatedMode::OwnerAndGroup), 0);
        EXPECT_EQ(errno, EEXIST);
    }
    umask(before);
    EXPECT_LT(CreateExclusive(path("dangling"), CreatedMode::UmaskApplies), 0);
    EXPECT_FALSE(std::filesystem::exists(path("nowhere")));
}

TEST_F(SafeFolder, AFileIsTheSameUnderEveryNameAndALinkTellsItsTrust) {
    writeFile("file", "x");
    ASSERT_EQ(link(path("file").c_str(), path("hard").c_str()), 0);
    ASSERT_EQ(symlink(path("file").c_str(), path("soft").c_str()), 0);
    writeFile("other", "x");
    EXPECT_EQ(IdentityOf(path("hard")), IdentityOf(path("file")));
    EXPECT_EQ(IdentityOf(path("soft")), IdentityOf(path("file")));
    EXPECT_NE(IdentityOf(path("other")), IdentityOf(path("file")));
    EXPECT_EQ(IdentityOf(path("missing")), std::nullopt);

    ASSERT_EQ(chmod(path("file").c_str(), 0640), 0);
    std::optional<LinkTrust> trust = TrustOfLink(path("soft"));
    ASSERT_TRUE(trust);
    EXPECT_TRUE(trust->sameOwner);
    EXPECT_FALSE(trust->othersMayRead);
    ASSERT_EQ(chmod(path("file").c_str(), 0644), 0);
    EXPECT_TRUE(TrustOfLink(path("soft"))->othersMayRead);
    EXPECT_FALSE(TrustOfLink(path("hard")).has_value());  // no link: nothing to trust
}
