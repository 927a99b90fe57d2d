// The code-image loader: finds the image in the program's own executable (or
// the development files of the working folder), places its blocks in memory,
// links it to the entry-point table and runs its entry routine.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

/// The blocks of an image as they were read, in layout order.
struct ImageBlocks {
    std::vector<uint8_t> code, data, relocations, symbols, resources, options;
    uint64_t resourcesPosition = 0;  // file offset of the resources block; 0 for development files
};

/// A registered resource: its data stays in memory for the life of the process.
struct ImageResource {
    const uint8_t* data;
    uint32_t length;
    uint64_t filePosition;
};

/// The resource type of the version block, "VERS".
inline constexpr uint32_t kVersionResourceType = 0x56455253;

/// Whether the executable at `executablePath` carries an image in section ".vq".
bool RuntimeHoldsImage(const std::string& executablePath);

/// Reads the image from section ".vq" of `executablePath`; when the file or
/// its section cannot be read, from the development files of the working folder.
ImageBlocks RuntimeReadImage(const std::string& executablePath);

/// Places the blocks in memory, applies the relocations, registers resources
/// and the version block, and makes the image the loaded one. Gives the
/// address of the entry routine (code offset 0), or 0 when there is no code.
uintptr_t RuntimeLinkImage(const ImageBlocks& blocks);

/// Loads the image of `executablePath` and calls its entry routine; gives the
/// routine's result, the application's exit code (1 when there is no code).
int32_t RuntimeLoadAndRunImage(const std::string& executablePath);

/// The registered resource of `type` and `id`, or null.
const ImageResource* RuntimeFindImageResource(uint32_t type, int16_t id);

/// The loaded image's code block; empty before any load.
std::span<const uint8_t> RuntimeImageCodeBlock();

/// The loaded image's code as it was built, with every field the linker
/// patched read as zeros: the bytes the handler scan reads. A patched field's
/// bytes change with the address the image and its targets were loaded at; a
/// scan over them could take a call's displacement for a jump and leap past the
/// end of a function into the next one's handler.
std::span<const uint8_t> RuntimeImageScanCode();

/// Whether `address` lies in the loaded image's code block.
bool RuntimeIsImageCode(uintptr_t address);

/// A symbol of the loaded image and how far past its start an address lies.
struct CodeAddressName {
    std::string name;
    uint32_t distance;
};

/// Names a code address: the last symbol below it, when it lies in the code
/// block and the image has symbols.
std::optional<CodeAddressName> RuntimeNameCodeAddress(uintptr_t address);

extern "C" {
/// The data of the loaded image's resource of `type` and `id` (borrowed, lives
/// as long as the process), its length in *length; null and 0 when absent.
const void* RuntimeGetResourceData(uint32_t type, int32_t id, uint32_t* length);
}
