#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "Common/Ref.h"
#include "Common/StandardStreams.h"
#include "Common/String.h"
#include "Universal/TextEncodingUtil.h"

namespace {

// Puts `bytes` on standard input (then end of input) for the life of the guard.
class StandardInputFeed {
public:
    explicit StandardInputFeed(const std::string& bytes) {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        EXPECT_EQ(write(fds[1], bytes.data(), bytes.size()), ssize_t(bytes.size()));
        close(fds[1]);
        saved_ = dup(STDIN_FILENO);
        dup2(fds[0], STDIN_FILENO);
        close(fds[0]);
        std::clearerr(stdin);
    }
    ~StandardInputFeed() {
        dup2(saved_, STDIN_FILENO);
        close(saved_);
        std::clearerr(stdin);
    }

private:
    int saved_;
};

std::string readLine(RuntimeObject* in) { return rt::String::adopt(RuntimeStdInputReadLine(in)).str(); }

} // namespace

TEST(StandardInput, LinesEndAtCrLfCrLfOrNulAndSkip0xFF) {
    struct Row {
        const char* name;
        std::string input;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"CR LF", "a\r\nb\n", {"a", "b"}},
        {"CR alone leaves the next byte pending", "a\rb\n", {"a", "b"}},
        {"LF alone", "one\ntwo\n", {"one", "two"}},
        {"NUL ends a line", std::string("x\0y\n", 4), {"x", "y"}},
        {"0xFF is skipped", "a\xFF" "b\n", {"ab"}},
        {"no final line end", "last", {"last"}},
        {"empty lines", "\n\r\n", {"", ""}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StandardInputFeed feed(row.input);
        auto in = rt::Ref<>::adopt(RuntimeGetStdIn());
        for (const std::string& expected : row.lines) EXPECT_EQ(readLine(in.get()), expected);
        EXPECT_EQ(readLine(in.get()), "");
        EXPECT_TRUE(RuntimeStdInputEof(in.get()));
    }
}

TEST(StandardInput, ReadTakesThePendingByteThenCountsBytesAndLabelsThem) {
    auto latin1 = rt::Ref<>::adopt(TextEncodingForCode(0x0201));  // cached for the process
    StandardInputFeed feed("a\rbc\r\nde");
    auto in = rt::Ref<>::adopt(RuntimeGetStdIn());
    EXPECT_EQ(readLine(in.get()), "a");
    rt::String text = rt::String::adopt(RuntimeStdInputRead(in.get(), 5, latin1.get()));
    EXPECT_EQ(text.str(), "bc\r\nd");
    EXPECT_EQ(text.encoding(), 0x0201u);
    EXPECT_EQ(rt::String::adopt(RuntimeConsoleInput()).str(), "e");
}

TEST(StandardOutput, WriteLineAddsALineFeedAndWriteOfNothingPrintsNothing) {
    auto out = rt::Ref<>::adopt(RuntimeGetStdOut());
    testing::internal::CaptureStdout();
    RuntimeStdOutputStreamWrite(out.get(), nullptr);
    RuntimeStdOutputStreamWriteLine(out.get(), nullptr);
    RuntimeStdOutputStreamWrite(out.get(), rt::String("caf\xC3\xA9").get());
    RuntimeConsolePrint(rt::String(" done").get());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\ncaf\xC3\xA9 done\n");
}

TEST(StandardOutput, UnicodeTextReachesTheTerminalAsUtf8) {
    auto err = rt::Ref<>::adopt(RuntimeGetStdErr());
    rt::String utf16 = rt::String::fromBytes(std::string("h\0i\0", 4), kEncodingUTF16);
    testing::internal::CaptureStderr();
    RuntimeStdOutputStreamWriteLine(err.get(), utf16.get());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "hi\n");
}

TEST(StandardOutput, EveryRequestGivesTheSameObjectWithAReference) {
    auto a = rt::Ref<>::adopt(RuntimeGetStdOut());
    auto b = rt::Ref<>::adopt(RuntimeGetStdOut());
    auto e = rt::Ref<>::adopt(RuntimeGetStdErr());
    EXPECT_EQ(a.get(), b.get());
    EXPECT_NE(a.get(), e.get());
    EXPECT_EQ(a->classRecord, e->classRecord);
}
