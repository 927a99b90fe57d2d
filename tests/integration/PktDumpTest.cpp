// pktdump on packets qarvex writes and on broken ones.
#include "QarvexHarness.h"

namespace {

RunResult dump(const fs::path& packet) {
    std::string command;
    for (const std::string& word : ProgramCommand(PKTDUMP_BINARY)) command += word + " ";
    command += "'" + packet.string() + "' 2>&1";
    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

void put(std::string& bytes, size_t at, uint16_t value) {
    bytes[at] = char(value & 0xFF);
    bytes[at + 1] = char(value >> 8);
}

std::string header() {
    std::string h(58, '\0');
    for (auto [at, value] : {std::pair<size_t, uint16_t>{0, 9999}, {2, 1}, {18, 2}, {20, 5020}, {22, 5020},
                             {46, 2}, {48, 2}})
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
                             "  Date         03 Mar 07  14:05:09\n", "  | line one\n  | line two\n",
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
