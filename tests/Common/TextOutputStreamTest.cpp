#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Common/FileTestSupport.h"
#include "Common/FolderItem.h"
#include "Common/exceptions.h"
#include "Universal/TextEncodingUtil.h"

namespace {

using rt::FolderItem;
using rt::String;
using rt::TextOutputStream;

class TextOutputStreamTest : public FileTest {
protected:
    TextOutputStream create(const std::string& name) { return FolderItem::at(String(path(name))).createTextFile(); }
};

String take(RTString s) { return String::adopt(s); }

} // namespace

TEST_F(TextOutputStreamTest, LinesEndWithTheDelimiterOrLF) {
    struct Row {
        const char* label;
        String delimiter;
        String line;
        std::string expected;
    } rows[] = {
        {"empty delimiter", {}, "abc", "abc\n"},
        {"CR LF", String::fromBytes("\r\n", kEncodingASCII), "abc", "abc\r\n"},
        {"CR for a report", String::fromBytes("\r", kEncodingASCII), "", "\r"},
        {"ending converted to a UTF-16 line", {}, String::fromBytes(std::string("h\0i\0", 4), kEncodingUTF16),
         std::string("h\0i\0\n\0", 6)},
        {"ending of unknown code kept", String::fromBytes("\n", kEncodingUnknown),
         String::fromBytes(std::string("h\0", 2), kEncodingUTF16), std::string("h\0\n", 3)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        TextOutputStream stream = create("f");
        ASSERT_TRUE(stream);
        if (!row.delimiter.empty()) stream.setDelimiter(row.delimiter);
        stream.writeLine(row.line);
        stream.close();
        EXPECT_EQ(readFile("f"), row.expected);
    }
}

TEST_F(TextOutputStreamTest, WriteKeepsBytesAsTheyAreAndReachesTheFileAtFlush) {
    TextOutputStream stream = create("f");
    stream.write(String::fromBytes(std::string("a\0\xFF", 3), kEncodingUnknown));
    stream.write({});
    EXPECT_EQ(readFile("f"), "");
    stream.flush();
    EXPECT_EQ(readFile("f"), std::string("a\0\xFF", 3));
    stream.close();
    stream.writeLine("after closing");
    EXPECT_EQ(stream.lastErrorCode(), 0);
    EXPECT_EQ(readFile("f"), std::string("a\0\xFF", 3));
}

TEST_F(TextOutputStreamTest, AppendAddsAtTheEnd) {
    writeFile("log", "old\n");
    FolderItem log = FolderItem::at(String(path("log")));
    TextOutputStream first = log.appendToTextFile();
    TextOutputStream second = log.appendToTextFile();
    first.writeLine("one");
    second.writeLine("two");  // lands after "one", not over it
    first.writeLine("three");
    first.close();
    second.close();
    EXPECT_EQ(readFile("log"), "old\none\ntwo\nthree\n");
}

TEST_F(TextOutputStreamTest, ConcurrentAppendingProcessesLoseAndTearNoLine) {
    constexpr int kWriters = 6;
    constexpr int kLinesEach = 300;
    writeFile("shared.log", "w9 n1 " + std::string(41, 'j') + "\n");
    int startGate[2];
    ASSERT_EQ(pipe(startGate), 0);
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(startGate[1]);
            TextOutputStream log = FolderItem::at(String(path("shared.log"))).appendToTextFile();
            char go;
            (void)read(startGate[0], &go, 1);  // every writer has opened the log before any writes
            for (int n = 0; n < kLinesEach; ++n) {
                // Some lines are longer than the C library's buffer.
                std::string body(n % 50 == 0 ? 9000 : 40 + n % 17, char('a' + writer));
                log.writeLine(String("w" + std::to_string(writer) + " n" + std::to_string(n) + " " + body));
            }
            log.close();
            _exit(0);
        }
        children.push_back(child);
    }
    close(startGate[0]);
    close(startGate[1]);
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::set<std::string> seen;
    std::istringstream lines(readFile("shared.log"));
    for (std::string line; std::getline(lines, line);) {
        int writer = -1, n = -1;
        char body[10000];
        ASSERT_EQ(sscanf(line.c_str(), "w%d n%d %9999s", &writer, &n, body), 3) << line.substr(0, 80);
        std::string expected(n % 50 == 0 ? 9000 : 40 + n % 17, char('a' + writer));
        EXPECT_EQ(body, expected) << "torn line " << line.substr(0, 80);
        EXPECT_TRUE(seen.insert(line.substr(0, line.find(' ', 3))).second) << "line twice";
    }
    EXPECT_EQ(seen.size(), size_t(kWriters * kLinesEach + 1));
}

TEST_F(TextOutputStreamTest, ClosingKeepsTheLastError) {
    rt::Ref<> raw = rt::Ref<>::adopt(RuntimeNewObject(RuntimeTextOutputStreamClass()));
    FILE* readOnly = fopen("/dev/null", "r");
    TextOutputStreamHandleCtor(raw.get(), reinterpret_cast<intptr_t>(readOnly), kHandleFilePointer);
    TextOutputStream stream = TextOutputStream::retain(raw.get());
    stream.writeLine("refused");
    EXPECT_EQ(stream.lastErrorCode(), EBADF);
    stream.close();
    EXPECT_EQ(stream.lastErrorCode(), EBADF);
    EXPECT_THROW(TextOutputStreamHandleCtor(raw.get(), 0, 9), rt::RaisedException);
}

TEST(EndOfLine, FixedEndingsAndJoins) {
    EXPECT_EQ(take(getMacEndOfLine()).str(), "\r");
    EXPECT_EQ(take(getWin32EndOfLine()).str(), "\r\n");
    EXPECT_EQ(take(getUNIXEndOfLine()).str(), "\n");
    String platform = take(RuntimeEndOfLine());
    EXPECT_EQ(platform.str(), "\n");
    EXPECT_EQ(platform.encoding(), kEncodingASCII);
    String line("x");
    EXPECT_EQ(take(RuntimeEndOfLineAdd(line.get())).str(), "\nx");
    EXPECT_EQ(take(RuntimeEndOfLineAddRight(line.get())).str(), "x\n");
    EXPECT_EQ(take(RuntimeEndOfLineAddRight(nullptr)).str(), "\n");
    const std::pair<std::string, int32_t> rows[] = {{"\n", 0}, {"", 1}, {"\r", -1}, {"\n\n", -1}, {"\t", 1}};
    for (const auto& [text, order] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(RuntimeEndOfLineCompare(String(text).get()), order);
    }
}

TEST(EndOfLine, ReplaceLineEndingsMakesEveryEndingTheSame) {
    const struct {
        std::string text;
        std::string ending;
        std::string expected;
    } rows[] = {
        {"a\r\nb\rc\nd", "\r\n", "a\r\nb\r\nc\r\nd"},
        {"\n\r\r\n", "\r", "\r\r\r"},
        {"a\r\nb", "", "ab"},
        {"no ending", "\n", "no ending"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(take(RuntimeReplaceLineEndings(String(row.text).get(), String(row.ending).get())).str(), row.expected);
    }
    String wide = String::fromBytes(std::string("a\0\r\0\n\0\x0D\x0A", 8), kEncodingUTF16);
    String replaced = take(RuntimeReplaceLineEndings(wide.get(), String::fromBytes("\r", kEncodingASCII).get()));
    EXPECT_EQ(replaced.encoding(), kEncodingUTF16);
    EXPECT_EQ(replaced.str(), std::string("a\0\r\0\x0D\x0A", 6));  // U+0A0D is no line ending
}
