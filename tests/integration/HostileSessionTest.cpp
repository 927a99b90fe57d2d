// Sessions as a hostile remote, a stranger with an upload folder, a full disk
// or a shutdown would make them: nothing private leaves, nothing raw from
// outside reaches our files, and a failed run says so and leaves no cut packet.
#include <gtest/gtest-spi.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <regex>
#include <set>

#include "QarvexHarness.h"

namespace {

class HostileSession : public QarvexFolder {
protected:
    void SetUp() override {
        QarvexFolder::SetUp();
        fs::create_directories(root() / "out");
        WriteFile(root() / "files" / "a.zip", "archive");
        writeSrif("Sysop Hostile Tester", requests(), responses());
    }

    void writeSrif(const std::string& sysop, const std::string& requestList, const std::string& responseList,
                   const fs::path& at = {}) const {
        WriteFile(at.empty() ? srif() : at, "Sysop " + sysop + "\nAKA 2:5020/1\nRequestList " + requestList +
                                                "\nResponseList " + responseList + "\n");
    }

    RunResult serve(const std::string& okFile, const std::string& requestLines) const {
        WriteFile(bin() / "OkFile.Txt", okFile);
        WriteFile(requests(), requestLines);
        return Run({"SRIF", "2:5020/9999", srif().string()});
    }

    std::vector<std::string> responseLines() const { return Lines(ReadFile(responses())); }
    std::string packet() const { return ReadFile(responseLines().at(0).substr(1)); }

    // A folder of 3000 files and a request list that searches it 255 times
    // after its first request: a session long enough to be cut short.
    std::string manyFiles(const std::string& first = "*") const {
        fs::path many = root() / "many";
        fs::create_directories(many);
        for (int i = 0; i < 3000; ++i) WriteFile(many / ("f" + std::to_string(i) + ".txt"), "x");
        std::string list = first + "\r\n";
        for (int i = 0; i < 255; ++i) list += "*.none\r\n";
        WriteFile(requests(), list);
        return many.string() + "/";
    }

    // Sends `signal` once `marker` shows on the run's standard output.
    RunResult interruptAfter(const Started& started, const std::string& marker, int signal = SIGTERM) const {
        for (int wait = 0; wait < 30000 && ReadFile(started.out).find(marker) == std::string::npos; ++wait)
            usleep(1000);
        kill(started.pid, signal);
        return Finish(started);
    }

    fs::path srif() const { return root() / "in.srif"; }
    std::string requests() const { return (root() / "in.req").string(); }
    std::string responses() const { return (root() / "out" / "out.rsp").string(); }
    std::string files(const std::string& rest = "") const { return (root() / "files").string() + rest; }
};

bool wholePacket(const std::string& bytes) {
    return bytes.size() > 92 && bytes.substr(bytes.size() - 4) == std::string("\r\0\0\0", 4);
}

// No byte below 0x20 but the line feed, nor 0x7F.
bool printable(const std::string& text) {
    for (char c : text)
        if ((uint8_t(c) < 0x20 && c != '\n') || uint8_t(c) == 0x7F) return false;
    return true;
}

} // namespace

TEST_F(HostileSession, TheProgramFolderIsNeverServed) {
    WriteFile(bin() / "secret.txt", "x");
    const std::pair<const char*, std::string> rows[] = {
        {"root separator", "/\n"},
        {"double separator", "//\n"},
        {"bare magic name", "@FILES\n"},
        {"bare password", "!pw\n"},
        {"blanks before a password", "   !pw\n"},
        {"its absolute path", bin().string() + "/\n"},
        {"a path through a dot", bin().string() + "/./*\n"},
    };
    for (const auto& [name, line] : rows) {
        SCOPED_TRACE(name);
        RunResult run = serve(line, "OkFile.Txt !pw\r\nfiles !pw\r\n*.txt !pw\r\n");
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(responseLines().size(), 1u) << ReadFile(responses());
        EXPECT_EQ(packet().find("secret.txt"), std::string::npos);
        RunResult test = Run({"TEST"}, "\n");
        EXPECT_NE(test.out.find(" Names the Program Folder, Never Served\n"), std::string::npos) << test.out;
    }
}

TEST_F(HostileSession, ListedFilesLeaveOnlyUnderTheirOwnNameWhenAMailerCanCarryThem) {
    fs::path pub = root() / "pub";
    WriteFile(pub / "ok.txt", "fine");
    WriteFile(root() / "private" / "target.bin", "seven b");
    fs::create_symlink("../private/target.bin", pub / "alias.txt");
    fs::create_symlink("../private/none.bin", pub / "gone.txt");
    fs::create_symlink("../private", pub / "dir.txt");
    WriteFile(pub / "two words.txt", "x");
    WriteFile(pub / std::string("ctl\x01.txt"), "x");
    WriteFile(pub / "line\n-etc.txt", "x");
    ASSERT_EQ(mkfifo((pub / "pipe.txt").c_str(), 0644), 0);
    WriteFile(pub / "locked.txt", "x");
    fs::permissions(pub / "locked.txt", fs::perms::none);
    // Root opens any file: the run drops to an unprivileged user so the locked file stays locked.
    for (const fs::path& path : {root(), bin(), root() / "out"}) fs::permissions(path, fs::perms::all);
    // The session is cut short after the first request, so that its debug file
    // is kept; the password keeps the long folder out of the first request's grants.
    WriteFile(bin() / "OkFile.Txt", pub.string() + "/*.txt\n!pw " + manyFiles() + "\n");
    Started started = Start({"SRIF", "2:5020/9999", srif().string()}, "", {}, [] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(125);
    });
    RunResult run = interruptAfter(started, "Requested File (*)");
    ASSERT_EQ(run.status, 1) << run.out;
    std::vector<std::string> lines = responseLines();
    std::set<std::string> granted(lines.begin() + 1, lines.end());
    EXPECT_EQ(granted, (std::set<std::string>{"+" + (pub / "ok.txt").string(), "+" + (pub / "alias.txt").string()}));
    std::string report = packet();
    EXPECT_NE(report.find("\r*" + std::string(21, ' ') + "alias.txt" + std::string(13, ' ') + "         7\r"),
              std::string::npos);
    EXPECT_EQ(report.find("target"), std::string::npos);
    std::string trace = ReadFile(bin() / "Debug001.Txt");
    EXPECT_TRUE(printable(trace));
    for (const char* skip : {"Skipped two words.txt: a name the mailer cannot carry",
                             "Skipped ctl\\x01.txt: a name the mailer cannot carry",
                             "Skipped line\\n-etc.txt: a name the mailer cannot carry",
                             "Skipped gone.txt: a link to nothing", "Skipped pipe.txt: not a plain file",
                             "Skipped locked.txt: unreadable, Permission denied"})
        EXPECT_NE(trace.find(skip), std::string::npos) << skip;
}

TEST_F(HostileSession, RemoteControlBytesNeverReachOurFilesRaw) {
    writeSrif(std::string("Evil\x01Sys\0op", 11), requests(), responses());
    std::string longName(300, 'n');
    RunResult run = serve(files("/\n"), "a\x01.zip\r\n" + std::string("NUL\0.zip\r\n", 10) + "\x01TOPT 7\r\n" +
                                            longName + "\r\na.zip\r\n");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(printable(run.out)) << run.out;
    EXPECT_TRUE(printable(ReadFile(bin() / "QARVEX.Log")));
    EXPECT_NE(ReadFile(bin() / "QARVEX.Log").find("FREQ File Request: a\\x01.zip\n"), std::string::npos);
    std::string bytes = packet();
    ASSERT_TRUE(wholePacket(bytes));
    // The to-name is whole with its bytes replaced; no text line starts a kludge.
    EXPECT_EQ(bytes.substr(92, 12), std::string("Evil?Sys?op\0", 12));
    std::string text = bytes.substr(92 + 12);
    EXPECT_EQ(text.find('\x01'), std::string::npos);
    for (const std::string& refused : {std::string("a?.zip"), std::string("NUL?.zip"), std::string("?TOPT")})
        EXPECT_NE(text.find("\r" + (refused + std::string(22, ' ')).substr(0, 22) + "Invalid Characters in Request\r"),
                  std::string::npos)
            << refused;
    EXPECT_NE(text.find("\r" + std::string(22, 'n') + "Request Name Too Long\r"), std::string::npos);
    EXPECT_EQ(responseLines().size(), 2u);  // only a.zip is granted
}

TEST_F(HostileSession, ADotDotNameIsRefusedEvenWithoutASlash) {
    // A name holding ".." is refused for itself, not only as part of a path:
    // "..secret" names a file that is there and would otherwise be granted.
    WriteFile(root() / "files" / "..secret", "hidden");
    RunResult run = serve(files("/\n"), "..\r\n..secret\r\na.zip\r\n");
    ASSERT_EQ(run.status, 0) << run.out;
    std::string text = packet();
    for (const std::string& refused : {std::string(".."), std::string("..secret")})
        EXPECT_NE(text.find("\r" + (refused + std::string(22, ' ')).substr(0, 22) + "Invalid Characters in Request\r"),
                  std::string::npos)
            << refused;
    EXPECT_EQ(responseLines().size(), 2u);  // only a.zip is granted
}

TEST_F(HostileSession, TheResponseListNamesThePacketByItsFullPath) {
    writeSrif("Sysop", requests(), "relative.rsp");
    RunResult run = serve(files("/\n"), "a.zip\r\n");
    ASSERT_EQ(run.status, 0) << run.out;
    std::vector<std::string> lines = Lines(ReadFile(bin() / "relative.rsp"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("-" + bin().string() + "/", 0), 0u) << lines[0];
    EXPECT_TRUE(wholePacket(ReadFile(lines[0].substr(1))));
}

TEST_F(HostileSession, AFailedWriteEndsTheRunAndLeavesNoCutPacket) {
    std::string list;
    for (int i = 0; i < 200; ++i) list += "missing" + std::to_string(i) + std::string(30, 'x') + "\r\n";
    // Past the file size limit a write fails with EFBIG, and SIGXFSZ must not end the process.
    WriteFile(bin() / "OkFile.Txt", files("/\n"));
    WriteFile(requests(), list);
    RunResult run = Run({"SRIF", "2:5020/9999", srif().string()}, "", {}, [] {
        rlimit bound{3000, 3000};
        setrlimit(RLIMIT_FSIZE, &bound);
    });
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(std::regex_search(run.out, std::regex("\n   Unable to write /[^\n]*: File too large\n"))) << run.out;
    EXPECT_FALSE(fs::exists(responses()));
    for (const auto& entry : fs::directory_iterator(root() / "out"))
        EXPECT_NE(entry.path().extension(), ".Pkt") << entry.path();
}

TEST_F(HostileSession, APacketCutAtItsCloseEndsTheRunAndIsTakenBack) {
    // A small packet reaches the disk only as it is closed: with a file size
    // limit between the largest other file and the packet, nothing fails
    // before the close, and the close alone can tell that the packet is cut.
    RunResult whole = serve(files("/\n"), "a.zip\r\n");
    ASSERT_EQ(whole.status, 0) << whole.out;
    auto packetSize = fs::file_size(responseLines().at(0).substr(1));
    auto largestOther = std::max(fs::file_size(responses()), fs::file_size(bin() / "QARVEX.Log"));
    ASSERT_LT(largestOther + 2, packetSize);
    for (const auto& entry : fs::directory_iterator(root() / "out")) fs::remove(entry.path());
    fs::remove(bin() / "QARVEX.Log");
    WriteFile(requests(), "a.zip\r\n");
    rlim_t limit = (largestOther + packetSize) / 2;
    RunResult cut = Run({"SRIF", "2:5020/9999", srif().string()}, "", {}, [limit] {
        rlimit bound{limit, limit};
        setrlimit(RLIMIT_FSIZE, &bound);
    });
    // Standard output is a file under the same limit here: the status says it.
    EXPECT_EQ(cut.status, 1);
    EXPECT_FALSE(fs::exists(responses()));
    for (const auto& entry : fs::directory_iterator(root() / "out"))
        EXPECT_NE(entry.path().extension(), ".Pkt") << entry.path();
}

TEST_F(HostileSession, ASignalEndsTheSessionWithAWholePacketAndStatusOne) {
    WriteFile(bin() / "OkFile.Txt", files("/\n") + manyFiles("a.zip") + "\n");
    std::string list = ReadFile(requests());
    // An interrupt from the terminal ends a session as a shutdown does.
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        WriteFile(requests(), list);
        RunResult run = interruptAfter(
            Start({"SRIF", "2:5020/9999", srif().string()}, "", {}, [] { std::signal(SIGINT, SIG_DFL); }),
            "(a.zip)    Found 1", signal);
        std::string said = "Session Interrupted by Signal " + std::to_string(signal) + "\n";
        EXPECT_EQ(run.status, 1) << run.out;
        EXPECT_NE(run.out.find("   " + said), std::string::npos) << run.out;
        EXPECT_NE(ReadFile(bin() / "QARVEX.Log").find(" FREQ " + said), std::string::npos);
        std::vector<std::string> lines = responseLines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1], "+" + files("/a.zip"));
        EXPECT_TRUE(wholePacket(packet()));
    }
}

TEST_F(HostileSession, ASignalEndsATestOrACheckWithStatusOne) {
    // Every entry searches a folder of 3000 files: a list long enough to be cut short.
    std::string entry = manyFiles() + "*.none\n", list;
    for (int i = 0; i < 200; ++i) list += entry;
    WriteFile(bin() / "OkFile.Txt", list);
    struct Row {
        std::vector<std::string> args;
        const char* marker;
        const char* said;
    };
    const Row rows[] = {
        {{"TEST"}, "Testing OkFile.Txt entries", "   Session Interrupted by Signal 15\n"},
        // A check that did not finish cannot vouch for the list.
        {{"--check"}, ": warning: ", "   Check Interrupted by Signal 15\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args[0]);
        RunResult run = interruptAfter(Start(row.args), row.marker);
        EXPECT_EQ(run.status, 1) << run.out;
        EXPECT_NE(run.out.find(row.said), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("Hit Enter"), std::string::npos) << run.out;
    }
}

TEST_F(HostileSession, ClosedStandardDescriptorsNeverCatchOurFiles) {
    WriteFile(bin() / "OkFile.Txt", files("/\n"));
    WriteFile(requests(), "a.zip\r\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srif().string()}, "", {}, [] {
        for (int descriptor = 0; descriptor <= 2; ++descriptor) close(descriptor);
    });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(ReadFile(bin() / "QARVEX.Log").find(">> "), std::string::npos);
    EXPECT_EQ(responseLines().size(), 2u);
}

TEST_F(HostileSession, DeletingTheRequestListRemovesALinkNotItsTarget) {
    WriteFile(bin() / "OkFile.Txt", files("/\n"));
    WriteFile(root() / "kept.req", "a.zip\r\n");
    fs::create_symlink(root() / "kept.req", requests());
    RunResult run = Run({"SRIF", "2:5020/9999", srif().string()});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_FALSE(fs::is_symlink(requests()));
    EXPECT_EQ(ReadFile(root() / "kept.req"), "a.zip\r\n");
}

TEST_F(HostileSession, TwentySessionsAtOnceShareOneInstallation) {
    WriteFile(bin() / "OkFile.Txt", files("/\n"));
    constexpr int kSessions = 20;
    std::vector<Started> started;
    for (int i = 0; i < kSessions; ++i) {
        std::string n = std::to_string(i);
        fs::path srifFile = root() / ("s" + n + ".srif");
        WriteFile(root() / ("r" + n + ".req"), "a.zip\r\nmissing" + n + ".arj\r\n");
        WriteFile(srifFile, "Sysop Caller " + n + "\nAKA 2:5020/" + std::to_string(100 + i) + "\nRequestList " +
                                (root() / ("r" + n + ".req")).string() + "\nResponseList " +
                                (root() / "out" / ("r" + n + ".rsp")).string() + "\n");
        started.push_back(Start({"SRIF", "2:5020/9999", srifFile.string()}));
    }
    std::set<std::string> packets;
    for (int i = 0; i < kSessions; ++i) {
        SCOPED_TRACE(i);
        RunResult run = Finish(started[size_t(i)]);
        EXPECT_EQ(run.status, 0) << run.out;
        std::vector<std::string> lines = Lines(ReadFile(root() / "out" / ("r" + std::to_string(i) + ".rsp")));
        ASSERT_EQ(lines.size(), 2u);
        packets.insert(lines[0]);
        std::string bytes = ReadFile(lines[0].substr(1));
        EXPECT_TRUE(wholePacket(bytes));
        EXPECT_NE(bytes.find("Caller " + std::to_string(i) + '\0'), std::string::npos);
    }
    EXPECT_EQ(packets.size(), size_t(kSessions));
    std::string log = ReadFile(bin() / "QARVEX.Log");
    std::regex whole("  \\d\\d [A-Z][a-z]{2} \\d\\d:\\d\\d:\\d\\d FREQ (Processing File Request From 2:5020/\\d+|"
                     "File Request: a\\.zip|File Request: missing\\d+\\.arj|Sending .*/a\\.zip|File Not Found|End)|"
                     " |  QARVEX - File Request Processor - .*");
    for (const std::string& line : Lines(log)) EXPECT_TRUE(std::regex_match(line, whole)) << line;
    for (int i = 0; i < kSessions; ++i) {
        EXPECT_NE(log.find("FREQ Processing File Request From 2:5020/" + std::to_string(100 + i) + "\n"),
                  std::string::npos);
        EXPECT_NE(log.find("FREQ File Request: missing" + std::to_string(i) + ".arj\n"), std::string::npos);
    }
    EXPECT_TRUE(DebugFiles().empty());
}

TEST_F(HostileSession, TheHarnessKillsARunThatOutlivesItsTimeout) {
    // TEST mode waits for Enter on a pipe whose writer never closes it.
    WriteFile(bin() / "OkFile.Txt", files("/\n"));
    SetTimeout(std::chrono::seconds(1));
    testing::TestPartResultArray failures;
    RunResult run;
    {
        testing::ScopedFakeTestPartResultReporter catcher(
            testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        run = Run({"TEST"}, "", {}, [] {
            int ends[2];
            if (pipe(ends) != 0 || dup2(ends[0], STDIN_FILENO) < 0) _exit(125);
        });
    }
    ASSERT_EQ(failures.size(), 1);
    EXPECT_NE(std::string(failures.GetTestPartResult(0).message()).find("outlived its timeout"), std::string::npos);
    EXPECT_EQ(run.status, 128 + SIGKILL);
}

// A listed folder the mailer's user cannot read is no empty one: the log
// says why, and the requester learns that the sysop has been told.
TEST_F(HostileSession, AnUnreadableFolderIsToldToTheSysopAndTheRequester) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to run the session as another user";
    fs::create_directories(root() / "locked");
    WriteFile(root() / "locked" / "b.zip", "x");
    fs::permissions(root() / "locked", fs::perms::none);
    for (const fs::path& path : {root(), bin(), root() / "out"}) fs::permissions(path, fs::perms::all);
    WriteFile(bin() / "OkFile.Txt", (root() / "locked").string() + "/\n" + files("/") + "\n");
    WriteFile(requests(), "b.zip\na.zip\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srif().string()}, "", {}, [] {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(125);
    });
    ASSERT_EQ(run.status, 0) << run.out;
    std::string reason = "Unreadable Path in OkFile: " + (root() / "locked").string() + "/: Permission denied";
    EXPECT_NE(run.out.find("   " + reason + "\n"), std::string::npos) << run.out;
    EXPECT_NE(ReadFile(bin() / "QARVEX.Log").find(" FREQ " + reason + "\n"), std::string::npos);
    EXPECT_NE(packet().find("\r\rSome requests could not be served for a fault here; the sysop has been told\r"),
              std::string::npos);
    EXPECT_EQ(responseLines().size(), 2u) << "a.zip is still served";
}
