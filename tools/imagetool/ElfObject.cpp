#include "ElfObject.h"

#include <elf.h>

#include <cstring>
#include <stdexcept>

namespace {

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    template <typename T>
    T at(uint64_t offset) const {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) throw std::runtime_error("object is truncated");
        T value;
        std::memcpy(&value, bytes_.data() + offset, sizeof value);
        return value;
    }
    std::vector<uint8_t> range(uint64_t offset, uint64_t size) const {
        if (offset > bytes_.size() || bytes_.size() - offset < size) throw std::runtime_error("object is truncated");
        return {bytes_.begin() + offset, bytes_.begin() + offset + size};
    }

private:
    const std::vector<uint8_t>& bytes_;
};

// An image has no global offset table: position-independent code cannot be
// linked into one.
std::runtime_error positionIndependent(uint32_t type) {
    return std::runtime_error("relocation type " + std::to_string(type) +
                              " refers to a global offset table: compile without -fpic/-fpie");
}

std::runtime_error unsupported(uint32_t type) {
    return std::runtime_error("relocation type " + std::to_string(type) + " is not one an image can carry");
}

struct Wide {
    using Header = Elf64_Ehdr;
    using Section = Elf64_Shdr;
    using Symbol = Elf64_Sym;
    static constexpr uint16_t machine = EM_X86_64;
    static uint32_t symbolOf(uint64_t info) { return ELF64_R_SYM(info); }
    static uint32_t typeOf(uint64_t info) { return ELF64_R_TYPE(info); }
    static uint8_t symbolType(uint8_t info) { return ELF64_ST_TYPE(info); }
    static RelocationKind kind(uint32_t type) {
        switch (type) {
        case R_X86_64_32:
        case R_X86_64_32S: return RelocationKind::Absolute32;
        case R_X86_64_PC32:
        case R_X86_64_PLT32: return RelocationKind::Relative32;
        case R_X86_64_64: return RelocationKind::Absolute64;
        case R_X86_64_GOT32:
        case R_X86_64_GOTPCREL:
        case R_X86_64_GOTOFF64:
        case R_X86_64_GOTPC32:
        case R_X86_64_GOT64:
        case R_X86_64_GOTPCREL64:
        case R_X86_64_GOTPC64:
        case R_X86_64_GOTPLT64:
        case R_X86_64_PLTOFF64:
        case R_X86_64_GOTPCRELX:
        case R_X86_64_REX_GOTPCRELX: throw positionIndependent(type);
        }
        throw unsupported(type);
    }
};

struct Narrow {
    using Header = Elf32_Ehdr;
    using Section = Elf32_Shdr;
    using Symbol = Elf32_Sym;
    static constexpr uint16_t machine = EM_386;
    static uint32_t symbolOf(uint32_t info) { return ELF32_R_SYM(info); }
    static uint32_t typeOf(uint32_t info) { return ELF32_R_TYPE(info); }
    static uint8_t symbolType(uint8_t info) { return ELF32_ST_TYPE(info); }
    static RelocationKind kind(uint32_t type) {
        switch (type) {
        case R_386_32: return RelocationKind::Absolute32;
        case R_386_PC32:
        case R_386_PLT32: return RelocationKind::Relative32;
        case R_386_GOT32:
        case R_386_GOTOFF:
        case R_386_GOTPC:
        case R_386_GOT32X: throw positionIndependent(type);
        }
        throw unsupported(type);
    }
};

template <typename Elf>
ElfObject read(const Reader& reader, bool wide) {
    auto header = reader.at<typename Elf::Header>(0);
    if (header.e_type != ET_REL)
        throw std::runtime_error("not a relocatable object (ELF type " + std::to_string(header.e_type) +
                                 "): give the object the compiler wrote with -c");
    if (header.e_machine != Elf::machine)
        throw std::runtime_error("made for machine " + std::to_string(header.e_machine) + ", not " +
                                 (wide ? "x86-64" : "i386"));
    ElfObject object;
    object.wide = wide;
    std::vector<typename Elf::Section> headers;
    for (uint32_t i = 0; i < header.e_shnum; ++i)
        headers.push_back(reader.at<typename Elf::Section>(header.e_shoff + uint64_t(i) * header.e_shentsize));
    auto stringAt = [&](uint32_t table, uint32_t offset) {
        if (table >= headers.size() || offset >= headers[table].sh_size) return std::string();
        std::vector<uint8_t> bytes = reader.range(headers[table].sh_offset, headers[table].sh_size);
        return std::string(reinterpret_cast<const char*>(bytes.data() + offset), strnlen(reinterpret_cast<const char*>(bytes.data() + offset), bytes.size() - offset));
    };
    for (const auto& section : headers) {
        ObjectSection entry{stringAt(header.e_shstrndx, section.sh_name), section.sh_type, section.sh_flags,
                            section.sh_addralign ? section.sh_addralign : 1, {}};
        entry.bytes = section.sh_type == SHT_NOBITS ? std::vector<uint8_t>(section.sh_size)
                                                    : reader.range(section.sh_offset, section.sh_size);
        object.sections.push_back(std::move(entry));
    }
    for (uint32_t i = 0; i < headers.size(); ++i) {
        const auto& section = headers[i];
        if (section.sh_type == SHT_SYMTAB) {
            for (uint64_t at = 0; at + sizeof(typename Elf::Symbol) <= section.sh_size; at += sizeof(typename Elf::Symbol)) {
                auto symbol = reader.at<typename Elf::Symbol>(section.sh_offset + at);
                object.symbols.push_back({stringAt(section.sh_link, symbol.st_name),
                                          symbol.st_shndx >= SHN_LORESERVE ? 0u : symbol.st_shndx, symbol.st_value,
                                          Elf::symbolType(symbol.st_info)});
            }
        }
    }
    for (const auto& section : headers) {
        if (section.sh_type != SHT_REL && section.sh_type != SHT_RELA) continue;
        if (section.sh_info >= headers.size())
            throw std::runtime_error("relocations for section " + std::to_string(section.sh_info) +
                                     ", which does not exist");
        if (!(headers[section.sh_info].sh_flags & SHF_ALLOC)) continue;
        bool explicitAddend = section.sh_type == SHT_RELA;
        uint64_t entrySize = section.sh_entsize ? section.sh_entsize : 1;
        for (uint64_t at = 0; at + entrySize <= section.sh_size; at += entrySize) {
            uint64_t base = section.sh_offset + at;
            using Word = decltype(typename Elf::Section{}.sh_addr);
            auto offset = reader.at<Word>(base);
            auto info = reader.at<Word>(base + sizeof(Word));
            ObjectRelocation relocation{section.sh_info, offset, Elf::symbolOf(info), 0, Elf::kind(Elf::typeOf(info))};
            if (relocation.symbol >= object.symbols.size())
                throw std::runtime_error("a relocation names symbol " + std::to_string(relocation.symbol) +
                                         ", which does not exist");
            const std::vector<uint8_t>& target = object.sections[section.sh_info].bytes;
            if (explicitAddend) {
                relocation.addend = int64_t(reader.at<std::make_signed_t<Word>>(base + 2 * sizeof(Word)));
            } else if (offset + 4 <= target.size()) {
                int32_t implicit;
                std::memcpy(&implicit, target.data() + offset, 4);
                relocation.addend = implicit;
            }
            object.relocations.push_back(relocation);
        }
    }
    return object;
}

} // namespace

ElfObject ReadElfObject(const std::vector<uint8_t>& bytes) {
    Reader reader(bytes);
    if (bytes.size() < EI_NIDENT || std::memcmp(bytes.data(), ELFMAG, SELFMAG) != 0)
        throw std::runtime_error("not an ELF file");
    if (bytes[EI_CLASS] == ELFCLASS64) return read<Wide>(reader, true);
    if (bytes[EI_CLASS] == ELFCLASS32) return read<Narrow>(reader, false);
    throw std::runtime_error("unknown ELF class " + std::to_string(bytes[EI_CLASS]));
}
