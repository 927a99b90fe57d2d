#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Common/exceptions.h"
#include "Common/objects.h"
#include "Common/runMemoryBlock.h"
#include "Common/MemoryBlock.h"
#include "Universal/VELQstring.h"

namespace {

using rt::MemoryBlock;

std::vector<uint8_t> bytesOf(const MemoryBlock& block) {
    auto* data = static_cast<const uint8_t*>(block.data());
    return std::vector<uint8_t>(data, data + block.size());
}

MemoryBlock blockOf(std::vector<uint8_t> bytes) {
    MemoryBlock block = MemoryBlock::ofSize(int32_t(bytes.size()));
    for (size_t i = 0; i < bytes.size(); ++i) block.setByte(int32_t(i), bytes[i]);
    return block;
}

void expectRaises(ExceptionKind kind, const std::function<void()>& action) {
    try {
        action();
        ADD_FAILURE() << "nothing was raised";
    } catch (const rt::RaisedException& e) {
        EXPECT_TRUE(e.is(kind));
    }
}

struct Accessor {
    const char* name;
    int32_t width;
    std::function<void(const MemoryBlock&, int32_t)> write;  // writes a known value
    std::function<bool(const MemoryBlock&, int32_t)> readsBack;
    std::vector<uint8_t> littleEndianBytes;  // what the known value looks like in memory
};

const std::vector<Accessor>& accessors() {
    static const std::vector<Accessor> rows = {
        {"Byte", 1, [](auto& b, int32_t o) { b.setByte(o, 0x1FE); },
         [](auto& b, int32_t o) { return b.byte(o) == 0xFE; }, {0xFE}},
        {"Int8", 1, [](auto& b, int32_t o) { b.setInt8(o, -2); },
         [](auto& b, int32_t o) { return b.int8(o) == -2; }, {0xFE}},
        {"Boolean", 1, [](auto& b, int32_t o) { b.setBoolean(o, true); },
         [](auto& b, int32_t o) { return b.boolean(o); }, {0x01}},
        {"Short", 2, [](auto& b, int32_t o) { b.setInt16(o, -2); },
         [](auto& b, int32_t o) { return b.int16(o) == -2; }, {0xFE, 0xFF}},
        {"UInt16", 2, [](auto& b, int32_t o) { b.setUInt16(o, 0xABCD); },
         [](auto& b, int32_t o) { return b.uint16(o) == 0xABCD; }, {0xCD, 0xAB}},
        {"Long", 4, [](auto& b, int32_t o) { b.setInt32(o, -0x12345679); },
         [](auto& b, int32_t o) { return b.int32(o) == -0x12345679; }, {0x87, 0xA9, 0xCB, 0xED}},
        {"UInt32", 4, [](auto& b, int32_t o) { b.setUInt32(o, 0xDEADBEEF); },
         [](auto& b, int32_t o) { return b.uint32(o) == 0xDEADBEEF; }, {0xEF, 0xBE, 0xAD, 0xDE}},
        {"Int64", 8, [](auto& b, int32_t o) { b.setInt64(o, -2); },
         [](auto& b, int32_t o) { return b.int64(o) == -2; }, {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"UInt64", 8, [](auto& b, int32_t o) { b.setUInt64(o, 0x0102030405060708ull); },
         [](auto& b, int32_t o) { return b.uint64(o) == 0x0102030405060708ull; }, {8, 7, 6, 5, 4, 3, 2, 1}},
        {"Single", 4, [](auto& b, int32_t o) { b.setSingle(o, 1.0); },
         [](auto& b, int32_t o) { return b.single(o) == 1.0f; }, {0x00, 0x00, 0x80, 0x3F}},
        {"Double", 8, [](auto& b, int32_t o) { b.setFloat64(o, -2.0); },
         [](auto& b, int32_t o) { return b.float64(o) == -2.0; }, {0, 0, 0, 0, 0, 0, 0x00, 0xC0}},
    };
    return rows;
}

} // namespace

TEST(MemoryBlock, NewBlockIsZeroFilledOwnedAndLittleEndian) {
    MemoryBlock block = MemoryBlock::ofSize(5);
    EXPECT_EQ(block.size(), 5);
    EXPECT_TRUE(block.littleEndian());
    EXPECT_EQ(bytesOf(block), std::vector<uint8_t>(5, 0));
    EXPECT_EQ(MemoryBlock::ofSize(-3).size(), 0);
    EXPECT_EQ(newMemoryBlock(-1), nullptr);
}

TEST(MemoryBlock, LongFollowsTheBlocksByteOrder) {
    MemoryBlock block = MemoryBlock::ofSize(4);
    block.setInt32(0, 1);
    EXPECT_EQ(bytesOf(block), (std::vector<uint8_t>{1, 0, 0, 0}));
    block.setLittleEndian(false);
    block.setInt32(0, 1);
    EXPECT_EQ(bytesOf(block), (std::vector<uint8_t>{0, 0, 0, 1}));
    EXPECT_EQ(block.int32(0), 1);
}

TEST(MemoryBlock, EveryAccessorUsesBothByteOrders) {
    for (const Accessor& row : accessors()) {
        for (bool little : {true, false}) {
            SCOPED_TRACE(std::string(row.name) + (little ? " little" : " big"));
            MemoryBlock block = MemoryBlock::ofSize(row.width + 3);
            block.setLittleEndian(little);
            row.write(block, 3);
            EXPECT_TRUE(row.readsBack(block, 3));
            std::vector<uint8_t> expected = row.littleEndianBytes;
            if (!little) std::reverse(expected.begin(), expected.end());
            std::vector<uint8_t> stored = bytesOf(block);
            EXPECT_EQ(std::vector<uint8_t>(stored.begin() + 3, stored.end()), expected);
            EXPECT_EQ(std::vector<uint8_t>(stored.begin(), stored.begin() + 3), std::vector<uint8_t>(3, 0));
        }
    }
}

TEST(MemoryBlock, EveryAccessorChecksBothEndsOfAnOwnedBlock) {
    for (const Accessor& row : accessors()) {
        SCOPED_TRACE(row.name);
        MemoryBlock block = MemoryBlock::ofSize(8);
        const int32_t last = 8 - row.width;
        row.write(block, last);
        EXPECT_TRUE(row.readsBack(block, last));
        for (int32_t offset : {-1, last + 1, 8, INT32_MAX}) {
            SCOPED_TRACE(offset);
            expectRaises(ExceptionKind::OutOfBoundsException, [&] { row.write(block, offset); });
            expectRaises(ExceptionKind::OutOfBoundsException, [&] { row.readsBack(block, offset); });
        }
        MemoryBlock empty = MemoryBlock::ofSize(0);
        expectRaises(ExceptionKind::OutOfBoundsException, [&] { row.readsBack(empty, 0); });
        expectRaises(ExceptionKind::OutOfBoundsException, [&] { row.write(empty, 0); });
        expectRaises(ExceptionKind::NilObjectException, [&] { row.readsBack(MemoryBlock(), 0); });
    }
}

TEST(MemoryBlock, OutOfBoundsWriteLeavesTheBlockUntouched) {
    MemoryBlock block = blockOf({1, 2, 3, 4});
    expectRaises(ExceptionKind::OutOfBoundsException, [&] { block.setInt32(1, -1); });
    EXPECT_EQ(bytesOf(block), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(MemoryBlock, PtrKeepsTheWholeAddress) {
    MemoryBlock target = MemoryBlock::ofSize(16);
    MemoryBlock holder = MemoryBlock::ofSize(int32_t(sizeof(void*)) + 2);
    holder.setLittleEndian(false);  // addresses stay in machine order whatever the block says
    holder.setPtr(2, target);
    MemoryBlock read = holder.ptr(2);
    EXPECT_EQ(read.data(), target.data());
    EXPECT_EQ(read.size(), -1);
    read.setByte(15, 7);
    EXPECT_EQ(target.byte(15), 7);

    holder.setPtr(2, MemoryBlock());
    EXPECT_EQ(holder.ptr(2).data(), nullptr);
    expectRaises(ExceptionKind::OutOfBoundsException, [&] { holder.ptr(3); });
    expectRaises(ExceptionKind::OutOfBoundsException, [&] { holder.setPtr(3, target); });
}

TEST(MemoryBlock, WrappedAddressIsUncheckedAndNeverFreed) {
    uint8_t buffer[8] = {0};
    {
        MemoryBlock wrapped = MemoryBlock::wrap(buffer);
        EXPECT_EQ(wrapped.size(), -1);
        wrapped.setInt32(4, 0x01020304);
        EXPECT_EQ(buffer[4], 4);
        EXPECT_EQ(wrapped.cString(0).length(), 0u);
    }
    EXPECT_EQ(buffer[7], 1);  // still ours after the block went away
    MemoryBlock wrappedNil = MemoryBlock::wrap(nullptr);
    expectRaises(ExceptionKind::OutOfBoundsException, [&] { wrappedNil.byte(0); });
}

TEST(MemoryBlockSize, GrowsKeepsAndZeroFills) {
    MemoryBlock block = blockOf({1, 2, 3, 4});
    block.setSize(8);
    EXPECT_EQ(bytesOf(block), (std::vector<uint8_t>{1, 2, 3, 4, 0, 0, 0, 0}));
    block.setSize(2);
    EXPECT_EQ(bytesOf(block), (std::vector<uint8_t>{1, 2}));
    block.setSize(0);
    EXPECT_EQ(block.size(), 0);
    EXPECT_EQ(block.data(), nullptr);
    expectRaises(ExceptionKind::OutOfBoundsException, [&] { block.setSize(-1); });
}

TEST(MemoryBlockSize, ResizingAWrappedAddressMakesAnOwnedBlock) {
    uint8_t buffer[4] = {9, 9, 9, 9};
    MemoryBlock block = MemoryBlock::wrap(buffer);
    block.setSize(3);
    EXPECT_EQ(block.size(), 3);
    EXPECT_NE(block.data(), buffer);
    EXPECT_EQ(bytesOf(block), (std::vector<uint8_t>{0, 0, 0}));
    expectRaises(ExceptionKind::OutOfBoundsException, [&] { block.byte(3); });
}

TEST(MemoryBlock, MidBLeftBRightBCutCopies) {
    MemoryBlock block = blockOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    block.setLittleEndian(false);
    struct Row {
        const char* what;
        MemoryBlock part;
        std::vector<uint8_t> expected;  // empty: nil
    };
    const Row rows[] = {
        {"MidB(-2, 5)", block.midB(-2, 5), {0, 1, 2}},
        {"MidB(10)", block.midB(10), {}},
        {"MidB(8, 5)", block.midB(8, 5), {8, 9}},
        {"MidB(3)", block.midB(3), {3, 4, 5, 6, 7, 8, 9}},
        {"MidB(2, 0)", block.midB(2, 0), {}},
        {"MidB(-20, 5)", block.midB(-20, 5), {}},
        {"LeftB(2)", block.leftB(2), {0, 1}},
        {"LeftB(99)", block.leftB(99), {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"RightB(3)", block.rightB(3), {7, 8, 9}},
        {"RightB(0)", block.rightB(0), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.expected.empty()) {
            EXPECT_FALSE(row.part);
            continue;
        }
        ASSERT_TRUE(row.part);
        EXPECT_EQ(bytesOf(row.part), row.expected);
        EXPECT_FALSE(row.part.littleEndian());
        EXPECT_NE(row.part.data(), block.data());
    }
}

TEST(MemoryBlock, CompareOrdersByUnsignedBytesThenLength) {
    uint8_t buffer[1] = {0};
    struct Row {
        const char* what;
        MemoryBlock a, b;
        int expected;
    };
    MemoryBlock same = blockOf({5});
    const Row rows[] = {
        {"01 02 < 01 02 03", blockOf({1, 2}), blockOf({1, 2, 3}), -1},
        {"02 > 01 FF", blockOf({2}), blockOf({1, 0xFF}), 1},
        {"80 > 7F", blockOf({0x80}), blockOf({0x7F}), 1},
        {"equal bytes", blockOf({1, 2}), blockOf({1, 2}), 0},
        {"same object", same, same, 0},
        {"nil, nil", MemoryBlock(), MemoryBlock(), 0},
        {"empty, nil", MemoryBlock::ofSize(0), MemoryBlock(), 0},
        {"nil, empty", MemoryBlock(), MemoryBlock::ofSize(0), 0},
        {"bytes, nil", blockOf({1}), MemoryBlock(), 1},
        {"nil, bytes", MemoryBlock(), blockOf({1}), -1},
        {"wrapped, nil", MemoryBlock::wrap(buffer), MemoryBlock(), -1},
        {"nil, wrapped", MemoryBlock(), MemoryBlock::wrap(buffer), -1},
        {"wrapped, wrapped same address", MemoryBlock::wrap(buffer), MemoryBlock::wrap(buffer), 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(compare(row.a, row.b), row.expected);
    }
}

TEST(MemoryBlock, AddJoinsBytesAndSkipsNil) {
    MemoryBlock joined = blockOf({1, 2}) + blockOf({3});
    EXPECT_EQ(bytesOf(joined), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(bytesOf(MemoryBlock() + blockOf({4})), (std::vector<uint8_t>{4}));
    MemoryBlock nothing = MemoryBlock() + MemoryBlock();
    ASSERT_TRUE(nothing);
    EXPECT_EQ(nothing.size(), 0);
}

TEST(MemoryBlock, ConvertsToAndFromStrings) {
    rt::String text = rt::String::fromBytes(std::string_view("a\0b", 3), kEncodingUTF8);
    MemoryBlock block = MemoryBlock::fromString(text);
    EXPECT_EQ(bytesOf(block), (std::vector<uint8_t>{'a', 0, 'b'}));
    rt::String back = block.toString();
    EXPECT_EQ(back.bytes(), std::string_view("a\0b", 3));
    EXPECT_EQ(back.encoding(), kEncodingUnknown);
    EXPECT_EQ(MemoryBlock::fromString(rt::String()).size(), 0);
    EXPECT_TRUE(MemoryBlock::ofSize(0).toString().empty());
}

TEST(MemoryBlockStrings, PStringWritesTheLowByteOfItsLength) {
    MemoryBlock block = MemoryBlock::ofSize(301);
    std::string text(300, 'x');
    block.setPString(0, rt::String(text));
    EXPECT_EQ(block.byte(0), 44);
    EXPECT_EQ(block.byte(300), 'x');
    EXPECT_EQ(block.pString(0).str(), std::string(44, 'x'));
    EXPECT_EQ(block.pString(0).encoding(), kEncodingUnknown);
    expectRaises(ExceptionKind::OutOfBoundsException, [&] { block.setPString(1, rt::String(text)); });
    block.setByte(290, 20);  // a length running past the end
    expectRaises(ExceptionKind::OutOfBoundsException, [&] { block.pString(290); });
}

TEST(MemoryBlockStrings, CStringStopsAtNulOrTheEndOfTheBlock) {
    MemoryBlock block = MemoryBlock::ofSize(6);
    block.setCString(0, rt::String("abc"));
    EXPECT_EQ(block.cString(0).str(), "abc");
    EXPECT_EQ(block.cString(1).str(), "bc");
    expectRaises(ExceptionKind::OutOfBoundsException, [&] { block.setCString(1, rt::String("abcde")); });
    MemoryBlock full = blockOf({'x', 'y', 'z'});
    EXPECT_EQ(full.cString(1).str(), "yz");
    expectRaises(ExceptionKind::OutOfBoundsException, [&] { full.cString(3); });
    expectRaises(ExceptionKind::OutOfBoundsException, [&] { full.cString(-1); });
}

TEST(MemoryBlockStrings, WStringWritesUtf16UnitsAsThirtyTwoBitUnits) {
    rt::String text("A\xC3\xA9\xE2\x82\xAC");  // A, e acute, euro sign
    MemoryBlock block = MemoryBlock::ofSize(16);
    block.setWString(0, text);
    EXPECT_EQ(bytesOf(block), (std::vector<uint8_t>{0x41, 0, 0, 0, 0xE9, 0, 0, 0, 0xAC, 0x20, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(block.wString(0).str(), text.str());
    block.setLittleEndian(false);
    block.setWString(0, text);
    EXPECT_EQ(block.byte(3), 0x41);
    EXPECT_EQ(block.byte(10), 0x20);
    EXPECT_EQ(block.wString(0).str(), text.str());
    expectRaises(ExceptionKind::OutOfBoundsException, [&] { block.setWString(4, text); });

    struct Row {
        const char* what;
        rt::String text;
        std::vector<uint32_t> units;
    };
    const Row rows[] = {
        {"ISO Latin-1", rt::String::fromBytes("\xE9t\xE9", 0x201), {0xE9, 't', 0xE9}},
        {"UTF-16", rt::String::fromBytes(std::string_view("h\0i\0", 4), kEncodingUTF16), {'h', 'i'}},
        {"beyond 16 bits", rt::String("\xF0\x9F\x98\x80"), {0xD83D, 0xDE00}},
        {"unknown code", rt::String::fromBytes("\xFF", kEncodingUnknown), {0xFF}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        MemoryBlock units = MemoryBlock::ofSize(24);
        units.setWString(0, row.text);
        for (size_t i = 0; i <= row.units.size(); ++i)
            EXPECT_EQ(units.uint32(int32_t(4 * i)), i < row.units.size() ? row.units[i] : 0u) << i;
    }

    MemoryBlock unterminated = MemoryBlock::ofSize(8);
    unterminated.setUInt32(0, 'h');
    unterminated.setUInt32(4, 'i');
    EXPECT_EQ(unterminated.wString(0).str(), "hi");
}

TEST(MemoryBlockStrings, StringValueCutsOrZeroFills) {
    MemoryBlock block = blockOf({9, 9, 9, 9, 9});
    block.setStringValue(1, 3, rt::String("abcdef"));
    EXPECT_EQ(bytesOf(block), (std::vector<uint8_t>{9, 'a', 'b', 'c', 9}));
    block.setStringValue(0, 4, rt::String("z"));
    EXPECT_EQ(bytesOf(block), (std::vector<uint8_t>{'z', 0, 0, 0, 9}));
    EXPECT_EQ(block.stringValue(0, 5).bytes(), std::string_view("z\0\0\0\x09", 5));
    EXPECT_TRUE(block.stringValue(2, 0).empty());
    expectRaises(ExceptionKind::OutOfBoundsException, [&] { block.stringValue(2, 4); });
    expectRaises(ExceptionKind::OutOfBoundsException, [&] { block.stringValue(0, -1); });
    expectRaises(ExceptionKind::OutOfBoundsException, [&] { block.setStringValue(3, 3, rt::String("a")); });
}

TEST(MemoryBlock, LeavesNoObjectsOrStringsBehind) {
    // The leak check that follows every test counts what these leave behind.
    {
        MemoryBlock block = blockOf({1, 2, 3});
        block.setPString(0, rt::String("ab"));
        MemoryBlock copy = block.midB(1) + MemoryBlock::fromString(block.toString());
        copy.setSize(40);
        copy.setPtr(0, block);
        (void)copy.ptr(0).size();
        (void)copy.wString(12).str();
        expectRaises(ExceptionKind::OutOfBoundsException, [&] { block.int64(0); });
        expectRaises(ExceptionKind::OutOfBoundsException, [&] { block.setCString(0, rt::String("long text")); });
    }
}
