// What a stranger with write access to a served or outbound folder, or a
// caller, must never reach: passwords in clear, the files qarvex keeps, other
// users' files through links, files written through a planted link, and a
// disk filled with debug files.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "QarvexHarness.h"

namespace {

class GuardedFiles : public QarvexFolder {
protected:
    void SetUp() override {
        QarvexFolder::SetUp();
        fs::create_directories(root() / "out");
        WriteFile(files() / "a.zip", "archive");
        WriteFile(bin() / "OkFile.Txt", files().string() + "/\n");
        writeSrif(requests(), responses());
    }

    void writeSrif(const fs::path& requestList, const fs::path& responseList) const {
        WriteFile(srif(), "Sysop Guarded Tester\nAKA 2:5020/1\nRequestList " + requestList.string() +
                              "\nResponseList " + responseList.string() + "\n");
    }

    RunResult serve(const std::string& requestLines, const std::function<void()>& inChild = {}) const {
        WriteFile(requests(), requestLines);
        return Run({"SRIF", "2:5020/9999", srif().string()}, "", {}, inChild);
    }

    // The granted paths of the response list, its packet line left out.
    std::set<std::string> granted() const {
        std::set<std::string> paths;
        for (const std::string& line : Lines(ReadFile(responses())))
            if (line.starts_with("+")) paths.insert(line.substr(1));
        return paths;
    }

    fs::path files() const { return root() / "files"; }
    fs::path srif() const { return root() / "in.srif"; }
    fs::path requests() const { return root() / "in.req"; }
    fs::path responses() const { return root() / "out" / "out.rsp"; }
};

unsigned modeOf(const fs::path& path) {
    struct stat info {};
    lstat(path.c_str(), &info);
    return info.st_mode & 07777;
}

bool runAsRoot() { return geteuid() == 0; }

} // namespace

TEST_F(GuardedFiles, PasswordsNeverReachTheLogOrStandardOutput) {
    WriteFile(bin() / "OkFile.Txt", "!Sekrit " + files().string() + "/\n+ !Sekrit\n");
    RunResult run = serve("a.zip !Sekrit\r\n!odd.zip !Sekrit !other\r\n");
    EXPECT_EQ(run.status, 0) << run.out;
    RunResult test = Run({"TEST"}, "\n");
    std::string log = ReadFile(bin() / "QARVEX.Log");
    EXPECT_NE(log.find(" FREQ File Request: a.zip !***\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" FREQ File Request: !odd.zip !*** !***\n"), std::string::npos) << log;
    EXPECT_NE(test.out.find("Path + !*** Not Found\n"), std::string::npos) << test.out;
    for (const std::string& text : {log, run.out, test.out}) EXPECT_EQ(text.find("Sekrit"), std::string::npos) << text;
}

TEST_F(GuardedFiles, LogAndDebugFilesAreForOwnerAndGroupWhateverTheUmask) {
    // A run without a permission list fails and keeps its debug file.
    fs::remove(bin() / "OkFile.Txt");
    RunResult run = serve("a.zip\r\n", [] { umask(0); });
    EXPECT_EQ(run.status, 1) << run.out;
    ASSERT_EQ(DebugFiles(), std::vector<std::string>{"Debug001.Txt"});
    for (const char* name : {"QARVEX.Log", "Debug001.Txt"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(modeOf(bin() / name), 0640u);
    }
}

TEST_F(GuardedFiles, KeptFilesAreNeverServedByAnyNameOrLink) {
    serve("none\r\n");  // makes the log
    WriteFile(bin() / "Debug007.Txt", "an earlier failure");
    const std::pair<const char*, fs::path> kept[] = {
        {"okcopy.txt", bin() / "OkFile.Txt"},
        {"log.txt", bin() / "QARVEX.Log"},
        {"debug.txt", bin() / "Debug007.Txt"},
        {"program.bin", program()},
    };
    for (const auto& [name, target] : kept) {
        fs::create_hard_link(target, files() / (std::string("hard-") + name));
        fs::create_symlink(target, files() / (std::string("soft-") + name));
    }
    RunResult run = serve("*\r\n");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(granted(), std::set<std::string>{(files() / "a.zip").string()});
    RunResult test = Run({"TEST"}, "\n");
    for (const auto& [name, target] : kept)
        for (const char* kind : {"hard-", "soft-"}) {
            std::string line = (files() / (kind + std::string(name))).string() + " Never Served: a file qarvex keeps\n";
            EXPECT_NE(test.out.find(line), std::string::npos) << line << test.out;
        }
    EXPECT_EQ(test.out.find("No Errors"), std::string::npos) << test.out;
    EXPECT_NE(ReadFile(bin() / "QARVEX.Log").find(" FREQ Found 1 Errors\n"), std::string::npos);
}

TEST_F(GuardedFiles, ASessionNamingAKeptFileIsRefusedAndTouchesNothing) {
    std::string okFile = ReadFile(bin() / "OkFile.Txt");
    fs::create_symlink(bin() / "OkFile.Txt", root() / "out" / "link.rsp");
    const std::pair<fs::path, fs::path> rows[] = {
        {requests(), bin() / "OkFile.Txt"},
        {requests(), root() / "out" / "link.rsp"},
        {requests(), bin() / "Debug900.Txt"},  // where a debug file would be made
        {bin() / "OkFile.Txt", responses()},
        {bin() / "QARVEX.Log", responses()},
    };
    for (const auto& [requestList, responseList] : rows) {
        SCOPED_TRACE(requestList.string() + " " + responseList.string());
        writeSrif(requestList, responseList);
        WriteFile(requests(), "a.zip\r\n");
        std::string log = ReadFile(bin() / "QARVEX.Log");
        RunResult run = Run({"SRIF", "2:5020/9999", srif().string()});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.out.find(" Is a File QARVEX Keeps, Session Refused\n"), std::string::npos) << run.out;
        EXPECT_EQ(ReadFile(bin() / "OkFile.Txt"), okFile);
        EXPECT_TRUE(fs::is_symlink(root() / "out" / "link.rsp"));
        EXPECT_FALSE(fs::exists(bin() / "Debug900.Txt"));
        EXPECT_FALSE(fs::exists(responses()));
    }
}

TEST_F(GuardedFiles, ALinkIsServedOnlyToAWorldReadableFileOfItsOwnOwner) {
    if (!runAsRoot()) GTEST_SKIP() << "needs root to give files to another user";
    constexpr uid_t kOther = 65534;
    struct Row {
        const char* name;
        uid_t fileOwner;
        unsigned fileMode;
        uid_t linkOwner;
        bool served;
    };
    const Row rows[] = {
        {"same-owner-public.zip", 0, 0644, 0, true},
        {"same-owner-private.zip", 0, 0600, 0, false},
        {"other-owner-public.zip", kOther, 0644, 0, false},
        {"link-of-other.zip", 0, 0644, kOther, false},
    };
    fs::create_directories(root() / "elsewhere");
    for (const Row& row : rows) {
        fs::path target = root() / "elsewhere" / row.name;
        WriteFile(target, "x");
        ASSERT_EQ(chown(target.c_str(), row.fileOwner, row.fileOwner), 0);
        ASSERT_EQ(chmod(target.c_str(), row.fileMode), 0);
        fs::create_symlink(target, files() / row.name);
        ASSERT_EQ(lchown((files() / row.name).c_str(), row.linkOwner, row.linkOwner), 0);
    }
    RunResult run = serve("*.zip\r\n");
    EXPECT_EQ(run.status, 0) << run.out;
    std::set<std::string> paths = granted();
    RunResult test = Run({"TEST"}, "\n");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string path = (files() / row.name).string();
        EXPECT_EQ(paths.count(path), row.served ? 1u : 0u);
        bool named = test.out.find(path + " Never Served: a link to a file ") != std::string::npos;
        EXPECT_EQ(named, !row.served) << test.out;
    }
}

TEST_F(GuardedFiles, APlantedResponseListIsNeverFollowedNorRemoved) {
    WriteFile(root() / "victim.txt", "keep me");
    fs::create_symlink(root() / "victim.txt", responses());
    RunResult run = serve("a.zip\r\n");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("Unable to create " + responses().string() + ": Too many levels of symbolic links"),
              std::string::npos) << run.out;
    EXPECT_EQ(ReadFile(root() / "victim.txt"), "keep me");
    EXPECT_TRUE(fs::is_symlink(responses()));
    for (const auto& entry : fs::directory_iterator(root() / "out"))
        EXPECT_NE(entry.path().extension(), ".Pkt") << entry.path();
    // Nor is a pipe of that name waited on: the session is refused at once.
    fs::remove(responses());
    ASSERT_EQ(mkfifo(responses().c_str(), 0600), 0);
    EXPECT_EQ(serve("a.zip\r\n").status, 1);
}

TEST_F(GuardedFiles, AFailedSessionEmptiesAResponseListItDidNotCreate) {
    WriteFile(responses(), "a list of the mailer's own\n");
    std::string list;
    for (int i = 0; i < 200; ++i) list += "missing" + std::to_string(i) + std::string(30, 'x') + "\r\n";
    // Past the file size limit the packet's writes fail and the session is taken back.
    RunResult run = serve(list, [] {
        rlimit bound{3000, 3000};
        setrlimit(RLIMIT_FSIZE, &bound);
    });
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_TRUE(fs::is_regular_file(responses()));
    EXPECT_EQ(ReadFile(responses()), "");
}

TEST_F(GuardedFiles, AnEmptyRequestListAsksForNothingAndKeepsNoDebugFile) {
    for (int session = 0; session < 3; ++session) {
        RunResult run = serve("");
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find("Queue'd = 0\n"), std::string::npos) << run.out;
        EXPECT_EQ(Lines(ReadFile(responses())).size(), 1u);
    }
    EXPECT_TRUE(DebugFiles().empty());
}

TEST_F(GuardedFiles, OnlyTheNewestDebugFilesAreKept) {
    // 105 traces of earlier failures, the lower numbers the older.
    for (int number = 1; number <= 105; ++number) {
        char name[32];
        std::snprintf(name, sizeof name, "Debug%03d.Txt", number);
        WriteFile(bin() / name, "old");
        timespec times[2] = {{1000000 + number, 0}, {1000000 + number, 0}};
        utimensat(AT_FDCWD, (bin() / name).c_str(), times, 0);
    }
    fs::remove(bin() / "Debug050.Txt");  // the first free number: this run's trace
    RunResult run = Run({"SRIF", "2:5020/9999", (root() / "missing.srif").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("See Debug050.Txt For more information"), std::string::npos) << run.out;
    std::vector<std::string> kept = DebugFiles();
    EXPECT_EQ(kept.size(), 100u);
    EXPECT_TRUE(std::ranges::binary_search(kept, std::string("Debug050.Txt")));
    for (const char* gone : {"Debug001.Txt", "Debug005.Txt"})
        EXPECT_FALSE(std::ranges::binary_search(kept, std::string(gone))) << gone;
    EXPECT_TRUE(std::ranges::binary_search(kept, std::string("Debug006.Txt")));
}
