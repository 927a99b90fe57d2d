// The handler records that compiled image code carries in line, after a jump
// over them: where the frame walk finds the function's landing code.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

/// The in-line handler marker: 0x411 marks a handler, 0x412 and 0x413 open and
/// close a nested protected region.
inline constexpr uint32_t kHandlerMarker = 0x411;
inline constexpr uint32_t kRegionOpenMarker = 0x412;
inline constexpr uint32_t kRegionCloseMarker = 0x413;
inline constexpr size_t kHandlerRecordSize = 13;

/// Scans compiled code from its first byte for the handler record of the
/// function it lies in. Gives the record's offset, or nothing when the function
/// ends first (C9 C3 or 5D C3) or the bytes run out.
std::optional<size_t> FindHandlerRecord(const uint8_t* code, size_t size);
