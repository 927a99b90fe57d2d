#include <cerrno>
#include <cmath>
#include <string>

#include "Common/FileTestSupport.h"
#include "Common/FolderItem.h"
#include "Common/runMemoryBlock.h"
#include "Universal/TextEncodingUtil.h"

namespace {

using rt::BinaryStream;
using rt::FolderItem;
using rt::String;

class BinaryStreamTest : public FileTest {
protected:
    BinaryStream create(const std::string& name) { return FolderItem::at(String(path(name))).createBinaryFile(); }
    BinaryStream open(const std::string& name, const std::string& bytes) {
        writeFile(name, bytes);
        return FolderItem::at(String(path(name))).openAsBinaryFile(rt::BinaryAccess::ReadWrite);
    }
};

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += char(v);
    return out;
}

} // namespace

TEST_F(BinaryStreamTest, NewStreamsWriteBigEndianUntilLittleEndianIsSet) {
    struct Row {
        const char* label;
        void (*write)(const BinaryStream&);
        std::string big;
        std::string little;
    } rows[] = {
        {"Long", [](const BinaryStream& s) { s.writeLong(1); }, bytes({0, 0, 0, 1}), bytes({1, 0, 0, 0})},
        {"Short", [](const BinaryStream& s) { s.writeShort(-2); }, bytes({0xFF, 0xFE}), bytes({0xFE, 0xFF})},
        {"UInt16", [](const BinaryStream& s) { s.writeUInt16(0xABCD); }, bytes({0xAB, 0xCD}), bytes({0xCD, 0xAB})},
        {"Int64", [](const BinaryStream& s) { s.writeInt64(0x0102030405060708); },
         bytes({1, 2, 3, 4, 5, 6, 7, 8}), bytes({8, 7, 6, 5, 4, 3, 2, 1})},
        {"Single", [](const BinaryStream& s) { s.writeSingle(1.0); }, bytes({0x3F, 0x80, 0, 0}), bytes({0, 0, 0x80, 0x3F})},
        {"Double", [](const BinaryStream& s) { s.writeDouble(-2.0); }, bytes({0xC0, 0, 0, 0, 0, 0, 0, 0}),
         bytes({0, 0, 0, 0, 0, 0, 0, 0xC0})},
        {"Byte and Boolean", [](const BinaryStream& s) { s.writeByte(0x1FF); s.writeBoolean(true); s.writeInt8(-1); },
         bytes({0xFF, 1, 0xFF}), bytes({0xFF, 1, 0xFF})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        for (bool little : {false, true}) {
            BinaryStream stream = create("f");
            EXPECT_FALSE(stream.littleEndian());
            stream.setLittleEndian(little);
            row.write(stream);
            stream.close();
            EXPECT_EQ(readFile("f"), little ? row.little : row.big);
        }
    }
}

TEST_F(BinaryStreamTest, ReadsMirrorWritesInBothOrders) {
    for (bool little : {false, true}) {
        SCOPED_TRACE(little);
        BinaryStream stream = create("f");
        stream.setLittleEndian(little);
        stream.writeByte(200);
        stream.writeInt8(-100);
        stream.writeShort(-12345);
        stream.writeUInt16(54321);
        stream.writeLong(-123456789);
        stream.writeUInt32(4000000000u);
        stream.writeInt64(-1234567890123456789);
        stream.writeUInt64(18000000000000000000u);
        stream.writeSingle(3.5);
        stream.writeDouble(M_PI);
        stream.writeBoolean(true);
        stream.setPosition(0);
        EXPECT_EQ(stream.readByte(), 200);
        EXPECT_EQ(stream.readInt8(), -100);
        EXPECT_EQ(stream.readShort(), -12345);
        EXPECT_EQ(stream.readUInt16(), 54321);
        EXPECT_EQ(stream.readLong(), -123456789);
        EXPECT_EQ(stream.readUInt32(), 4000000000u);
        EXPECT_EQ(stream.readInt64(), -1234567890123456789);
        EXPECT_EQ(stream.readUInt64(), 18000000000000000000u);
        EXPECT_EQ(stream.readSingle(), 3.5f);
        EXPECT_EQ(stream.readDouble(), M_PI);
        EXPECT_TRUE(stream.readBoolean());
        EXPECT_TRUE(stream.eof());
    }
}

TEST_F(BinaryStreamTest, ShortReadsGiveZeroNilOrWhatWasThere) {
    BinaryStream stream = open("f", "ab");
    EXPECT_EQ(stream.readLong(), 0);
    stream.setPosition(1);
    EXPECT_TRUE(stream.readBoolean());
    EXPECT_FALSE(stream.readBoolean());
    EXPECT_EQ(stream.readDouble(), 0.0);
    EXPECT_TRUE(stream.read(4).empty());
    EXPECT_TRUE(stream.readPString().empty());
    stream.setPosition(0);
    EXPECT_EQ(stream.read(10).str(), "ab");
    EXPECT_EQ(stream.read(10).str(), "");
    BinaryStream pascal = open("g", bytes({5}) + "abc");
    String partial = pascal.readPString();
    EXPECT_EQ(partial.str(), "abc");
    EXPECT_EQ(partial.encoding(), kEncodingUnknown);
}

TEST_F(BinaryStreamTest, PStringsCarryACountByteOfAtMost255) {
    BinaryStream stream = create("f");
    std::string long300(300, 'x');
    long300[0] = 'y';
    stream.writePString(String(long300));
    stream.writePString({});
    stream.write({});
    stream.write(String("tail"));
    stream.close();
    std::string file = readFile("f");
    ASSERT_EQ(file.size(), 1u + 255 + 1 + 4);
    EXPECT_EQ(uint8_t(file[0]), 255);
    EXPECT_EQ(file.substr(1, 255), long300.substr(0, 255));
    EXPECT_EQ(file[256], '\0');
    EXPECT_EQ(file.substr(257), "tail");
    BinaryStream again = FolderItem::at(String(path("f"))).openAsBinaryFile(rt::BinaryAccess::ReadOnly);
    String first = again.readPString(rt::TextEncoding::forCode(kLatin1));
    EXPECT_EQ(first.length(), 255u);
    EXPECT_EQ(first.encoding(), kLatin1);
    EXPECT_TRUE(again.readPString().empty());
    EXPECT_EQ(again.read(100).str(), "tail");
}

TEST_F(BinaryStreamTest, LengthTruncatesAndExtendsAndReadOnlyRefusesWrites) {
    BinaryStream stream = open("f", "abcdef");
    EXPECT_EQ(stream.length(), 6);
    stream.setLength(3);
    EXPECT_EQ(stream.length(), 3);
    stream.setLength(5);
    stream.close();
    EXPECT_EQ(readFile("f"), std::string("abc\0\0", 5));
    BinaryStream readOnly = FolderItem::at(String(path("f"))).openAsBinaryFile(rt::BinaryAccess::ReadOnly);
    readOnly.writeLong(7);
    readOnly.flush();
    EXPECT_EQ(readOnly.lastErrorCode(), EBADF);
    readOnly.close();
    EXPECT_EQ(readOnly.lastErrorCode(), EBADF);
    EXPECT_TRUE(readOnly.eof());
    EXPECT_EQ(readOnly.readByte(), 0);
    EXPECT_EQ(readFile("f"), std::string("abc\0\0", 5));
}

TEST_F(BinaryStreamTest, StreamOverAStringReadsAndGrows) {
    BinaryStream stream = BinaryStream::overString(String::fromBytes(bytes({0, 0, 1, 0}), kEncodingUnknown));
    EXPECT_EQ(stream.readLong(), 256);
    EXPECT_TRUE(stream.eof());
    stream.writeShort(0x4142);
    EXPECT_EQ(stream.length(), 6);
    stream.setPosition(4);
    EXPECT_EQ(stream.read(10).str(), "AB");
    stream.setLength(1);
    EXPECT_EQ(stream.length(), 1);
    stream.setPosition(8);
    EXPECT_TRUE(stream.read(1).empty());
}

TEST_F(BinaryStreamTest, StreamOverAMemoryBlockTakesItsByteOrderAndGrowsIt) {
    rt::Ref<> block = rt::Ref<>::adopt(newMemoryBlock(4));
    memorySetLong(block.get(), 0, 0x01020304);  // in the block's own order, which its stream takes
    memorySetLong(block.get(), 0, 0x01020304);
    rt::Ref<> raw = rt::Ref<>::adopt(RuntimeNewObject(RuntimeBinaryStreamClass()));
    BinaryStringMemoryBlockCtor(raw.get(), block.get());
    BinaryStream stream = BinaryStream::retain(raw.get());
    EXPECT_TRUE(stream.littleEndian());  // a new block is little-endian
    EXPECT_EQ(stream.readLong(), 0x01020304);
    stream.setLittleEndian(false);
    stream.writeShort(0x0506);  // past the end: the block grows
    EXPECT_EQ(memoryBlockGetSize(block.get()), 6);
    EXPECT_EQ(memoryGetByte(block.get(), 4), 5);
    memoryBlockSetSize(block.get(), 64);  // a new buffer behind the stream
    stream.setPosition(4);
    EXPECT_EQ(stream.readShort(), 0x0506);
    EXPECT_EQ(stream.length(), 64);
    rt::Ref<> wrapped = rt::Ref<>::adopt(PtrToMemoryBlock(block.get()));
    rt::Ref<> unknownSize = rt::Ref<>::adopt(RuntimeNewObject(RuntimeBinaryStreamClass()));
    BinaryStringMemoryBlockCtor(unknownSize.get(), wrapped.get());
    BinaryStream nothing = BinaryStream::retain(unknownSize.get());
    EXPECT_EQ(nothing.readLong(), 0);
    nothing.writeLong(1);
    EXPECT_EQ(nothing.lastErrorCode(), ENOSPC);
}

TEST_F(BinaryStreamTest, StreamsInMemoryKeepPositionsPastFourGigabytesAndEndAtTheLargestLength) {
    constexpr int64_t kFar = (int64_t(1) << 32) + 1;  // the low 32 bits name byte 1
    rt::Ref<> block = rt::Ref<>::adopt(newMemoryBlock(4));
    memorySetLong(block.get(), 0, 0x01020304);  // in the block's own order, which its stream takes
    rt::Ref<> overBlock = rt::Ref<>::adopt(RuntimeNewObject(RuntimeBinaryStreamClass()));
    BinaryStringMemoryBlockCtor(overBlock.get(), block.get());
    const struct {
        const char* label;
        BinaryStream stream;
    } rows[] = {
        {"string", BinaryStream::overString(String::fromBytes(bytes({1, 2, 3, 4}), kEncodingUnknown))},
        {"memory block", BinaryStream::retain(overBlock.get())},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const BinaryStream& stream = row.stream;
        stream.setPosition(kFar);
        EXPECT_EQ(stream.position(), kFar);
        EXPECT_TRUE(stream.read(1).empty());
        EXPECT_TRUE(stream.eof());
        stream.writeByte(0x7F);
        EXPECT_EQ(stream.lastErrorCode(), ENOSPC);
        stream.setLength(kFar);
        EXPECT_EQ(stream.lastErrorCode(), EINVAL);
        EXPECT_EQ(stream.length(), 4);
        stream.setPosition(0);
        EXPECT_EQ(stream.readLong(), 0x01020304);  // nothing landed at the low bits' byte
        stream.setPosition(INT32_MAX - 1);
        stream.writeShort(0x0102);  // would end one byte past the largest length
        EXPECT_EQ(stream.length(), 4);
    }
}

TEST_F(BinaryStreamTest, NilStreamIsReported) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(BinaryStreamLastErrorGetter(nullptr), 0);
    EXPECT_EQ(BinaryStreamReadLong(nullptr), 0);
    std::string report = testing::internal::GetCapturedStdout();
    EXPECT_NE(report.find("No binary stream to get last error code on!"), std::string::npos);
    EXPECT_NE(report.find("Failure Condition: stream"), std::string::npos);
}
