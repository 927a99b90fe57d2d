// Lays a relocatable object out as a code image: the code block, the
// relocation stream, the symbols, the resources and the version block.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ElfObject.h"

struct ImageResourceInput {
    uint32_t type;  // four characters, first character in the high byte
    uint16_t id;
    std::vector<uint8_t> data;
};

struct ImageOptions {
    std::string entry = "ImageMain";          // the function the entry routine jumps to
    std::map<std::string, std::string> libraryOf;  // imports taken from a shared library
    std::vector<ImageResourceInput> resources;
    bool hasVersion = false;
    uint8_t versionNumbers[3] = {};
    std::string versionTexts[3];  // short version, long version, name
};

/// The image of `object`, in layout order with each block's size before it.
/// Throws std::runtime_error naming what the object holds that cannot be placed.
std::vector<uint8_t> BuildImage(const ElfObject& object, const ImageOptions& options);
