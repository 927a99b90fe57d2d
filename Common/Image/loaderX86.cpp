#include "Common/Image/loaderX86.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <utility>

#include "Common/Image/ImageMemory.h"
#include "Common/Image/ImageUnwind.h"
#include "Common/assertion.h"
#include "Common/exceptions.h"
#include "Common/Image/relocentry.h"
#include "Common/Linux/SharedLibrariesUnix.h"
#include "Universal/VELQstring.h"

namespace {

constexpr size_t kCodeAlignment = 4096;
constexpr size_t kResourceHeaderSize = 14;   // type, id, 4 unused bytes, length
constexpr size_t kVersionFixedSize = 24;

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

struct LoadedImage {
    uint8_t* code = nullptr;
    uint32_t codeSize = 0;
    uint8_t* data = nullptr;
    uint32_t dataSize = 0;
    ImageBlocks blocks;  // the symbols, resources and options stay here
    std::vector<uint8_t> scanCode;  // the code as built, patched fields zeroed
    std::map<std::pair<uint32_t, int16_t>, ImageResource> resources;
};

// Nothing is ever unloaded; each load makes a new current image.
std::deque<LoadedImage> gImages;
std::map<std::string, void*> gLibraries;  // shared libraries loaded for kind 4 imports

LoadedImage* current() { return gImages.empty() ? nullptr : &gImages.back(); }

uint32_t readU32(const uint8_t* p) {
    uint32_t value;
    std::memcpy(&value, p, 4);
    return value;
}

// Reads `length` bytes at `offset` of the file; false when they are not all there.
bool readAt(FILE* file, uint64_t offset, void* buffer, size_t length) {
    return fseeko(file, off_t(offset), SEEK_SET) == 0 && std::fread(buffer, 1, length, file) == length;
}

template <typename T>
bool readValue(FILE* file, uint64_t offset, T& value) {
    return readAt(file, offset, &value, sizeof value);
}

// The file offset of section ".vq", found through the ELF header of this
// build's word size.
std::optional<uint64_t> findImageSection(FILE* file) {
#if UINTPTR_MAX > 0xFFFFFFFFu
    using Offset = uint64_t;
    constexpr uint64_t kTablePosition = 40, kEntrySize = 58, kCount = 60, kNamesIndex = 62;
    constexpr uint64_t kSectionOffset = 24;
#else
    using Offset = uint32_t;
    constexpr uint64_t kTablePosition = 32, kEntrySize = 46, kCount = 48, kNamesIndex = 50;
    constexpr uint64_t kSectionOffset = 16;
#endif
    Offset table;
    uint16_t entrySize, count, namesIndex;
    if (!readValue(file, kTablePosition, table) || !readValue(file, kEntrySize, entrySize) ||
        !readValue(file, kCount, count) || !readValue(file, kNamesIndex, namesIndex))
        return std::nullopt;
    Offset namesOffset;
    if (!readValue(file, table + uint64_t(namesIndex) * entrySize + kSectionOffset, namesOffset))
        return std::nullopt;
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t header = table + uint64_t(i) * entrySize;
        uint32_t nameOffset;
        char name[4];
        if (!readValue(file, header, nameOffset) || !readAt(file, uint64_t(namesOffset) + nameOffset, name, 4))
            continue;
        Offset sectionOffset;
        if (std::memcmp(name, ".vq", 4) == 0 && readValue(file, header + kSectionOffset, sectionOffset))
            return sectionOffset;
    }
    return std::nullopt;
}

// One block: its u32 size, then its bytes. A block that runs past the end of
// the file keeps the bytes that are there.
std::vector<uint8_t> readBlock(FILE* file) {
    uint32_t size = 0;
    if (std::fread(&size, 1, 4, file) != 4) return {};
    std::vector<uint8_t> block;
    constexpr size_t kChunk = 1 << 20;
    // Grown as the bytes arrive, so a corrupt size cannot claim gigabytes.
    while (block.size() < size) {
        size_t before = block.size();
        block.resize(before + std::min<size_t>(kChunk, size - before));
        size_t got = std::fread(block.data() + before, 1, block.size() - before, file);
        if (before + got < block.size()) {
            block.resize(before + got);
            break;
        }
    }
    return block;
}

std::optional<ImageBlocks> readSection(const std::string& executablePath) {
    File file(std::fopen(executablePath.c_str(), "rb"));
    if (!file) {
        std::string message = "Can't open executable " + executablePath;
        RUNTIME_ASSERT_FAILED("loaderX86", "exeFile", message.c_str());
        return std::nullopt;
    }
    std::optional<uint64_t> section = findImageSection(file.get());
    if (!section || fseeko(file.get(), off_t(*section), SEEK_SET) != 0) return std::nullopt;
    ImageBlocks blocks;
    blocks.code = readBlock(file.get());
    blocks.data = readBlock(file.get());
    blocks.relocations = readBlock(file.get());
    blocks.symbols = readBlock(file.get());
    blocks.resourcesPosition = uint64_t(ftello(file.get())) + 4;
    blocks.resources = readBlock(file.get());
    blocks.options = readBlock(file.get());
    return blocks;
}

} // namespace

bool RuntimeHoldsImage(const std::string& executablePath) {
    File file(std::fopen(executablePath.c_str(), "rb"));
    return file && findImageSection(file.get()).has_value();
}

namespace {

std::vector<uint8_t> readWholeFile(const char* name) {
    File file(std::fopen(name, "rb"));
    std::vector<uint8_t> bytes;
    if (!file) return bytes;
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    return bytes;
}

ImageBlocks readDevelopmentFiles() {
    ImageBlocks blocks;
    blocks.relocations = readWholeFile("import.dat");
    blocks.code = readWholeFile("code.dat");
    blocks.data = readWholeFile("data.dat");
    blocks.resources = readWholeFile("rsrc.dat");
    blocks.options = readWholeFile("options.dat");
    blocks.symbols = readWholeFile("symbols.dat");
    return blocks;
}

// Reads the records of a block without ever reading past its end.
class BlockReader {
public:
    explicit BlockReader(const std::vector<uint8_t>& block) : block_(block) {}
    bool atEnd() const { return at_ >= block_.size(); }
    size_t offset() const { return at_; }
    bool has(size_t count) const { return count <= block_.size() - at_; }
    const uint8_t* take(size_t count) {
        const uint8_t* p = block_.data() + at_;
        at_ += count;
        return p;
    }
    bool u8(uint8_t& value) { return has(1) && (value = *take(1), true); }
    bool u32(uint32_t& value) { return has(4) && (value = readU32(take(4)), true); }
    // A length byte, that many bytes, then a NUL.
    bool name(std::string& value) {
        uint8_t length;
        if (!u8(length) || !has(size_t(length) + 1)) return false;
        value.assign(reinterpret_cast<const char*>(take(length)), length);
        take(1);
        return true;
    }
    void skip(size_t count) { at_ += std::min(count, block_.size() - at_); }

private:
    const std::vector<uint8_t>& block_;
    size_t at_ = 0;
};

class Linker {
public:
    explicit Linker(LoadedImage& image) : image_(image) {}

    void applyRelocations() {
        BlockReader reader(image_.blocks.relocations);
        while (!reader.atEnd()) {
            uint8_t kind = 0;
            reader.u8(kind);
            bool complete = true;
            switch (kind) {
            case 1: complete = runtimeImport(reader); break;
            case 2: complete = rebase(reader, image_.data); break;
            case 3: complete = rebase(reader, image_.code); break;
            case 4: complete = libraryImport(reader); break;
            case 5: complete = stringRecord(reader); break;
            default: break;  // an unknown kind byte stands alone
            }
            if (!complete) {
                RUNTIME_ASSERT_FAILED("loaderX86", "relocation record complete",
                                      "The relocation stream ends inside a record");
                return;
            }
        }
    }

private:
    // The field at `site`, which the caller patches: the scan copy reads it as zeros.
    uint8_t* field(uint32_t site) {
        if (site > image_.codeSize || image_.codeSize - site < 4) {
            RUNTIME_ASSERT_FAILED("loaderX86", "site + 4 <= codeSize", "Relocation site outside the code");
            return nullptr;
        }
        std::memset(image_.scanCode.data() + site, 0, 4);
        return image_.code + site;
    }

    uint32_t displacement(uint32_t target, uint32_t site) const {
        return target - (uint32_t(reinterpret_cast<uintptr_t>(image_.code)) + site + 4);
    }

    // Patches the chain of sites that starts at `first`: before patching, each
    // field holds the offset of the next site, and 0 ends the chain.
    void patchChain(uint32_t first, uint32_t target, bool relative) {
        // A chain can visit at most every field once; a longer one loops.
        for (uint32_t site = first, steps = 0; site != 0 && steps <= image_.codeSize; ++steps) {
            uint8_t* p = field(site);
            if (!p) return;
            uint32_t next = readU32(p);
            uint32_t value = relative ? displacement(target, site) : target;
            std::memcpy(p, &value, 4);
            site = next;
        }
    }

    bool runtimeImport(BlockReader& reader) {
        uint8_t relative;
        uint32_t first;
        std::string name;
        if (!reader.u8(relative) || !reader.u32(first) || !reader.name(name)) return false;
        void* function = RuntimeFindEntryPointForLinking(name.c_str());
        uint32_t target;
        if (function) {
            target = ImageCallTarget(function);
        } else {
            std::string message = "Function '" + name + "' was not exported";
            RUNTIME_ASSERT_FAILED("loaderX86", "foundFunction", message.c_str());
            target = ImageMissingImportTarget(message);
        }
        patchChain(first, target, relative == 1);
        return true;
    }

    bool libraryImport(BlockReader& reader) {
        uint32_t first;
        std::string symbol, library;
        if (!reader.u32(first) || !reader.name(symbol) || !reader.name(library)) return false;
        void* function = nullptr;
        if (void* handle = loadLibrary(library)) function = SharedLibrarySymbol(handle, symbol);
        uint32_t target;
        std::string message = "Could not resolve function '" + symbol + "' in " + library;
        if (function) {
            target = ImageCallTarget(function);
        } else {
            RUNTIME_ASSERT_FAILED("loaderX86", "functionEntry", message.c_str());
            target = ImageMissingImportTarget(message);
        }
        patchChain(first, target, true);
        return true;
    }

    static void* loadLibrary(const std::string& library) {
        if (auto found = gLibraries.find(library); found != gLibraries.end()) return found->second;
        void* handle = OpenSharedLibrary(library);
        if (!handle) {
            std::string message = "Missing shared library " + library;
            RUNTIME_ASSERT_FAILED("loaderX86", "lib->mLibraryHandle", message.c_str());
            return nullptr;
        }
        gLibraries.emplace(library, handle);
        return handle;
    }

    bool rebase(BlockReader& reader, const uint8_t* base) {
        uint32_t site;
        if (!reader.u32(site)) return false;
        if (uint8_t* p = field(site)) {
            uint32_t value = readU32(p) + uint32_t(reinterpret_cast<uintptr_t>(base));
            std::memcpy(p, &value, 4);
        }
        return true;
    }

    bool stringRecord(BlockReader& reader) {
        uint32_t site;
        if (!reader.u32(site)) return false;
        uint8_t* p = field(site);
        if (!p) return true;
        uint32_t offset = readU32(p);
        if (offset > image_.dataSize || image_.dataSize - offset < sizeof(StringRecord)) {
            RUNTIME_ASSERT_FAILED("loaderX86", "offset + sizeof(StringRecord) <= dataSize",
                                  "String record outside the data");
            return true;
        }
        uint8_t* record = image_.data + offset;
        uint32_t address = uint32_t(reinterpret_cast<uintptr_t>(record));
        std::memcpy(p, &address, 4);
        uint8_t* textPointer = record + offsetof(StringRecord, shortLengthByte);
        uint8_t* textStart;
        std::memcpy(&textStart, textPointer, sizeof textStart);
        if (!textStart) {
            textStart = record + offsetof(StringRecord, shortLength);
            std::memcpy(textPointer, &textStart, sizeof textStart);
        }
        return true;
    }

    LoadedImage& image_;
};

void registerResources(LoadedImage& image) {
    BlockReader reader(image.blocks.resources);
    while (!reader.atEnd()) {
        size_t recordOffset = reader.offset();
        if (!reader.has(kResourceHeaderSize)) break;
        const uint8_t* header = reader.take(kResourceHeaderSize);
        uint32_t type = readU32(header);
        int16_t id;
        std::memcpy(&id, header + 4, 2);
        uint32_t length = readU32(header + 10);
        if (!reader.has(length)) {
            RUNTIME_ASSERT_FAILED("loaderX86", "resource complete", "The resources end inside a record");
            break;
        }
        image.resources[{type, id}] = {reader.take(length), length,
                                       image.blocks.resourcesPosition + recordOffset + kResourceHeaderSize};
    }
}

void walkOptions(LoadedImage& image) {
    BlockReader reader(image.blocks.options);
    while (!reader.atEnd()) {
        uint8_t kind;
        reader.u8(kind);
        if (kind == 1) {
            uint8_t rows = 0, columns = 0;
            reader.u8(rows);
            reader.u8(columns);
            reader.skip(4 * size_t(rows) * columns);
        } else if (kind == 2) {
            const uint8_t* block = image.blocks.options.data() + reader.offset();
            size_t length = kVersionFixedSize;
            bool complete = reader.has(kVersionFixedSize);
            reader.skip(kVersionFixedSize);
            for (int i = 0; i < 3 && complete; ++i) {
                uint8_t textLength;
                complete = reader.u8(textLength) && reader.has(textLength);
                if (complete) reader.skip(textLength);
                length += 1 + textLength;
            }
            if (!complete) {
                RUNTIME_ASSERT_FAILED("loaderX86", "version block complete", "The options end inside the version block");
                return;
            }
            image.resources[{kVersionResourceType, 0}] = {block, uint32_t(length), 0};
        } else {
            RUNTIME_ASSERT_FAILED("loaderX86", "0", nullptr);
        }
    }
}

// Symbol entry `i`: its code offset and name, or nothing when the block is malformed there.
struct SymbolTable {
    const std::vector<uint8_t>& block;
    uint32_t count() const {
        if (block.size() < 4) return 0;
        uint32_t n = readU32(block.data());
        return n <= (block.size() - 4) / 8 ? n : 0;
    }
    uint32_t codeOffset(uint32_t i) const { return readU32(block.data() + 4 + 8 * size_t(i)); }
    std::string name(uint32_t i) const {
        size_t names = 4 + 8 * size_t(count());
        size_t start = names + readU32(block.data() + 8 + 8 * size_t(i));
        if (start >= block.size()) return {};
        const char* text = reinterpret_cast<const char*>(block.data() + start);
        return std::string(text, strnlen(text, block.size() - start));
    }
};

} // namespace

ImageBlocks RuntimeReadImage(const std::string& executablePath) {
    if (std::optional<ImageBlocks> blocks = readSection(executablePath)) return std::move(*blocks);
    return readDevelopmentFiles();
}

uintptr_t RuntimeLinkImage(const ImageBlocks& blocks) {
    LoadedImage& image = gImages.emplace_back();
    image.blocks = blocks;
    image.codeSize = uint32_t(blocks.code.size());
    image.dataSize = uint32_t(blocks.data.size());
    // Rounded up to whole pages: the memory comes page-aligned.
    image.code = AllocateImageMemory((image.codeSize + kCodeAlignment - 1) / kCodeAlignment * kCodeAlignment);
    image.data = AllocateImageMemory(image.dataSize);
    if (!image.code || !image.data) {
        RUNTIME_ASSERT_FAILED("loaderX86", "codeMemory && dataMemory", "The code image does not fit in memory");
        image.codeSize = image.dataSize = 0;
        return 0;
    }
    // An empty block has no bytes to copy (and its vector may hold no buffer).
    if (image.codeSize) std::memcpy(image.code, blocks.code.data(), image.codeSize);
    image.scanCode = std::move(image.blocks.code);
    if (image.dataSize) std::memcpy(image.data, blocks.data.data(), image.dataSize);
    if (int error = MakeImageCodeExecutable(image.code, image.codeSize)) {
        std::printf("Loader failed to protect memory, error #%d\n", error);
        std::fflush(stdout);
    }
    Linker(image).applyRelocations();
    registerResources(image);
    walkOptions(image);
    if (image.codeSize) RegisterImageFrames(image.code, image.codeSize);
    return image.codeSize ? reinterpret_cast<uintptr_t>(image.code) : 0;
}

int32_t RuntimeLoadAndRunImage(const std::string& executablePath) {
    uintptr_t entry = RuntimeLinkImage(RuntimeReadImage(executablePath));
    if (!entry) {
        RUNTIME_ASSERT_FAILED("loaderX86", "codeSize > 0", "The code image has no code");
        return 1;
    }
    return reinterpret_cast<int32_t (*)()>(entry)();
}

const ImageResource* RuntimeFindImageResource(uint32_t type, int16_t id) {
    LoadedImage* image = current();
    if (!image) return nullptr;
    auto found = image->resources.find({type, id});
    return found == image->resources.end() ? nullptr : &found->second;
}

std::span<const uint8_t> RuntimeImageCodeBlock() {
    LoadedImage* image = current();
    return image ? std::span<const uint8_t>(image->code, image->codeSize) : std::span<const uint8_t>();
}

std::span<const uint8_t> RuntimeImageScanCode() {
    LoadedImage* image = current();
    return image ? std::span<const uint8_t>(image->scanCode) : std::span<const uint8_t>();
}

bool RuntimeIsImageCode(uintptr_t address) {
    LoadedImage* image = current();
    return image && address >= reinterpret_cast<uintptr_t>(image->code) &&
           address - reinterpret_cast<uintptr_t>(image->code) < image->codeSize;
}

std::optional<CodeAddressName> RuntimeNameCodeAddress(uintptr_t address) {
    if (!RuntimeIsImageCode(address)) return std::nullopt;
    LoadedImage& image = *current();
    SymbolTable symbols{image.blocks.symbols};
    auto offset = uint32_t(address - reinterpret_cast<uintptr_t>(image.code));
    std::optional<uint32_t> last;
    for (uint32_t i = 0; i < symbols.count() && symbols.codeOffset(i) < offset; ++i) last = i;
    if (!last) return std::nullopt;
    return CodeAddressName{symbols.name(*last), offset - symbols.codeOffset(*last)};
}

extern "C" const void* RuntimeGetResourceData(uint32_t type, int32_t id, uint32_t* length) {
    const ImageResource* resource = RuntimeFindImageResource(type, int16_t(id));
    if (length) *length = resource ? resource->length : 0;
    return resource ? resource->data : nullptr;
}
