// Junk where text belongs: the processor answers with its defined messages
// and never crashes, hangs or loses what it already wrote.
#include "QarvexHarness.h"

namespace {

class MalformedInput : public QarvexFolder {
protected:
    void SetUp() override {
        QarvexFolder::SetUp();
        WriteFile(root() / "files" / "a.zip", "archive");
        fs::create_directories(root() / "out");
    }

    std::string junk(size_t length) const {
        std::string bytes;
        for (size_t i = 0; i < length; ++i) bytes += char((i * 131 + 7) % 256);
        return bytes;
    }

    void writeSrif(const std::string& requestList, const std::string& responseList) {
        WriteFile(srif(), "Sysop Junk Tester\nAKA 2:5020/1\nRequestList " + requestList + "\nResponseList " +
                              responseList + "\n");
    }

    fs::path srif() const { return root() / "in.srif"; }
    std::string requests() const { return (root() / "in.req").string(); }
    std::string responses() const { return (root() / "out" / "out.rsp").string(); }
};

} // namespace

TEST_F(MalformedInput, AnSrifOfBinaryJunkIsABadAddress) {
    WriteFile(srif(), junk(100000) + std::string("\0AKA \0\n", 7) + std::string(1 << 20, 'x'));
    RunResult run = Run({"SRIF", "2:5020/9999", srif().string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("   Bad Fido Address "), std::string::npos) << run.out.substr(0, 500);
}

TEST_F(MalformedInput, NulBytesInSrifPathsNameNoFile) {
    writeSrif(requests() + std::string("\0x", 2), responses());
    WriteFile(bin() / "OkFile.Txt", (root() / "files").string() + "/\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srif().string()});
    EXPECT_EQ(run.status, 1);
    // The NUL is shown escaped, and the failure names the path and the reason.
    EXPECT_NE(run.out.find("in.req\\0x Not Found\n   Unable to open "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("in.req\\0x: Invalid argument\n>> Error Exit."), std::string::npos) << run.out;

    writeSrif(requests(), responses() + std::string("\0x", 2));
    WriteFile(requests(), "a.zip\n");
    run = Run({"SRIF", "2:5020/9999", srif().string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(">> Error Exit."), std::string::npos) << run.out;
}

TEST_F(MalformedInput, JunkAndHugeLinesInThePermissionListAreSkippedOrReported) {
    writeSrif(requests(), responses());
    fs::create_directories(root() / "loop");
    fs::create_symlink(root() / "loop" / "self", root() / "loop" / "self");
    WriteFile(bin() / "OkFile.Txt", junk(5000) + "\n" + std::string(1 << 20, 'p') + "\n" +
                                        (root() / "loop" / "self").string() + "/*\n" +
                                        std::string("\0\0\0\n", 4) + (root() / "files").string() + "/*.zip\n");
    WriteFile(requests(), std::string(1 << 20, 'q') + "\r\n" + std::string("a\0.zip\r\n", 8) + junk(3000) +
                              "\r\nA.ZIP\r\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srif().string()});
    EXPECT_EQ(run.status, 0) << run.out.substr(run.out.size() - 500);
    EXPECT_NE(run.out.find("   Bad Path in OkFile: " + (root() / "loop" / "self").string() + "/\n"),
              std::string::npos);
    EXPECT_NE(run.out.find("   Requested File (A.ZIP)    Found 1\n"), std::string::npos);
    std::vector<std::string> response = Lines(ReadFile(responses()));
    ASSERT_EQ(response.size(), 2u);
    EXPECT_EQ(response[1], "+" + (root() / "files" / "a.zip").string());
}

TEST_F(MalformedInput, TenThousandRequestsAreBoundedTo256) {
    writeSrif(requests(), responses());
    WriteFile(bin() / "OkFile.Txt", (root() / "files").string() + "/*.zip\n");
    std::string list = "A.ZIP\r\n";
    for (int i = 1; i < 10000; ++i) list += "nothing" + std::to_string(i) + ".arj\r\n";
    WriteFile(requests(), list + "A.ZIP\r\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srif().string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("   Requested File (nothing255.arj) Not Found\n   Requests Not Processed: 9745 (at most 256 a "
                           "session)\n"),
              std::string::npos);
    EXPECT_EQ(run.out.find("nothing256.arj"), std::string::npos);
    EXPECT_NE(run.out.find(">> F'Req Processing Complete. Queue'd = 1\n"), std::string::npos);
    std::string log = ReadFile(bin() / "QARVEX.Log");
    EXPECT_NE(log.find(" FREQ Requests Not Processed: 9745 (at most 256 a session)\n"), std::string::npos);
    std::string packet = ReadFile(Lines(ReadFile(responses()))[0].substr(1));
    EXPECT_NE(packet.find("\r9745 More Requests Not Processed (at most 256 a session)\r"), std::string::npos);
}

// A CP866 system's names are no UTF-8: they reach the packet byte for byte
// and the text files escaped, never dropped. Byte-order marks open no line.
TEST_F(MalformedInput, EightBitNamesAreCarriedAndByteOrderMarksSkipped) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string sysop = "\x88\xA2\xA0\xAD \x8F\xA5\xE2\xE0\xAE\xA2";  // a name in CP866
    WriteFile(srif(), bom + "Sysop " + sysop + "\r\nAKA 2:5020/1\r\nRequestList " + requests() +
                          "\r\nResponseList " + responses() + "\r\n");
    WriteFile(bin() / "OkFile.Txt", bom + (root() / "files").string() + "/\n");
    WriteFile(requests(), bom + "a.zip\r\n\r\n   \r\n\xA0\xA1.zip\r\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srif().string()});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("   Requested File (a.zip)    Found 1\n   Requested File (\\xA0\\xA1.zip) Not Found\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("Requested File ()"), std::string::npos) << "blank lines ask for nothing";
    std::string packet = ReadFile(Lines(ReadFile(responses()))[0].substr(1));
    EXPECT_EQ(packet.substr(92, sysop.size() + 1), sysop + '\0');
    EXPECT_NE(packet.find("\r\xA0\xA1.zip" + std::string(16, ' ') + "File Not Found\r"), std::string::npos);
    std::string log = ReadFile(bin() / "QARVEX.Log");
    EXPECT_NE(log.find(" FREQ File Request: \\xA0\\xA1.zip\n"), std::string::npos) << log;
    EXPECT_EQ(log.find(" FREQ File Request: \n"), std::string::npos) << log;
}

// Every number of an address is checked: none wraps into another system's.
TEST_F(MalformedInput, AddressesOutOfRangeAreBadAndTheLogSaysWhy) {
    WriteFile(bin() / "OkFile.Txt", (root() / "files").string() + "/\n");
    struct Row {
        const char* own;
        const char* aka;
        const char* shown;
    };
    const Row rows[] = {
        {"2:5020/99999", "2:5020/1", "99999"},
        {"70000:1/1", "2:5020/1", "70000:1/1"},
        {"2:5020/9999", "2:5020/1x", "1x"},
        {"2:5020/9999", "2:65536/1", "65536/1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.own) + " " + row.aka);
        WriteFile(srif(), std::string("Sysop Tester\nAKA ") + row.aka + "\nRequestList " + requests() +
                              "\nResponseList " + responses() + "\n");
        WriteFile(requests(), "a.zip\n");
        RunResult run = Run({"SRIF", row.own, srif().string()});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.out.find(std::string("   Bad Fido Address ") + row.shown + "\n"), std::string::npos) << run.out;
        EXPECT_FALSE(fs::exists(responses())) << "nothing is sent";
        std::string log = ReadFile(bin() / "QARVEX.Log");
        EXPECT_NE(log.find(std::string(" FREQ Session Refused: Bad Fido Address ") + row.shown + "\n"),
                  std::string::npos)
            << log;
        for (const std::string& name : DebugFiles()) fs::remove(bin() / name);
    }
}

// A session that cannot serve says so to the requester; the log holds the reason.
TEST_F(MalformedInput, ASessionWithoutAUsableListTellsTheRequesterAndTheLog) {
    writeSrif(requests(), responses());
    WriteFile(requests(), "a.zip\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srif().string()});
    EXPECT_EQ(run.status, 1);
    std::string packet = ReadFile(Lines(ReadFile(responses()))[0].substr(1));
    EXPECT_NE(packet.find("\r\rYour requests could not be served for a fault here; the sysop has been told\r"),
              std::string::npos);
    std::string log = ReadFile(bin() / "QARVEX.Log");
    for (std::string line : {std::string("OkFile.Txt Not Found"),
                             "Unable to open " + (bin() / "OkFile.Txt").string() + ": No such file or directory"})
        EXPECT_NE(log.find(" FREQ " + line + "\n"), std::string::npos) << log;
}

// A mailer cuts a response line at its first blank: a folder whose full path
// holds one (a relative folder in a program folder named with a blank) serves
// nothing, and the check names its line.
class ProgramFolderWithABlank : public MalformedInput {
protected:
    ProgramFolderWithABlank() { binName_ = "my bin"; }
};

TEST_F(ProgramFolderWithABlank, ServesNothingFromIt) {
    WriteFile(bin() / "area" / "b.zip", "x");
    WriteFile(bin() / "OkFile.Txt", "area/\n" + (root() / "files").string() + "/\n");
    fs::permissions(bin() / "OkFile.Txt", fs::perms(0600));
    writeSrif(requests(), responses());
    WriteFile(requests(), "b.zip\na.zip\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srif().string()});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("   Requested File (b.zip) Not Found\n"), std::string::npos) << run.out;
    std::vector<std::string> response = Lines(ReadFile(responses()));
    ASSERT_EQ(response.size(), 2u);
    EXPECT_EQ(response[1], "+" + (root() / "files" / "a.zip").string());
    RunResult check = Run({"--check"});
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.out.find((bin() / "OkFile.Txt").string() + ":1: error: folder path '" + (bin() / "area").string() +
                             "' holds a blank"),
              std::string::npos)
        << check.out;
}

TEST_F(MalformedInput, ARequestLineLongerThanAnyRequestIsRefusedByABoundedExcerpt) {
    writeSrif(requests(), responses());
    WriteFile(bin() / "OkFile.Txt", (root() / "files").string() + "/\n");
    WriteFile(requests(), std::string(1 << 20, '\x01') + std::string(1 << 20, 'y') + "\r\na.zip\r\n");
    RunResult run = Run({"SRIF", "2:5020/9999", srif().string()});
    EXPECT_EQ(run.status, 0) << run.out.substr(0, 500);
    EXPECT_LT(run.out.size(), 2000u);
    EXPECT_NE(run.out.find("   Request Line Too Long: \\x01"), std::string::npos) << run.out.substr(0, 500);
    for (const std::string& line : Lines(ReadFile(bin() / "QARVEX.Log"))) EXPECT_LT(line.size(), 400u);
    std::string packet = ReadFile(Lines(ReadFile(responses()))[0].substr(1));
    EXPECT_NE(packet.find("??????????????????????Request Line Too Long\r"), std::string::npos);
    // The next line is a request as any other.
    EXPECT_EQ(Lines(ReadFile(responses())).back(), "+" + (root() / "files" / "a.zip").string());

    // A remote's address as long as an SRIF line can be is logged by an excerpt too.
    WriteFile(srif(), "AKA 2:5020/" + std::string(8000, '1') + "\nRequestList " + requests() + "\nResponseList " +
                          responses() + "\n");
    WriteFile(requests(), "a.zip\r\n");
    Run({"SRIF", "2:5020/9999", srif().string()});
    for (const std::string& line : Lines(ReadFile(bin() / "QARVEX.Log"))) EXPECT_LT(line.size(), 400u);
}
