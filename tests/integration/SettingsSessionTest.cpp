// Sessions under qarvex.conf: each limit at its edge, and every refusal a
// setting causes said on standard output, in the packet and in the log.
#include <ctime>

#include "QarvexHarness.h"

namespace {

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

class SettingsSession : public QarvexFolder {
protected:
    void SetUp() override {
        QarvexFolder::SetUp();
        files = root() / "files";
        WriteFile(files / "a.txt", "aaa");    // 3 bytes
        WriteFile(files / "b.txt", "bbbb");   // 4 bytes
        WriteFile(files / "c.txt", "cc");     // 2 bytes
        WriteFile(files / "locked" / "p.txt", "p");
        fs::create_directories(root() / "outbound");
        WriteFile(bin() / "OkFile.Txt", files.string() + "/\n!pw " + (files / "locked").string() + "/\n");
    }

    // Serves `requests` (one a line) under the SRIF `srif` (the fixture's by
    // default, "{IN}" and "{OUT}" standing for the mailer's folders).
    RunResult serve(const std::string& requests, std::string srif = "") {
        if (srif.empty()) srif = ReadFile(fs::path(QARVEX_SOURCE_DIR) / "tests/integration/fixtures/binkd.srif");
        srif = replaceAll(srif, "{B_INBOUND}", (root() / "inbound").string());
        srif = replaceAll(srif, "{B_OUTBOUND}", (root() / "outbound").string());
        WriteFile(root() / "inbound" / "request.srif", srif);
        WriteFile(root() / "inbound" / "7f3196e9.req", requests);
        fs::remove(root() / "outbound" / "139c0001.rsp");
        fs::remove(bin() / "QARVEX.Log");
        RunResult run = Run({"SRIF", "2:5020/9999", (root() / "inbound" / "request.srif").string()});
        packet.clear();
        for (const auto& entry : fs::directory_iterator(root() / "outbound"))
            if (entry.path().extension() == ".Pkt") {
                packet = ReadFile(entry.path());
                fs::remove(entry.path());
            }
        return run;
    }

    std::vector<std::string> sent() const {
        std::vector<std::string> names;
        for (const std::string& line : Lines(ReadFile(root() / "outbound" / "139c0001.rsp")))
            if (line[0] == '+') names.push_back(fs::path(line.substr(1)).filename());
        return names;
    }

    fs::path files;
    std::string packet;
};

} // namespace

TEST_F(SettingsSession, EachLimitHoldsExactlyAtItsEdge) {
    struct Row {
        const char* settings;
        const char* requests;
        std::vector<std::string> sent;
        std::vector<const char*> out, packetLines, log;  // each must appear
    };
    const std::string blanks17(17, ' ');
    const Row rows[] = {
        // Exactly at the byte limit: both go.
        {"MaxBytes 7\n", "a.txt\nb.txt\n", {"a.txt", "b.txt"}, {}, {"Files: 2   Bytes: 7\r"}, {}},
        // One past: b.txt is kept back and the next file is still tried.
        {"maxbytes 6 ; per session\n",
         "a.txt\nb.txt\nc.txt\n",
         {"a.txt", "c.txt"},
         {"   Not Sent (b.txt): session byte limit of 6, 3 left\n   Requested File (b.txt) Not Sent\n"},
         {"b.txt                 b.txt                 Over Byte Limit, 3 Bytes Left\r", "Files: 2   Bytes: 5\r"},
         {"b.txt: session byte limit of 6, 3 left"}},
        {"MaxBytes 0\n", "c.txt\n", {}, {}, {"Over Byte Limit, 0 Bytes Left\r"}, {}},
        // The file limit exactly reached, then one past.
        {"MaxFiles 2\n", "a.txt\nb.txt\n", {"a.txt", "b.txt"}, {}, {"Files: 2   Bytes: 7\r"}, {}},
        {"MaxFiles 2\n",
         "a.txt\nb.txt\nc.txt\nnever\n",
         {"a.txt", "b.txt"},
         {"   File Request Limit Exceeded\n   Requests Not Processed: 1 (at most 2 files a session)\n"},
         {"\r1 More Requests Not Processed (at most 2 files a session)\r"},
         {"File Request Limit Exceeded"}},
        // The bad password limit: met by the first bad request, or not yet.
        {"BadPasswords 1\n",
         "p.txt\na.txt\nb.txt\n",
         {},
         {"   Requests Not Processed: 2 (bad password limit of 1 a session reached)\n"},
         {"\r2 More Requests Not Processed (bad password limit of 1 a session reached)\r"},
         {"Requests Not Processed: 2 (bad password limit of 1 a session reached)"}},
        {"BadPasswords 2\n", "p.txt\na.txt\n", {"a.txt"}, {}, {"Bad or Missing Password\r"}, {}},
        // A line it cannot use leaves the default and is logged; the rest holds.
        {"MaxFile 1\nMaxBytes 3\n", "a.txt\nb.txt\n", {"a.txt"}, {}, {"Over Byte Limit, 0 Bytes Left\r"},
         {"Setting Ignored: qarvex.conf:1: unknown setting 'MaxFile'"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.settings + std::string(" / ") + row.requests);
        WriteFile(bin() / "qarvex.conf", row.settings);
        RunResult run = serve(row.requests);
        ASSERT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(sent(), row.sent);
        for (const char* text : row.out) EXPECT_NE(run.out.find(text), std::string::npos) << run.out;
        for (const char* text : row.packetLines) EXPECT_NE(packet.find(text), std::string::npos) << packet;
        std::string log = ReadFile(bin() / "QARVEX.Log");
        for (const char* text : row.log) EXPECT_NE(log.find(text), std::string::npos) << log;
    }
}

// A caller's day: the counts carry from session to session, the first line
// fitting any of its AKAs governs it, and a damaged count file is rebuilt.
TEST_F(SettingsSession, ACallersDayCarriesAcrossSessions) {
    const std::string twoAkas = "AKA 2:5020/1@fidonet\nAKA 1:1/1@fidonet\nRequestList {B_INBOUND}/7f3196e9.req\n"
                                "ResponseList {B_OUTBOUND}/139c0001.rsp\n";
    struct Session {
        const char* requests;
        std::vector<std::string> sent;
        const char* out;  // must appear; empty for none
    };
    struct Row {
        const char* settings;
        std::string srif;  // empty: the fixture's, one AKA 2:5020/1
        const char* countsBefore;
        std::vector<Session> sessions;
        const char* countsAfter;  // the caller's line, day left out
    };
    const Row rows[] = {
        // Two files a day: exactly at it, then one past in the next session.
        {"Limit 2:5020/* 2 100\nLimit *:*/*.* 0 0\n", "", "",
         {{"a.txt\nb.txt\n", {"a.txt", "b.txt"}, ""},
          {"c.txt\nb.txt\n", {}, "   Daily File Limit Reached for 2:5020/1.0: 2 of 2 files taken today\n"
                                 "   Requests Not Processed: 1 (daily limit of 2 files reached)\n"}},
         " 2:5020/1.0 2 7\n"},
        // Seven bytes a day: exactly at it, then the next file kept back and a smaller one tried.
        {"Limit *:*/*.* 10 7\n", "", "",
         {{"a.txt\nb.txt\n", {"a.txt", "b.txt"}, ""},
          {"c.txt\n", {}, "   Not Sent (c.txt): daily byte limit for 2:5020/1.0 of 7, 0 left\n"}},
         " 2:5020/1.0 2 7\n"},
        // The first line fitting either AKA governs: 3:* fits neither, 1:* the second.
        {"Limit 3:*/* 9 9\nLimit 1:*/* 1 100\nLimit 2:*/* 9 9\n", twoAkas, "",
         {{"a.txt\nc.txt\n", {"a.txt"}, "Daily File Limit Reached for 1:1/1.0: 1 of 1 files taken today"}},
         " 1:1/1.0 1 3\n"},
        // A damaged file is rebuilt, keeping the lines it can read.
        {"Limit *:*/*.* 3 100\n", "", "garbage\x01\n{DAY} 2:5020/1.0 2 9\n",
         {{"a.txt\nb.txt\n", {"a.txt"}, "Daily File Limit Reached"}}, " 2:5020/1.0 3 12\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.settings);
        WriteFile(bin() / "qarvex.conf", row.settings);
        fs::remove(bin() / "qarvex.counts");
        if (*row.countsBefore) {
            char day[16];
            time_t now = time(nullptr);
            strftime(day, sizeof day, "%Y-%m-%d", gmtime(&now));
            WriteFile(bin() / "qarvex.counts", replaceAll(row.countsBefore, "{DAY}", day));
        }
        for (const Session& session : row.sessions) {
            SCOPED_TRACE(session.requests);
            RunResult run = serve(session.requests, row.srif);
            ASSERT_EQ(run.status, 0) << run.out;
            EXPECT_EQ(sent(), session.sent);
            EXPECT_NE(run.out.find(session.out), std::string::npos) << run.out;
        }
        std::string counts = ReadFile(bin() / "qarvex.counts");
        EXPECT_NE(counts.find(row.countsAfter), std::string::npos) << counts;
        EXPECT_EQ(Lines(counts).size(), 1u) << counts;
        if (*row.countsBefore) {
            EXPECT_NE(ReadFile(bin() / "QARVEX.Log").find("Caller Counts Damaged, Rebuilt: "), std::string::npos);
        }
    }
}

// Sessions of one caller at once share its day: together they take exactly
// what the line allows, each file counted once.
TEST_F(SettingsSession, SessionsAtOnceNeitherLoseNorDoubleACount) {
    constexpr int kSessions = 4;
    for (int f = 0; f < 6; ++f) WriteFile(files / ("s" + std::to_string(f) + ".txt"), "12345");
    WriteFile(bin() / "qarvex.conf", "Limit 2:5020/1 9 1000\n");
    std::vector<Started> runs;
    for (int i = 0; i < kSessions; ++i) {
        fs::path own = root() / ("s" + std::to_string(i));
        fs::create_directories(own);
        WriteFile(own / "request.srif", "AKA 2:5020/1@fidonet\nRequestList " + (own / "list.req").string() +
                                            "\nResponseList " + (own / "list.rsp").string() + "\n");
        WriteFile(own / "list.req", "s*.txt\n");
        runs.push_back(Start({"SRIF", "2:5020/9999", (own / "request.srif").string()}));
    }
    size_t sent = 0;
    for (int i = 0; i < kSessions; ++i) {
        RunResult run = Finish(runs[size_t(i)]);
        EXPECT_EQ(run.status, 0) << run.out;
        sent += Lines(ReadFile(root() / ("s" + std::to_string(i)) / "list.rsp")).size() - 1;
    }
    EXPECT_EQ(sent, 9u);
    EXPECT_NE(ReadFile(bin() / "qarvex.counts").find(" 2:5020/1.0 9 45\n"), std::string::npos);
}

// Update requests: the file goes only when strictly newer (+) or older (-)
// than the time asked; a time equal to the file's is neither.
TEST_F(SettingsSession, UpdateRequestsCompareTheFilesTimeStrictly) {
    constexpr int64_t kModified = 1000000000;
    fs::last_write_time(files / "a.txt", fs::file_time_type::clock::from_sys(
                                             std::chrono::sys_seconds(std::chrono::seconds(kModified))));
    struct Row {
        const char* settings;
        const char* request;
        bool sent;
        const char* packetLine;  // when not sent
    };
    const Row rows[] = {
        {"UpdateRequests Yes\n", "a.txt +999999999", true, ""},
        {"UpdateRequests Yes\n", "a.txt +1000000000", false, "a.txt                 a.txt                 Not Newer\r"},
        {"UpdateRequests Yes\n", "a.txt -1000000000", false, "a.txt                 a.txt                 Not Older\r"},
        {"UpdateRequests Yes\n", "a.txt -1000000001", true, ""},
        {"UpdateRequests Yes\n", "a.txt +1 !pw +2000000000", false, "Not Newer\r"},
        {"UpdateRequests Yes\n", "a.txt +1e9", true, ""},
        {"UpdateRequests No\n", "a.txt +2000000000", true, ""},
        {"", "a.txt +2000000000", true, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.settings + std::string(row.request));
        WriteFile(bin() / "qarvex.conf", row.settings);
        RunResult run = serve(std::string(row.request) + "\r\n");
        ASSERT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(sent(), row.sent ? std::vector<std::string>{"a.txt"} : std::vector<std::string>{});
        if (row.sent) continue;
        EXPECT_NE(packet.find(row.packetLine), std::string::npos) << packet;
        EXPECT_EQ(packet.find("File Not Found"), std::string::npos) << packet;
        EXPECT_NE(run.out.find("   Requested File (a.txt) Not Sent\n"), std::string::npos) << run.out;
        EXPECT_NE(ReadFile(bin() / "QARVEX.Log").find(": not "), std::string::npos);
    }
}

// Areas: who may have their files, how deep they are searched (never through
// a link), and a magic name that gives only its newest file.
TEST_F(SettingsSession, AreasAdmitTheirCallersAndSearchTheirDepth) {
    fs::path area = files / "area";
    WriteFile(area / "x.zip", "x");
    WriteFile(area / "sub" / "y.zip", "yy");
    WriteFile(area / "sub" / "deep" / "z.zip", "zzz");
    fs::create_directory_symlink(files / "locked", area / "sub" / "link");
    WriteFile(files / "locked" / "l.zip", "l");
    WriteFile(area / "nl1.zip", "old");
    WriteFile(area / "nl2.zip", "new");
    fs::last_write_time(area / "nl1.zip", fs::last_write_time(area / "nl2.zip") - std::chrono::hours(1));
    WriteFile(bin() / "OkFile.Txt", area.string() + "/*.zip\n@LATEST " + area.string() + "/nl*.zip\n");
    const std::string fixture = ReadFile(fs::path(QARVEX_SOURCE_DIR) / "tests/integration/fixtures/binkd.srif");
    const std::string unlisted = replaceAll(fixture, "SystemStatus LISTED", "SystemStatus UNLISTED");
    const std::string unprotected = replaceAll(fixture, "RemoteStatus PROTECTED", "RemoteStatus UNPROTECTED");
    struct Row {
        std::string settings;  // "{A}" the area's folder
        std::string srif;      // empty: the fixture's, listed and protected
        const char* request;
        std::vector<std::string> sent;
        std::string packetLine;  // must appear; "{A}" the area's folder
    };
    const Row rows[] = {
        {"", "", "x.zip", {"x.zip"}, ""},
        {"Area {A}/ Listed Protected\n", "", "x.zip", {"x.zip"}, ""},
        {"Area {A} Listed\n", unlisted, "x.zip", {}, "x.zip                 Listed Nodes Only\r"},
        {"Area {A} Protected\n", unprotected, "x.zip", {}, "x.zip                 Password-Protected Sessions Only\r"},
        {"Area {A} Listed\n", unprotected, "x.zip", {"x.zip"}, ""},
        {"", "", "?.zip", {"x.zip"}, ""},
        {"Area {A} Depth 1\n", "", "?.zip", {"x.zip", "y.zip"}, "?.zip                 {A}/sub/y.zip          2\r"},
        {"Area {A} depth 2\n", "", "?.zip", {"x.zip", "y.zip", "z.zip"}, "{A}/sub/deep/z.zip          3\r"},
        {"Area {A}\n", "", "LATEST", {"nl1.zip", "nl2.zip"}, ""},
        {"Area {A} Newest\n", "", "LATEST", {"nl2.zip"}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.settings + row.request);
        WriteFile(bin() / "qarvex.conf", replaceAll(row.settings, "{A}", area.string()));
        RunResult run = serve(std::string(row.request) + "\r\n", row.srif);
        ASSERT_EQ(run.status, 0) << run.out;
        std::vector<std::string> names = sent();
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, row.sent);
        EXPECT_NE(packet.find(replaceAll(row.packetLine, "{A}", area.string())), std::string::npos) << packet;
        EXPECT_EQ(packet.find("File Not Found"), std::string::npos) << packet;
    }
}

// Descriptions: from files.bbs, or descript.ion when that has none, with
// control bytes replaced in the packet; without the setting, none.
TEST_F(SettingsSession, DescriptionsComeFromTheFoldersList) {
    WriteFile(files / "files.bbs", "A.TXT  Three a's\x01 and a bell\x07\r\nzzz.txt nothing\r\n");
    WriteFile(files / "descript.ion", "b.txt Four b's\n\"c.txt\" Two c's\n");
    struct Row {
        const char* settings;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"Descriptions Yes\n",
         {"a.txt                 a.txt                          3  Three a's? and a bell?\r",
          "b.txt                 b.txt                          4  Four b's\r",
          "c.txt                 c.txt                          2  Two c's\r"}},
        {"", {"a.txt                 a.txt                          3\r", "b.txt                 b.txt                          4\r"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.settings);
        WriteFile(bin() / "qarvex.conf", row.settings);
        RunResult run = serve("a.txt\r\nb.txt\r\nc.txt\r\n");
        ASSERT_EQ(run.status, 0) << run.out;
        for (const std::string& line : row.lines) EXPECT_NE(packet.find(line), std::string::npos) << line << packet;
    }
}

// Settings that are there but cannot be read fail the session: serving
// without the limits the sysop set would be no answer.
TEST_F(SettingsSession, UnreadableSettingsFailTheSession) {
    fs::create_directories(bin() / "qarvex.conf");
    RunResult run = serve("a.txt\r\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("   Unable to open " + (bin() / "qarvex.conf").string() + "/: Is a directory\n"),
              std::string::npos)
        << run.out;
    EXPECT_FALSE(fs::exists(root() / "outbound" / "139c0001.rsp"));
}
