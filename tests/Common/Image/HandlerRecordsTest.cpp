#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "Common/Image/HandlerRecords.h"

TEST(HandlerScan, FindsRecordsSkipsJumpsAndStopsAtTheFunctionEnd) {
    struct Row {
        const char* name;
        std::vector<uint8_t> code;
        std::optional<size_t> expected;
    };
    auto record = [](uint32_t marker, uint8_t opcode = 0xE9) {
        return std::vector<uint8_t>{opcode, 0, 0, 0, 0, uint8_t(marker), uint8_t(marker >> 8), 0, 0, 0, 0, 0xF0, 0xFF};
    };
    auto join = [](std::initializer_list<std::vector<uint8_t>> parts) {
        std::vector<uint8_t> all;
        for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    const Row rows[] = {
        {"plain handler", join({{0x90, 0x90}, record(0x411)}), 2},
        {"short jump opcode", join({{0x90}, record(0x411, 0xEB)}), 1},
        {"function ends first", join({{0x90, 0xC9, 0xC3}, record(0x411)}), std::nullopt},
        {"pop ebp ret ends too", join({{0x5D, 0xC3}, record(0x411)}), std::nullopt},
        {"end pair inside an operand still ends", {0xB8, 0x5D, 0xC3, 0x00, 0x00}, std::nullopt},
        {"nested region is skipped", join({record(0x412), record(0x411), record(0x413), record(0x411)}), 39},
        {"close without open keeps depth zero", join({record(0x413), record(0x411)}), 13},
        // A plain near jump is stepped over whole: the marker bytes hidden in its
        // five bytes are never looked at as an opcode.
        {"ordinary jump skipped", join({{0xE9, 0xE9, 0x00, 0x00, 0x00}, record(0x411)}), 5},
        {"no handler before the bytes run out", {0x90, 0x90, 0x90}, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FindHandlerRecord(row.code.data(), row.code.size()), row.expected);
    }
}
