#include "ImageBuilder.h"

#include <elf.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

// The entry routine at code offset 0 is a jump to the entry function.
constexpr uint32_t kEntryStubSize = 16;

void putU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}
void setU32(std::vector<uint8_t>& out, uint64_t at, uint32_t value) { std::memcpy(out.data() + at, &value, 4); }
void putBlock(std::vector<uint8_t>& out, const std::vector<uint8_t>& block) {
    putU32(out, uint32_t(block.size()));
    out.insert(out.end(), block.begin(), block.end());
}
void putCounted(std::vector<uint8_t>& out, const std::string& text) {
    if (text.size() > 255) throw std::runtime_error("name longer than 255 bytes: " + text);
    out.push_back(uint8_t(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

class Builder {
public:
    Builder(const ElfObject& object, const ImageOptions& options) : object_(object), options_(options) {}

    std::vector<uint8_t> build() {
        layOut();
        for (const ObjectRelocation& relocation : object_.relocations) place(relocation);
        linkEntry();
        writeImports();
        std::vector<uint8_t> image;
        putBlock(image, code_);
        putBlock(image, {});  // data lives in the code block, so code-relative addressing reaches it
        putBlock(image, relocations_);
        putBlock(image, symbols());
        putBlock(image, resources());
        putBlock(image, versionOptions());
        return image;
    }

private:
    // Code sections first, then the other allocated ones. The unwind table is
    // left out: the loader describes image frames to the unwinder itself.
    void layOut() {
        code_.assign(kEntryStubSize, 0xCC);
        base_.assign(object_.sections.size(), UINT64_MAX);
        for (bool executable : {true, false}) {
            for (size_t i = 0; i < object_.sections.size(); ++i) {
                const ObjectSection& section = object_.sections[i];
                if (!(section.flags & SHF_ALLOC) || bool(section.flags & SHF_EXECINSTR) != executable ||
                    section.name == ".eh_frame")
                    continue;
                code_.resize((code_.size() + section.alignment - 1) / section.alignment * section.alignment, 0);
                base_[i] = code_.size();
                code_.insert(code_.end(), section.bytes.begin(), section.bytes.end());
            }
        }
        if (code_.size() > UINT32_MAX) throw std::runtime_error("code block too large");
    }

    uint64_t symbolOffset(const ObjectSymbol& symbol) const {
        if (symbol.section >= base_.size() || base_[symbol.section] == UINT64_MAX)
            throw std::runtime_error("symbol '" + symbol.name + "' lies in a section the image does not hold");
        return base_[symbol.section] + symbol.value;
    }

    void place(const ObjectRelocation& relocation) {
        if (base_.at(relocation.section) == UINT64_MAX) return;
        uint64_t site = base_[relocation.section] + relocation.offset;
        const ObjectSymbol& symbol = object_.symbols.at(relocation.symbol);
        if (relocation.kind == RelocationKind::Absolute64) setU32(code_, site + 4, 0);
        if (symbol.section != 0) {
            uint64_t target = symbolOffset(symbol) + uint64_t(relocation.addend);
            if (relocation.kind == RelocationKind::Relative32) {
                setU32(code_, site, uint32_t(target - site));
            } else {
                setU32(code_, site, uint32_t(target));
                relocations_.push_back(3);
                putU32(relocations_, uint32_t(site));
            }
            return;
        }
        bool relative = relocation.kind == RelocationKind::Relative32;
        if (relocation.addend != (relative ? -4 : 0))
            throw std::runtime_error("import '" + symbol.name + "' is used with an offset");
        bool fromLibrary = options_.libraryOf.count(symbol.name) != 0;
        if (fromLibrary && !relative)
            throw std::runtime_error("library import '" + symbol.name + "' is used other than by a call");
        imports_[{symbol.name, relative}].push_back(uint32_t(site));
    }

    void linkEntry() {
        for (const ObjectSymbol& symbol : object_.symbols) {
            if (symbol.name == options_.entry && symbol.section != 0) {
                code_[0] = 0xE9;  // jmp rel32
                setU32(code_, 1, uint32_t(symbolOffset(symbol) - 5));
                return;
            }
        }
        throw std::runtime_error("the object has no function '" + options_.entry + "'");
    }

    // Each import's sites form a chain through their fields.
    void writeImports() {
        for (auto& [key, sites] : imports_) {
            const auto& [name, relative] = key;
            for (size_t i = 0; i < sites.size(); ++i) setU32(code_, sites[i], i + 1 < sites.size() ? sites[i + 1] : 0);
            auto library = options_.libraryOf.find(name);
            if (library == options_.libraryOf.end()) {
                relocations_.push_back(1);
                relocations_.push_back(relative ? 1 : 0);
                putU32(relocations_, sites.front());
                putCounted(relocations_, name);
                relocations_.push_back(0);
            } else {
                relocations_.push_back(4);
                putU32(relocations_, sites.front());
                putCounted(relocations_, name);
                relocations_.push_back(0);
                putCounted(relocations_, library->second);
                relocations_.push_back(0);
            }
        }
    }

    std::vector<uint8_t> symbols() const {
        std::vector<std::pair<uint32_t, std::string>> functions;
        for (const ObjectSymbol& symbol : object_.symbols)
            if (symbol.type == STT_FUNC && symbol.section != 0 && !symbol.name.empty())
                functions.emplace_back(uint32_t(symbolOffset(symbol)), symbol.name);
        std::sort(functions.begin(), functions.end());
        std::vector<uint8_t> block;
        if (functions.empty()) return block;
        putU32(block, uint32_t(functions.size()));
        uint32_t nameOffset = 0;
        for (const auto& [offset, name] : functions) {
            putU32(block, offset);
            putU32(block, nameOffset);
            nameOffset += uint32_t(name.size() + 1);
        }
        for (const auto& [offset, name] : functions) block.insert(block.end(), name.c_str(), name.c_str() + name.size() + 1);
        return block;
    }

    std::vector<uint8_t> resources() const {
        std::vector<uint8_t> block;
        for (const ImageResourceInput& resource : options_.resources) {
            putU32(block, resource.type);
            block.push_back(uint8_t(resource.id));
            block.push_back(uint8_t(resource.id >> 8));
            putU32(block, 0);
            putU32(block, uint32_t(resource.data.size()));
            block.insert(block.end(), resource.data.begin(), resource.data.end());
        }
        return block;
    }

    std::vector<uint8_t> versionOptions() const {
        std::vector<uint8_t> block;
        if (!options_.hasVersion) return block;
        block.push_back(2);
        std::vector<uint8_t> fixed(24, 0);
        std::copy(std::begin(options_.versionNumbers), std::end(options_.versionNumbers), fixed.begin());
        block.insert(block.end(), fixed.begin(), fixed.end());
        for (const std::string& text : options_.versionTexts) putCounted(block, text);
        return block;
    }

    const ElfObject& object_;
    const ImageOptions& options_;
    std::vector<uint8_t> code_, relocations_;
    std::vector<uint64_t> base_;
    std::map<std::pair<std::string, bool>, std::vector<uint32_t>> imports_;
};

} // namespace

std::vector<uint8_t> BuildImage(const ElfObject& object, const ImageOptions& options) {
    return Builder(object, options).build();
}
