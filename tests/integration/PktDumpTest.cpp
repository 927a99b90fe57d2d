// pktdump on packets qarvex writes and on broken ones.
#include "QarvexHarness.h"

namespace {

// `options` go before the packet, as written; `environment` before the command.
RunResult dump(const fs::path& packet, const std::string& options = "", const std::string& environment = "") {
    return RunThroughShell(PKTDUMP_BINARY, options + " '" + packet.string() + "'", environment);
}

void put(std::string& bytes, size_t at, uint16_t value) {
    bytes[at] = char(value & 0xFF);
    bytes[at + 1] = char(value >> 8);
}

std::string header() {
    std::string h(58, '\0');
    for (auto [at, value] : {std::pair<size_t, uint16_t>{0, 9999}, {2, 1}, {4, 2007}, {18, 2}, {20, 5020},
                             {22, 5020}, {46, 2}, {48, 2}})
        put(h, at, value);
    return h;
}

std::string message(const std::string& text) {
    std::string m(34, '\0');
    for (auto [at, value] : {std::pair<size_t, uint16_t>{0, 2}, {2, 9999}, {4, 1}, {6, 5020}, {8, 5020}})
        put(m, at, value);
    std::string date = "03 Mar 07  14:05:09";
    m.replace(14, date.size(), date);
    return m + "Sysop" + '\0' + "FileRequest Robot" + '\0' + "Report" + '\0' + text + '\0';
}

class PktDump : public QarvexFolder {};

} // namespace

TEST_F(PktDump, PrintsTheHeaderAndEachMessageLineByLine) {
    fs::path packet = root() / "good.pkt";
    WriteFile(packet, header() + message("line one\rline two\r") + std::string(2, '\0'));
    RunResult result = dump(packet);
    EXPECT_EQ(result.status, 0) << result.out;
    for (const char* part : {"  Origin       2:5020/9999\n", "  Destination  2:5020/1\n", "  Type         2\n",
                             "  From         FileRequest Robot, 2:5020/9999\n", "  To           Sysop, 2:5020/1\n",
                             "  Date         03 Mar 07  14:05:09\n", "  Date fields  year 2007,", "  | line one\n  | line two\n",
                             "End of packet: 1 message\n"}) {
        SCOPED_TRACE(part);
        EXPECT_NE(result.out.find(part), std::string::npos) << result.out;
    }
}

TEST_F(PktDump, NamesTheFaultOfABrokenPacket) {
    struct Row {
        const char* name;
        std::string bytes;
        const char* fault;
    };
    std::string whole = header() + message("text\r") + std::string(2, '\0');
    const Row rows[] = {
        {"short header", header().substr(0, 30), "truncated packet header at offset 0 (30 of 58 bytes)"},
        {"cut in the message header", header() + message("x").substr(0, 10), "truncated message header"},
        {"text without its NUL", whole.substr(0, whole.size() - 3), "unterminated message text"},
        {"no end mark", whole.substr(0, whole.size() - 2), "no end-of-packet mark"},
        {"wrong message type", header() + std::string("\x07\x00", 2), "message type 7 at offset 58, not 2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::path packet = root() / "bad.pkt";
        WriteFile(packet, row.bytes);
        RunResult result = dump(packet);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.out.find(row.fault), std::string::npos) << result.out;
    }
}

TEST_F(PktDump, DecodesKludgesSummarisesAndConvertsText) {
    struct Row {
        const char* name;
        std::string options;
        std::string text;
        int status;
        std::vector<std::string> parts;
    };
    const std::string kludges = "\x01INTL 2:5020/1 2:5020/9999\r\x01" "FMPT 3\r\x01TOPT 5\r\x01MSGID 2:5020/9999.3 1a2b\r";
    const Row rows[] = {
        {"kludges give full addresses", "", kludges + "body\r", 0,
         {"  From         FileRequest Robot, 2:5020/9999.3\n", "  To           Sysop, 2:5020/1.5\n",
          "  | <01>INTL 2:5020/1 2:5020/9999   (to 2:5020/1.5, from 2:5020/9999.3)\n",
          "  | <01>FMPT 3   (from 2:5020/9999.3)\n", "  | <01>TOPT 5   (to 2:5020/1.5)\n",
          "  | <01>MSGID 2:5020/9999.3 1a2b   (from 2:5020/9999.3, serial 1a2b)\n", "  | body\n"}},
        {"a kludge name only starts like TOPT", "", "\x01TOPTX 5\r", 0, {"  To           Sysop, 2:5020/1\n", "  | <01>TOPTX 5\n\n"}},
        {"bare kludge names", "", "\x01MSGID\r\x01TOPT\r\x01\r", 0, {"  | <01>MSGID\n", "  | <01>\n"}},
        {"summary", "--summary", kludges, 0,
         {"1  2:5020/9999.3 -> 2:5020/1.5  03 Mar 07  14:05:09  FileRequest Robot -> Sysop  Report\n"}},
        {"charset", "--charset CP866", "\x8F\xE0\xA8\xA2\xA5\xE2\r", 0, {"  | \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\n"}},
        {"unknown charset", "--charset NO-SUCH-SET", "x\r", 2, {"pktdump: unknown charset NO-SUCH-SET\n"}},
        {"unknown option", "--frobnicate", "x\r", 2, {"pktdump: unknown option --frobnicate\n"}},
        {"help", "--help", "x\r", 0, {"Usage: pktdump [--summary] [--charset NAME] PACKET...\n"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::path packet = root() / "options.pkt";
        WriteFile(packet, header() + message(row.text) + std::string(2, '\0'));
        RunResult result = dump(packet, row.options, "LC_ALL=C.UTF-8");
        EXPECT_EQ(result.status, row.status) << result.out;
        for (const std::string& part : row.parts) EXPECT_NE(result.out.find(part), std::string::npos) << result.out;
    }
    // A summary is one line per message and nothing else.
    fs::path two = root() / "two.pkt";
    WriteFile(two, header() + message("a\r") + message("b\r") + std::string(2, '\0'));
    EXPECT_EQ(dump(two, "-s").out, "1  2:5020/9999 -> 2:5020/1  03 Mar 07  14:05:09  FileRequest Robot -> Sysop  Report\n"
                                   "2  2:5020/9999 -> 2:5020/1  03 Mar 07  14:05:09  FileRequest Robot -> Sysop  Report\n");
}
