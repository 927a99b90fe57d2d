#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>

#include "Universal/FileIO/file.h"
#include "support/ScratchFolder.h"

TEST(UnixDataFile, PositionLengthAndEndOfFile) {
    UnixDataFile file;
    ASSERT_TRUE(file.OpenTemporary(nullptr));
    EXPECT_TRUE(file.Write("hello", 5));
    EXPECT_EQ(file.Position(), 5);
    EXPECT_EQ(file.Length(), 5);
    EXPECT_TRUE(file.AtEnd());
    ASSERT_TRUE(file.SetPosition(1));
    EXPECT_EQ(file.Length(), 5);  // the position stays where it was
    char two[2];
    EXPECT_EQ(file.Read(two, 2), 2u);
    EXPECT_EQ(std::string(two, 2), "el");
    EXPECT_FALSE(file.AtEnd());
    EXPECT_TRUE(file.SetLength(2));
    EXPECT_EQ(file.Length(), 2);
    EXPECT_FALSE(file.SetPosition(-1));
    EXPECT_EQ(file.LastError(), EINVAL);
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(file.Read(two, 2), 0u);
    EXPECT_EQ(file.Length(), -1);
}

TEST(UnixDataFile, OpenRefusesFoldersAndMissingFilesWithErrno) {
    UnixDataFile file;
    EXPECT_FALSE(file.Open("/tmp", FileAccess::Read));
    EXPECT_EQ(file.LastError(), EISDIR);
    EXPECT_FALSE(file.Open("/tmp/qarvex-no-such-file", FileAccess::ReadWrite));
    EXPECT_EQ(file.LastError(), ENOENT);
    EXPECT_EQ(file.Length(), -1);  // nothing was left open
}

TEST(UnixDataFile, InvalidAccessIsAProgrammingError) {
    UnixDataFile file;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(file.Open("/dev/null", FileAccess(9)));
    std::string report = testing::internal::GetCapturedStdout();
    EXPECT_NE(report.find("Invalid permissions passed in to UnixDataFile::Open"), std::string::npos) << report;
}

TEST(UnixDataFile, NamedTemporaryFileLivesUnderTmp) {
    std::string name = "qarvex-temporary-" + std::to_string(getpid());
    UnixDataFile file;
    ASSERT_TRUE(file.OpenTemporary(name.c_str()));
    EXPECT_EQ(access(("/tmp/" + name).c_str(), F_OK), 0);
    EXPECT_TRUE(file.Close());
    unlink(("/tmp/" + name).c_str());
}

// What another user could plant under a temporary file's name is refused,
// and nothing it leads to is created, emptied or blocked on; the process's own
// plain file is emptied and used.
TEST(UnixDataFile, NamedTemporaryFileRefusesWhatIsPlantedUnderItsName) {
    ScratchFolder scratch;
    scratch.writeFile("victim", "precious");
    const std::string victim = scratch.path("victim");
    const std::string name = "qarvex-temporary-planted-" + std::to_string(getpid());
    const std::string path = "/tmp/" + name;
    const struct {
        const char* what;
        std::function<void()> plant;
        bool opens;
    } rows[] = {
        {"link to a file", [&] { symlink(victim.c_str(), path.c_str()); }, false},
        {"dangling link", [&] { symlink(scratch.path("made").c_str(), path.c_str()); }, false},
        {"fifo", [&] { mkfifo(path.c_str(), 0644); }, false},
        {"second name of a file", [&] { link(victim.c_str(), path.c_str()); }, false},
        {"own file", [&] { WriteFile(path, "old bytes"); }, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        row.plant();
        UnixDataFile file;
        EXPECT_EQ(file.OpenTemporary(name.c_str()), row.opens);
        if (row.opens) EXPECT_EQ(file.Length(), 0);
        EXPECT_EQ(ReadFile(victim), "precious");
        EXPECT_FALSE(std::filesystem::exists(scratch.path("made")));
        std::filesystem::remove(path);
    }
    UnixDataFile file;
    EXPECT_FALSE(file.OpenTemporary("../etc/passwd"));
}

TEST(UnixDataFile, OffsetsPastFourGigabytesKeepTheirTrueValue) {
    // A sparse file: the offsets need more than 32 bits, the disk holds nothing.
    constexpr int64_t kGiB = int64_t(1) << 30;
    UnixDataFile file;
    ASSERT_TRUE(file.OpenTemporary(nullptr));
    const struct {
        const char* what;
        int64_t offset;
    } rows[] = {{"past 2 GiB", 2 * kGiB + 7}, {"past 4 GiB", 4 * kGiB + 3}, {"past 8 GiB", 8 * kGiB + 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(file.SetPosition(row.offset));
        EXPECT_EQ(file.Position(), row.offset);
        ASSERT_TRUE(file.Write("x", 1));
        EXPECT_EQ(file.Position(), row.offset + 1);
        EXPECT_EQ(file.Length(), row.offset + 1);
        ASSERT_TRUE(file.SetPosition(row.offset));
        char back = 0;
        EXPECT_EQ(file.Read(&back, 1), 1u);
        EXPECT_EQ(back, 'x');
        EXPECT_TRUE(file.AtEnd());
    }
    ASSERT_TRUE(file.SetLength(3 * kGiB));
    EXPECT_EQ(file.Length(), 3 * kGiB);
    EXPECT_EQ(file.Position(), 8 * kGiB + 2);  // truncating leaves the position alone
}
