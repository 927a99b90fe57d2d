#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "Common/FileTestSupport.h"
#include "Common/FolderItem.h"
#include "Common/exceptions.h"
#include "Universal/TextEncodingUtil.h"

namespace {

using rt::FolderItem;
using rt::String;
using rt::TextInputStream;

class TextInputStreamTest : public FileTest {
protected:
    TextInputStream open(const std::string& name, const std::string& bytes) {
        writeFile(name, bytes);
        return FolderItem::at(String(path(name))).openAsTextFile();
    }

    // Every line up to the end, each line's bytes as read.
    static std::vector<std::string> lines(const TextInputStream& stream, const rt::TextEncoding& encoding = {}) {
        std::vector<std::string> all;
        for (int guard = 0; !stream.eof() && guard < 100000; ++guard) all.push_back(stream.readLine(encoding).str());
        return all;
    }
};

using Lines = std::vector<std::string>;

} // namespace

TEST_F(TextInputStreamTest, EachLineEndingEndsOneLine) {
    struct Row {
        const char* label;
        std::string bytes;
        Lines expected;
    } rows[] = {
        {"mixed", "a\r\nb\rc\n\n", {"a", "b", "c", ""}},
        {"LF CR starts an empty line", "a\n\rb", {"a", "", "b"}},
        {"no final ending", "one\ntwo", {"one", "two"}},
        {"NUL bytes inside", std::string("a\0b\nc\0", 6), {std::string("a\0b", 3), std::string("c\0", 2)}},
        {"lone CR at the end", "x\r", {"x"}},
        {"empty file", "", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        TextInputStream stream = open("f", row.bytes);
        ASSERT_TRUE(stream);
        EXPECT_EQ(lines(stream), row.expected);
        EXPECT_TRUE(stream.eof());
        EXPECT_TRUE(stream.readLine().empty());
    }
}

TEST_F(TextInputStreamTest, LineEndingsAcrossTheBufferBoundary) {
    std::string first(1023, 'a');
    struct Row {
        const char* label;
        std::string bytes;
        Lines expected;
    } rows[] = {
        {"CR as byte 1024, LF as 1025", first + "\r\nb", {first, "b"}},
        {"CR as byte 1024, then text", first + "\rb", {first, "b"}},
        {"LF as byte 1024", first + "\nb", {first, "b"}},
        {"LF as byte 1025", first + "x\nb", {first + "x", "b"}},
        {"CR LF as bytes 1023 and 1024", std::string(1022, 'a') + "\r\n\nb", {std::string(1022, 'a'), "", "b"}},
        {"CR as byte 2048, LF as 2049", std::string(2047, 'z') + "\r\n", {std::string(2047, 'z')}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        TextInputStream stream = open("f", row.bytes);
        EXPECT_EQ(lines(stream), row.expected);
    }
}

TEST_F(TextInputStreamTest, HugeLinesAreReadWhole) {
    std::string huge(300000, 'h');
    huge[150000] = '\0';
    TextInputStream stream = open("f", huge + "\r\n" + "tail");
    EXPECT_EQ(stream.readLine().str(), huge);
    EXPECT_EQ(stream.position(), int64_t(huge.size() + 2));
    EXPECT_EQ(stream.readLine().str(), "tail");
}

TEST_F(TextInputStreamTest, UTF16LinesEndOnWholeUnits) {
    auto utf16 = [](std::string_view ascii) {
        std::string out;
        for (char c : ascii) out += {c, '\0'};
        return out;
    };
    auto encoding = rt::TextEncoding::forCode(kEncodingUTF16);
    std::string padding = utf16(std::string(511, 'p'));  // 1,022 bytes: the CR is the buffer's last unit
    // 0x0A41 and 0x0D42 hold an LF or CR byte but are no line endings.
    std::string bytes = padding + utf16("\r\n") + "A\nB\r" + utf16("x\ry\n");
    TextInputStream stream = open("f", bytes);
    String line = stream.readLine(encoding);
    EXPECT_EQ(line.encoding(), kEncodingUTF16);
    EXPECT_EQ(line.str(), padding);
    EXPECT_EQ(lines(stream, encoding), (Lines{std::string("A\nB\rx\0", 6), std::string("y\0", 2)}));
    // An odd byte that a 16-bit scan cannot pair stays with the last line.
    TextInputStream odd = open("g", utf16("ab") + "c");
    EXPECT_EQ(odd.readLine(encoding).str(), utf16("ab") + "c");
}

TEST_F(TextInputStreamTest, LinesAreLabelledWithTheGivenOrTheStreamEncoding) {
    TextInputStream stream = open("f", "one\ntwo\nthree\n");
    EXPECT_EQ(stream.readLine().encoding(), kEncodingUTF8);
    auto latin1 = rt::TextEncoding::forCode(0x201);
    EXPECT_EQ(stream.readLine(latin1).encoding(), 0x201u);
    stream.setEncoding(latin1);
    stream.setEncoding(stream.encoding());  // the stream's own reference survives
    EXPECT_EQ(stream.encoding().code(), 0x201u);
    stream.setEncoding({});
    EXPECT_FALSE(stream.encoding());
    EXPECT_EQ(stream.readLine().encoding(), kEncodingUnknown);
}

TEST_F(TextInputStreamTest, ReadTakesBufferedBytesFirstThenTheFile) {
    std::string bytes;
    for (int i = 0; i < 3000; ++i) bytes += char('a' + i % 26);
    TextInputStream stream = open("f", "L1\n" + bytes);
    EXPECT_EQ(stream.readLine().str(), "L1");
    EXPECT_TRUE(stream.read(0).empty());
    EXPECT_EQ(stream.read(2000).str(), bytes.substr(0, 2000));
    EXPECT_EQ(stream.position(), 2003);
    EXPECT_EQ(stream.readAll().str(), bytes.substr(2000));
    EXPECT_TRUE(stream.eof());
    EXPECT_TRUE(stream.read(5).empty());
    EXPECT_TRUE(stream.readAll().empty());
}

TEST_F(TextInputStreamTest, AHugeCountReadsWhatTheFileHolds) {
    std::string bytes(200000, 'q');
    TextInputStream stream = open("f", "x\n" + bytes);
    EXPECT_EQ(stream.readLine().str(), "x");
    EXPECT_EQ(stream.read(INT32_MAX).str(), bytes);
    EXPECT_TRUE(stream.eof());
}

TEST_F(TextInputStreamTest, SettingThePositionDropsTheOldBuffer) {
    TextInputStream stream = open("f", "first\nsecond\nthird\n");
    EXPECT_EQ(stream.readLine().str(), "first");
    EXPECT_EQ(stream.position(), 6);
    stream.setPosition(13);
    EXPECT_EQ(stream.position(), 13);
    EXPECT_EQ(stream.readLine().str(), "third");
    stream.setPosition(0);
    EXPECT_EQ(stream.readLine().str(), "first");
    stream.setPosition(2);
    EXPECT_EQ(stream.read(3).str(), "rst");
}

TEST_F(TextInputStreamTest, FileChangedBehindTheBufferIsSeenAfterRepositioning) {
    TextInputStream stream = open("f", "old line\n");
    EXPECT_EQ(stream.readLine().str(), "old line");
    writeFile("f", "new line\nmore\n");
    stream.setPosition(0);
    EXPECT_EQ(lines(stream), (Lines{"new line", "more"}));
}

TEST_F(TextInputStreamTest, AFailingReadEndsTheStreamWithItsError) {
    writeFile("f", "content that cannot be read\n");
    // A stream opened for writing only: every read fails with EBADF.
    FILE* writeOnly = fopen(path("f").c_str(), "a");
    ASSERT_TRUE(writeOnly);
    rt::Ref<> raw = rt::Ref<>::adopt(RuntimeNewObject(RuntimeTextInputStreamClass()));
    TextInputStreamHandleCtor(raw.get(), reinterpret_cast<intptr_t>(writeOnly), kHandleFilePointer);
    TextInputStream stream = TextInputStream::retain(raw.get());
    EXPECT_TRUE(stream.readLine().empty());
    EXPECT_TRUE(stream.eof());
    EXPECT_EQ(stream.lastErrorCode(), EBADF);
    EXPECT_TRUE(stream.readAll().empty());
    stream.close();
    EXPECT_EQ(stream.lastErrorCode(), EBADF);
}

TEST_F(TextInputStreamTest, ClosedStreamReadsNothingAndKeepsItsError) {
    TextInputStream stream = open("f", "a\nb\n");
    stream.close();
    EXPECT_TRUE(stream.readLine().empty());
    EXPECT_TRUE(stream.eof());
    EXPECT_EQ(stream.lastErrorCode(), 0);
    stream.close();
}

TEST_F(TextInputStreamTest, HandleConstructorsRefuseBadHandles) {
    rt::Ref<> raw = rt::Ref<>::adopt(RuntimeNewObject(RuntimeTextInputStreamClass()));
    for (auto [handle, type] : {std::pair<intptr_t, int32_t>{0, 1}, {-1, kHandleDescriptor}, {0, kHandleFilePointer}}) {
        SCOPED_TRACE(type);
        EXPECT_THROW(TextInputStreamHandleCtor(raw.get(), handle, type), rt::RaisedException);
    }
    writeFile("f", "via descriptor\n");
    FILE* file = fopen(path("f").c_str(), "r+");
    TextInputStreamHandleCtor(raw.get(), dup(fileno(file)), kHandleDescriptor);
    fclose(file);
    EXPECT_EQ(TextInputStream::retain(raw.get()).readLine().str(), "via descriptor");
}

TEST_F(TextInputStreamTest, NilStreamIsReportedAsAProgrammingError) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(TextInputStreamReadLine(nullptr, nullptr), nullptr);
    std::string report = testing::internal::GetCapturedStdout();
    EXPECT_NE(report.find("runFileAccess"), std::string::npos);
    EXPECT_NE(report.find("Failure Condition: stream"), std::string::npos);
}

TEST_F(TextInputStreamTest, ABoundedReadKeepsAtMostItsLimitAndReadsPastTheRest) {
    struct Row {
        const char* label;
        std::string bytes;
        size_t limit;
        Lines kept;
        std::vector<bool> cut;
    };
    const std::string huge(3 << 20, 'x');  // far past the reader's block, so the rest is read past in many
    const Row rows[] = {
        {"at the limit", "abcd\r\nef", 4, {"abcd", "ef"}, {false, false}},
        {"one past", "abcde\nef", 4, {"abcd", "ef"}, {true, false}},
        {"a huge line, then the next", huge + "\r\nnext\r\n", 1024, {std::string(1024, 'x'), "next"}, {true, false}},
        {"a huge last line", "first\n" + huge, 16, {"first", std::string(16, 'x')}, {false, true}},
        {"a CR LF pair after the cut", std::string(1023, 'y') + "\r\nz", 8, {std::string(8, 'y'), "z"}, {true, false}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        TextInputStream stream = open("bounded.txt", row.bytes);
        Lines kept;
        std::vector<bool> cuts;
        while (!stream.eof() && kept.size() < 10) {
            bool cut = true;
            String line = stream.readLine(row.limit, cut);
            EXPECT_LE(line.length(), row.limit);
            kept.push_back(line.str());
            cuts.push_back(cut);
        }
        EXPECT_EQ(kept, row.kept);
        EXPECT_EQ(cuts, row.cut);
        stream.close();
    }
}
