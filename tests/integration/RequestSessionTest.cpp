// A whole file request session served the way a mailer runs it: the SRIF file
// exactly as binkd writes it, a request list with CR LF line ends, and the
// response list, report packet, log and debug file checked byte for byte.
#include <cstdint>
#include <functional>
#include <iterator>
#include <regex>

#include "QarvexHarness.h"

namespace {

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

uint16_t u16(const std::string& bytes, size_t at) {
    return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8);
}

std::string pad22(const std::string& text) { return (text + std::string(22, ' ')).substr(0, 22); }
std::string right10(size_t value) {
    std::string digits = std::string(10, ' ') + std::to_string(value);
    return digits.substr(digits.size() - 10);
}

class RequestSession : public QarvexFolder {
protected:
    void SetUp() override {
        QarvexFolder::SetUp();
        files = root() / "files";
        WriteFile(files / "pub" / "nodelist.zip", "Demo archive\n");
        WriteFile(files / "private" / "notes.txt", "The sysop notes.\n");
        WriteFile(files / "lists" / "allfiles.txt", "nodelist.zip notes.txt\n");
        fs::create_directories(root() / "outbound");
        std::string srif = ReadFile(fs::path(QARVEX_SOURCE_DIR) / "tests/integration/fixtures/binkd.srif");
        srif = replaceAll(srif, "{B_INBOUND}", (root() / "inbound").string());
        srif = replaceAll(srif, "{B_OUTBOUND}", (root() / "outbound").string());
        WriteFile(srifPath(), srif);
    }

    fs::path srifPath() const { return root() / "inbound" / "request.srif"; }
    fs::path requestList() const { return root() / "inbound" / "7f3196e9.req"; }
    fs::path responseList() const { return root() / "outbound" / "139c0001.rsp"; }

    // "{F}" in the text stands for the file area's folder.
    void writeOkFile(const std::string& text) { WriteFile(bin() / "OkFile.Txt", replaceAll(text, "{F}", files.string())); }

    fs::path packetOf(const RunResult& run) const {
        std::smatch found;
        std::regex reportLine("   Report File    ([^\n]*)\n");
        EXPECT_TRUE(std::regex_search(run.out, found, reportLine)) << run.out;
        return found[1].str();
    }

    fs::path files;
};

// What a run's child sets up to stop every clock at the preload's instant, or
// at `seconds` since 1970 when given, in UTC and the C locale.
std::function<void()> StoppedClock(const char* seconds = nullptr) {
    return [seconds] {
        // The emulator passes the preload on to the emulated program only.
        std::string preload = FIXED_CLOCK_LIBRARY;
        if (std::string(QARVEX_EMULATOR).empty()) setenv("LD_PRELOAD", preload.c_str(), 1);
        else setenv("QEMU_SET_ENV", ("LD_PRELOAD=" + preload).c_str(), 1);
        if (seconds) setenv("FIXED_CLOCK_SECONDS", seconds, 1);
        // AddressSanitizer wants its runtime first; the preload comes before it.
        const char* asan = std::getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
        setenv("TZ", "UTC", 1);
        setenv("LC_ALL", "C", 1);
    };
}

} // namespace

TEST_F(RequestSession, ServesGrantsRefusalsAndMissesAndReportsThemInAPacket) {
    writeOkFile("{F}/pub/\n"
                "; protected notes\n"
                "!secret {F}/private/*.txt    ; a comment after a path\n"
                "\n"
                "@FILES {F}/lists/allfiles.txt\n"
                "{F}/missing/*\n");
    WriteFile(requestList(), "NODELIST.ZIP\r\nnotes.txt !wrong\r\nnotes.txt !SECRET\r\nfiles\r\nmissing.arj\r\n"
                             "\r\n../etc/passwd\r\n");

    RunResult run = Run({"SRIF", "2:5020/9999", srifPath().string()});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    fs::path packet = packetOf(run);
    EXPECT_EQ(packet.parent_path(), root() / "outbound");
    EXPECT_TRUE(std::regex_match(packet.filename().string(), std::regex("[0-9A-F]{1,8}\\.Pkt")));

    std::string badPath = "   Bad Path in OkFile: " + (files / "missing").string() + "/\n";
    std::string expectedStart = ">> Starting File Request Processing (SRIF Mode)\n"
                                "   Request File   " + requestList().string() + "\n"
                                "   Response File  " + responseList().string() + "\n"
                                "   Report File    " + packet.string() + "\n" +
                                badPath + "   Requested File (NODELIST.ZIP)    Found 1\n" +
                                badPath + "   Requested File (notes.txt) Bad or Missing Password\n" +
                                badPath + "   Requested File (notes.txt)    Found 1\n" +
                                badPath + "   Requested File (files)    Found 1\n" +
                                badPath + "   Requested File (missing.arj) Not Found\n"
                                // a blank request says nothing; a refused one only its refusal
                                "   Requested File (../etc/passwd) Refused: Invalid Characters in Request\n";
    EXPECT_EQ(run.out.substr(0, expectedStart.size()), expectedStart);
    EXPECT_TRUE(std::regex_search(run.out, std::regex("\nMatch Timer = [0-9.eE+-]+\nTotal Search Time = [0-9.eE+-]+\n"
                                                      ">> F'Req Processing Complete. Queue'd = 3\n$")))
        << run.out;
    EXPECT_EQ(run.err, "");

    EXPECT_EQ(ReadFile(responseList()), "-" + packet.string() + "\n+" + (files / "pub/nodelist.zip").string() +
                                            "\n+" + (files / "private/notes.txt").string() + "\n+" +
                                            (files / "lists/allfiles.txt").string() + "\n");

    std::string bytes = ReadFile(packet);
    ASSERT_GT(bytes.size(), 92u);
    const std::pair<size_t, uint16_t> header[] = {
        {0, 9999}, {2, 1},      {18, 2},   {20, 5020}, {22, 5020}, {34, 2}, {36, 2},
        {40, 0x0100}, {44, 1}, {46, 2},   {48, 2},    {50, 0},    {52, 0}, {16, 0},
    };
    for (auto [offset, value] : header) {
        SCOPED_TRACE(offset);
        EXPECT_EQ(u16(bytes, offset), value);
    }
    EXPECT_EQ(bytes.substr(26, 8), std::string(8, '\0'));
    EXPECT_LT(u16(bytes, 6), 12);   // month counts from 0
    EXPECT_GE(u16(bytes, 4), 2000); // the full year
    EXPECT_EQ(u16(bytes, 58), 2);   // message type
    EXPECT_EQ(u16(bytes, 60), 9999);
    EXPECT_EQ(u16(bytes, 62), 1);
    EXPECT_EQ(u16(bytes, 64), 5020);
    EXPECT_EQ(u16(bytes, 66), 5020);
    EXPECT_TRUE(std::regex_match(bytes.substr(72, 19), std::regex("[0-9]{2} (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|"
                                                                  "Nov|Dec) [0-9]{2}  [0-9]{2}:[0-9]{2}:[0-9]{2}")))
        << bytes.substr(72, 19);
    EXPECT_EQ(bytes[91], '\0');

    std::string cr = "\r";
    std::string expectedText =
        std::string("Test Requester") + '\0' + "FileRequest Robot" + '\0' + "File Request Report From 2:5020/9999" +
        '\0' + "File Request Report " + cr + cr + "Request               File Sent                   Size" + cr +
        "------------          ------------          ----------" + cr +
        pad22("NODELIST.ZIP") + pad22("nodelist.zip") + right10(13) + cr +
        "notes.txt" + std::string(17, ' ') + "Bad or Missing Password" + cr +
        pad22("notes.txt") + pad22("notes.txt") + right10(17) + cr +
        pad22("files") + pad22("allfiles.txt") + right10(23) + cr +
        pad22("missing.arj") + "File Not Found" + cr +
        pad22("../etc/passwd") + "Invalid Characters in Request" + cr +
        cr + "Totals for this session" + cr + "Files: 3   Bytes: 53" + cr +
        cr + "Request 'FILES' for a complete list of the files available here" + cr + std::string(3, '\0');
    EXPECT_EQ(bytes.substr(92), expectedText);

    EXPECT_FALSE(fs::exists(requestList())) << "the request list is deleted after the session";
    EXPECT_TRUE(DebugFiles().empty()) << "a run that ends well leaves no debug file";

    std::vector<std::string> log = Lines(ReadFile(bin() / "QARVEX.Log"));
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0].rfind("  QARVEX - File Request Processor - ", 0), 0u);
    EXPECT_EQ(log[1], " ");
    std::regex stamp("  [0-9]{2} (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{2}:[0-9]{2}:[0-9]{2} FREQ (.*)");
    std::vector<std::string> events;
    for (size_t i = 2; i < log.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(log[i], m, stamp)) << log[i];
        events.push_back(m[2]);
    }
    std::string bad = "Bad Path in OkFile: " + (files / "missing").string() + "/";
    std::vector<std::string> expectedEvents = {
        "Processing File Request From 2:5020/1@fidonet",
        "File Request: NODELIST.ZIP", "Sending " + (files / "pub/nodelist.zip").string(), bad,
        "File Request: notes.txt !***", bad, "Bad or Missing Password",
        "File Request: notes.txt !***", "Sending " + (files / "private/notes.txt").string(), bad,
        "File Request: files", "Sending " + (files / "lists/allfiles.txt").string(), bad,
        "File Request: missing.arj", bad, "File Not Found",
        "File Request: ../etc/passwd", "Refused ../etc/passwd: Invalid Characters in Request",
        "End",
    };
    EXPECT_EQ(events, expectedEvents);
}

TEST_F(RequestSession, StopsAtSixteenFilesAndStillEndsWell) {
    for (int i = 0; i < 20; ++i) WriteFile(files / "many" / ("f" + std::to_string(i) + ".txt"), "x");
    writeOkFile("{F}/many/*.txt\n");
    WriteFile(requestList(), "*.txt\r\nnever.read\r\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srifPath().string()});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("   File Request Limit Exceeded\n   Requests Not Processed: 1 (at most 16 files a "
                           "session)\nMatch Timer = "),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\nTotal Search Time = 0\n"), std::string::npos) << run.out;
    EXPECT_EQ(Lines(ReadFile(responseList())).size(), 17u);
    std::string bytes = ReadFile(packetOf(run));
    EXPECT_NE(bytes.find("*.txt" + std::string(17, ' ') + "File Request Limit Exceeded\r"), std::string::npos);
    EXPECT_NE(bytes.find("Files: 16   Bytes: 16\r"), std::string::npos);
    EXPECT_EQ(bytes.find("never.read"), std::string::npos);
    EXPECT_NE(bytes.find("\r1 More Requests Not Processed (at most 16 files a session)\r"), std::string::npos);
}

TEST_F(RequestSession, AMissingPermissionListStillLeavesAWholePacket) {
    WriteFile(requestList(), "anything\r\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srifPath().string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("   OkFile.Txt Not Found\n   Unable to open " + (bin() / "OkFile.Txt").string() +
                           ": No such file or directory\n>> Error Exit.  See Debug001.Txt For more information\n"),
              std::string::npos)
        << run.out;
    std::string bytes = ReadFile(packetOf(run));
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\r\0\0\0", 4));
    EXPECT_EQ(bytes.find("Totals"), std::string::npos);
    EXPECT_EQ(DebugFiles(), std::vector<std::string>{"Debug001.Txt"});
    EXPECT_NE(ReadFile(bin() / "Debug001.Txt").find("\nOkFile.Txt Not Found\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(requestList()));
}

TEST_F(RequestSession, TakesTheNextPacketNumberWhenTheNameIsTaken) {
    writeOkFile("{F}/pub/\n");
    WriteFile(requestList(), "nodelist.zip\r\n");
    // Another session's packets for every name this one could pick now.
    RunResult probe = Run({"SRIF", "2:5020/9999", srifPath().string()});
    fs::path first = packetOf(probe);
    uint32_t number = uint32_t(std::stoul(first.stem().string(), nullptr, 16));
    fs::remove(first);
    char name[16];
    for (uint32_t n = number; n < number + 120; ++n) {
        std::snprintf(name, sizeof name, "%X.Pkt", n);
        WriteFile(root() / "outbound" / name, "taken");
    }
    WriteFile(requestList(), "nodelist.zip\r\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srifPath().string()});
    ASSERT_EQ(run.status, 0) << run.out;
    fs::path packet = packetOf(run);
    EXPECT_EQ(std::stoul(packet.stem().string(), nullptr, 16), number + 120);
    for (uint32_t n = number; n < number + 120; ++n) {
        std::snprintf(name, sizeof name, "%X.Pkt", n);
        ASSERT_EQ(ReadFile(root() / "outbound" / name), "taken");
    }
    EXPECT_EQ(ReadFile(responseList()).rfind("-" + packet.string() + "\n", 0), 0u);
}

TEST_F(RequestSession, ErrorExitsEndWithStatusOneAndKeepTheirDebugFile) {
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string output;
    };
    std::string missing = (root() / "nowhere.srif").string();
    const Row rows[] = {
        {"unknown mode", {"POLL"}, ">> Starting File Request Processing (POLL Mode)\n   Bad startup mode: POLL\n"},
        {"SRIF file not found", {"SRIF", "2:5020/9999", missing},
         ">> Starting File Request Processing (SRIF Mode)\n   " + missing + " Not Found\n   Unable to open " +
             missing + ": No such file or directory\n"},
        {"bad own address", {"srif", "5020/9999", srifPath().string()},
         ">> Starting File Request Processing (srif Mode)\n   Bad Fido Address 5020/9999\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RunResult run = Run(row.args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, row.output + ">> Error Exit.  See " + DebugFiles().back() +
                               " For more information\n");
    }
    EXPECT_EQ(DebugFiles(), (std::vector<std::string>{"Debug001.Txt", "Debug002.Txt", "Debug003.Txt"}));
}

TEST_F(RequestSession, TooFewArgumentsReturnOneAndDeleteNothing) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"SRIF", "2:5020/9999"}}) {
        RunResult run = Run(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.out.find("   Not enough command line arguments supplied\n"), std::string::npos);
    }
    EXPECT_EQ(DebugFiles().size(), 2u);
    std::string trace = ReadFile(bin() / "Debug002.Txt");
    EXPECT_TRUE(std::regex_search(trace, std::regex("^Start QARVEX [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8}\nArg 0 = " +
                                                    program().string() + "\nArg 1 = SRIF\nArg 2 = 2:5020/9999\nArg 3 = \n")))
        << trace;
}

TEST_F(RequestSession, ReportsTheTrueTotalOfASessionPastTwoGigabytes) {
    // Sparse files: 3 GiB in all without the disk space.
    for (const char* name : {"big1.iso", "big2.iso"}) {
        WriteFile(files / "big" / name, "");
        fs::resize_file(files / "big" / name, uint64_t(3) << 29);
    }
    writeOkFile("{F}/big/\n");
    WriteFile(requestList(), "*.iso\r\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srifPath().string()});
    ASSERT_EQ(run.status, 0) << run.out;
    std::string bytes = ReadFile(packetOf(run));
    EXPECT_NE(bytes.find("Files: 2   Bytes: 3221225472\r"), std::string::npos);
    EXPECT_NE(bytes.find(pad22("*.iso") + pad22("big1.iso") + "1610612736\r"), std::string::npos);
}

TEST_F(RequestSession, CutsLongNamesAndSubjectSoTossersAcceptTheReport) {
    std::string longName(50, 'N');
    std::string longAddress = "2:5020/9999@" + std::string(60, 'd');
    std::string srif = ReadFile(srifPath());
    WriteFile(srifPath(), replaceAll(srif, "Sysop Test Requester", "Sysop " + longName));
    writeOkFile("{F}/pub/\n");
    WriteFile(requestList(), "nodelist.zip\r\n");
    RunResult run = Run({"SRIF", longAddress, srifPath().string()});
    ASSERT_EQ(run.status, 0) << run.out;
    std::string bytes = ReadFile(packetOf(run));
    std::string subject = ("File Request Report From " + longAddress).substr(0, 71);
    EXPECT_EQ(bytes.substr(92, 36 + 18 + 72),
              std::string(35, 'N') + '\0' + "FileRequest Robot" + '\0' + subject + '\0');
}

TEST_F(RequestSession, PermissionLineRules) {
    WriteFile(files / "plus" / "p.txt", "plus");
    WriteFile(bin() / "local.txt", "beside the program");
    writeOkFile("{F}/pub/*.zip\n"
                "{F}/pub/*.zip\n"                 // the same line twice still grants once
                "{F}/plus/ +upd\n"                // a last token starting with + grants nothing
                "{F}/nothere/  @LOCAL\n"          // two blanks are one separator
                "@FILES {F}/lists/allfiles.txt\n"); // the hint, though nobody asks for FILES
    WriteFile(requestList(), "nodelist.zip\r\np.txt\r\nlocal\r\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srifPath().string()});
    ASSERT_EQ(run.status, 0) << run.out;
    std::string response = ReadFile(responseList());
    std::string once = "+" + (files / "pub/nodelist.zip").string() + "\n";
    EXPECT_EQ(response, "-" + packetOf(run).string() + "\n" + once) << response;
    EXPECT_NE(run.out.find("   Requested File (nodelist.zip)    Found 1\n"), std::string::npos) << run.out;
    // Blanks in a row are one separator: the line lists its folder, which does
    // not exist; and nothing of the program's own folder is ever served.
    EXPECT_NE(run.out.find("   Bad Path in OkFile: " + (files / "nothere").string() + "/\n"), std::string::npos);
    for (const char* name : {"local.txt", "OkFile.Txt", "qarvex"})
        EXPECT_EQ(response.find((bin() / name).string()), std::string::npos) << name;
    EXPECT_NE(run.out.find("   Requested File (p.txt) Not Found\n"), std::string::npos);
    std::string bytes = ReadFile(packetOf(run));
    EXPECT_NE(bytes.find("\rRequest 'FILES' for a complete list of the files available here\r"), std::string::npos);
}

TEST_F(RequestSession, ARequestListNamedTestReqIsKeptOnlyWithoutAFolder) {
    writeOkFile("{F}/pub/\n");
    const std::pair<std::string, fs::path> rows[] = {
        {"Test.Req", bin() / "Test.Req"},  // a bare name lies in the program folder
        {"tEST.rEQ", bin() / "tEST.rEQ"},  // in any letter case
        {(root() / "inbound" / "TEST.REQ").string(), root() / "inbound" / "TEST.REQ"},
    };
    for (const auto& [name, onDisk] : rows) {
        SCOPED_TRACE(name);
        bool bare = name.find('/') == std::string::npos;
        WriteFile(onDisk, "nodelist.zip\r\n");
        std::string srif = ReadFile(srifPath());
        std::string changed = replaceAll(srif, requestList().string(), name);
        WriteFile(srifPath(), changed);
        RunResult run = Run({"SRIF", "2:5020/9999", srifPath().string()});
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(fs::exists(onDisk), bare);
        WriteFile(srifPath(), srif);
    }
}

TEST_F(RequestSession, AMissingRequestListIsAnErrorExitWithAWholePacket) {
    writeOkFile("{F}/pub/\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srifPath().string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("   " + requestList().string() + " Not Found\n   Unable to open " +
                           requestList().string() + ": No such file or directory\n>> Error Exit.  See Debug001.Txt"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(ReadFile(responseList()), "-" + packetOf(run).string() + "\n");
    std::string bytes = ReadFile(packetOf(run));
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\r\0\0\0", 4));
    EXPECT_NE(ReadFile(bin() / "Debug001.Txt").find("\n" + requestList().string() + " Not Found\n"),
              std::string::npos);
}

TEST_F(RequestSession, SrifKeywordRules) {
    writeOkFile("{F}/pub/\n");
    WriteFile(requestList(), "nodelist.zip\r\n");
    WriteFile(srifPath(), "sysop   First Name   \n"
                          " Sysop Indented Ignored\n"
                          "Sysop\tTabbed Ignored\n"
                          "MyAKA 9:9/9\n"
                          "AKA 1:1/1@one\n"
                          "AKA 2:5020/1@fidonet\n"
                          "REQUESTLIST    " + requestList().string() + "   \n"
                          "ResponseList " + responseList().string() + "\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srifPath().string()});
    ASSERT_EQ(run.status, 0) << run.out;
    std::string bytes = ReadFile(packetOf(run));
    EXPECT_EQ(bytes.substr(92, 11), std::string("First Name") + '\0');
    EXPECT_EQ(u16(bytes, 2), 1);     // the last AKA wins: node 1 of 2:5020
    EXPECT_EQ(u16(bytes, 22), 5020);
    std::string log = ReadFile(bin() / "QARVEX.Log");
    EXPECT_NE(log.find(" FREQ Processing File Request From 2:5020/1@fidonet\n"), std::string::npos);
}

TEST_F(RequestSession, AnEmptySrifIsReportedLikeAMissingOne) {
    WriteFile(srifPath(), "");
    RunResult run = Run({"SRIF", "2:5020/9999", srifPath().string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("   " + srifPath().string() + " Not Found\n"), std::string::npos);
    EXPECT_NE(ReadFile(bin() / "Debug001.Txt").find("\nSRIF File not found\n"), std::string::npos);
}

TEST_F(RequestSession, ASuccessfulRunTakesTheFirstFreeDebugNumberAndDeletesIt) {
    writeOkFile("{F}/pub/\n");
    WriteFile(bin() / "Debug001.Txt", "an earlier failure");
    WriteFile(requestList(), "nodelist.zip\r\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srifPath().string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(DebugFiles(), std::vector<std::string>{"Debug001.Txt"});
    EXPECT_EQ(ReadFile(bin() / "Debug001.Txt"), "an earlier failure");
}

// With every clock stopped at one instant (tests/support/FixedClock.cpp,
// preloaded), a session's output is the same bytes on every run: a change
// to any of them shows here. QARVEX_WRITE_GOLDEN=1 writes the files anew
// instead, for a change of output that is meant.
TEST_F(RequestSession, WritesTheSameBytesOnAFixedClock) {
    writeOkFile("{F}/pub/\n"
                "; protected notes\n"
                "!secret {F}/private/*.txt    ; a comment after a path\n"
                "@FILES {F}/lists/allfiles.txt\n"
                "{F}/missing/*\n");
    WriteFile(requestList(), "NODELIST.ZIP\r\nnode*.z?p\r\nnotes.txt !wrong\r\nnote?.txt !SECRET\r\nfiles\r\n"
                             "missing.arj\r\n../etc/passwd\r\n\r\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srifPath().string()}, "", {}, StoppedClock());
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.err, "");

    const std::pair<const char*, std::string> outputs[] = {
        {"stdout.txt", run.out},
        {"response.rsp", ReadFile(responseList())},
        {"report.pkt", ReadFile(packetOf(run))},
        {"QARVEX.Log", ReadFile(bin() / "QARVEX.Log")},
        {"Debug001.Txt", ReadFile(bin() / "Debug001.Txt.kept")},
    };
    fs::path golden = fs::path(QARVEX_SOURCE_DIR) / "tests/integration/golden";
    bool write = std::getenv("QARVEX_WRITE_GOLDEN") != nullptr;
    for (const auto& [name, output] : outputs) {
        SCOPED_TRACE(name);
        // The scratch folder's name changes from run to run, its length does not.
        std::string bytes = replaceAll(output, root().string(), "{ROOT}");
        if (write) WriteFile(golden / name, bytes);
        EXPECT_EQ(bytes, ReadFile(golden / name));
    }
}

// Past 19 January 2038, beyond any 32-bit clock, the packet's name and date,
// the report's date and the log's stamps still tell the time: Sat 2 Jun 2040
// 03:57:02 UTC, 2222222222 seconds since 1970. The packet's name is the low
// 32 bits of the seconds since 1904: 4305067022 - 2^32 = 0x9A1C0E.
TEST_F(RequestSession, TellsTheTimeAfter2038) {
    writeOkFile("{F}/pub/\n");
    WriteFile(requestList(), "nodelist.zip\r\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srifPath().string()}, "", {}, StoppedClock("2222222222"));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    fs::path packet = packetOf(run);
    EXPECT_EQ(packet.filename(), "9A1C0E.Pkt");
    std::string bytes = ReadFile(packet);
    ASSERT_GE(bytes.size(), 16u);
    const uint16_t headerDate[] = {2040, 5, 2, 3, 57, 2};  // year, month from 0, day, hour, minute, second
    for (size_t i = 0; i < std::size(headerDate); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(uint8_t(bytes[4 + 2 * i]) | uint8_t(bytes[5 + 2 * i]) << 8, headerDate[i]);
    }
    EXPECT_NE(bytes.find("02 Jun 40  03:57:02"), std::string::npos);
    EXPECT_NE(ReadFile(bin() / "QARVEX.Log").find("\n  02 Jun 03:57:02 FREQ File Request: nodelist.zip"),
              std::string::npos)
        << ReadFile(bin() / "QARVEX.Log");
}

TEST_F(RequestSession, EveryRequestNotReachedHearsWhy) {
    struct Row {
        const char* label;
        const char* time;  // the SRIF's Time line
        std::string requests;
        const char* said;  // on standard output, in the log and (after the count) in the report
    };
    const Row rows[] = {
        {"the mailer allows no time", "Time 0", "nodelist.zip\r\nnotes.txt\r\n",
         "Requests Not Processed: 2 (time limit of 0 seconds reached)"},
        {"the file limit", "Time -1", "*.zip\r\nnever.read\r\nnor.this\r\n",
         "Requests Not Processed: 2 (at most 16 files a session)"},
    };
    for (int i = 0; i < 20; ++i) WriteFile(files / "many" / ("f" + std::to_string(i) + ".zip"), "x");
    writeOkFile("{F}/many/\n{F}/pub/\n");
    std::string srif = ReadFile(srifPath());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        WriteFile(srifPath(), replaceAll(srif, "Time -1", row.time));
        WriteFile(requestList(), row.requests);
        fs::remove(bin() / "QARVEX.Log");
        RunResult run = Run({"SRIF", "2:5020/9999", srifPath().string()});
        ASSERT_EQ(run.status, 0) << run.out;
        std::string said = row.said;
        EXPECT_NE(run.out.find("   " + said + "\n"), std::string::npos) << run.out;
        EXPECT_NE(ReadFile(bin() / "QARVEX.Log").find(" FREQ " + said + "\n"), std::string::npos);
        std::string count = said.substr(said.find(": ") + 2, 1);
        std::string why = said.substr(said.find(" ("));
        EXPECT_NE(ReadFile(packetOf(run)).find("\r" + count + " More Requests Not Processed" + why + "\r"),
                  std::string::npos);
        for (const auto& entry : fs::directory_iterator(root() / "outbound")) fs::remove(entry.path());
    }
}
