#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <functional>
#include <span>
#include <tuple>
#include <fstream>
#include <string>
#include <vector>

#include "Common/exceptions.h"
#include "Common/Image/loaderX86.h"
#include "Common/Image/relocentry.h"
#include "Universal/VELQstring.h"

namespace {

using Bytes = std::vector<uint8_t>;

void putU32(Bytes& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}
void putU16(Bytes& out, uint16_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}
void putName(Bytes& out, const std::string& name) {
    out.push_back(uint8_t(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
}
uint32_t u32At(uintptr_t address) {
    uint32_t value;
    std::memcpy(&value, reinterpret_cast<const void*>(address), 4);
    return value;
}

// The function an address of image code ends up in: on a 64-bit build
// runtime functions are reached through a jump slot.
uintptr_t callee(uint32_t target) {
#if UINTPTR_MAX > 0xFFFFFFFFu
    const auto* slot = reinterpret_cast<const uint8_t*>(uintptr_t(target));
    if (slot[0] == 0xFF && slot[1] == 0x25) {
        uint64_t function;
        std::memcpy(&function, slot + 6, 8);
        return uintptr_t(function);
    }
#endif
    return target;
}

uintptr_t entryAddress(const char* name) { return reinterpret_cast<uintptr_t>(RuntimeLookupEntryPoint(name)); }

// Code of `size` zero bytes with `fields` (offset, value) filled in.
Bytes codeWith(size_t size, std::initializer_list<std::pair<uint32_t, uint32_t>> fields) {
    Bytes code(size, 0);
    for (auto [site, value] : fields) std::memcpy(code.data() + site, &value, 4);
    return code;
}

Bytes serialize(const ImageBlocks& blocks) {
    Bytes out;
    for (const Bytes* block : {&blocks.code, &blocks.data, &blocks.relocations, &blocks.symbols, &blocks.resources,
                               &blocks.options}) {
        putU32(out, uint32_t(block->size()));
        out.insert(out.end(), block->begin(), block->end());
    }
    return out;
}

// A minimal ELF file of this build's word size: the header, a filler section,
// the section-name table and a section `sectionName` holding `payload`.
Bytes elfWith(const std::string& sectionName, const Bytes& payload) {
    constexpr bool wide = UINTPTR_MAX > 0xFFFFFFFFu;
    const size_t headerSize = wide ? 64 : 52, entrySize = wide ? 64 : 40;
    Bytes names = {0};
    auto nameAt = [&](const std::string& name) {
        uint32_t at = uint32_t(names.size());
        names.insert(names.end(), name.begin(), name.end());
        names.push_back(0);
        return at;
    };
    uint32_t fillerName = nameAt(".vqx"), tableName = nameAt(".shstrtab"), payloadName = nameAt(sectionName);
    size_t namesAt = headerSize, payloadAt = namesAt + names.size(), tableAt = payloadAt + payload.size();
    Bytes out(headerSize, 0);
    std::memcpy(out.data(), "\x7f" "ELF", 4);
    out[4] = wide ? 2 : 1;
    out[5] = 1;
    auto setU16 = [&](size_t at, uint16_t v) { std::memcpy(out.data() + at, &v, 2); };
    if (wide) {
        uint64_t table = tableAt;
        std::memcpy(out.data() + 40, &table, 8);
        setU16(58, uint16_t(entrySize)), setU16(60, 4), setU16(62, 2);
    } else {
        uint32_t table = uint32_t(tableAt);
        std::memcpy(out.data() + 32, &table, 4);
        setU16(46, uint16_t(entrySize)), setU16(48, 4), setU16(50, 2);
    }
    out.insert(out.end(), names.begin(), names.end());
    out.insert(out.end(), payload.begin(), payload.end());
    auto section = [&](uint32_t name, size_t offset, size_t size) {
        Bytes header(entrySize, 0);
        std::memcpy(header.data(), &name, 4);
        if (wide) {
            uint64_t o = offset, s = size;
            std::memcpy(header.data() + 24, &o, 8), std::memcpy(header.data() + 32, &s, 8);
        } else {
            uint32_t o = uint32_t(offset), s = uint32_t(size);
            std::memcpy(header.data() + 16, &o, 4), std::memcpy(header.data() + 20, &s, 4);
        }
        out.insert(out.end(), header.begin(), header.end());
    };
    section(0, 0, 0);
    section(fillerName, namesAt, 0);
    section(tableName, namesAt, names.size());
    section(payloadName, payloadAt, payload.size());
    return out;
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A scratch working folder, left again when the test ends.
class ScratchFolder {
public:
    ScratchFolder() {
        char pattern[] = "/tmp/loadertest.XXXXXX";
        path_ = mkdtemp(pattern);
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~ScratchFolder() {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(path_);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_, previous_;
};

std::string linkCapturingReports(const ImageBlocks& blocks, uintptr_t& code) {
    testing::internal::CaptureStdout();
    code = RuntimeLinkImage(blocks);
    return testing::internal::GetCapturedStdout();
}

// mov eax, 7; ret — the same bytes on both builds.
const Bytes kReturnSeven = {0xB8, 7, 0, 0, 0, 0xC3};

} // namespace

TEST(Loader, RelocationKindsPatchTheirSites) {
    struct Row {
        const char* name;
        Bytes code;
        Bytes relocations;
        // Checks the linked code; `code` and `data` are the bases.
        std::function<void(uintptr_t code, uintptr_t data)> check;
    };
    Bytes data(64, 0);
    data[8] = 0x5A;
    auto import = [](uint8_t relative, uint32_t first, const std::string& name) {
        Bytes r = {1, relative};
        putU32(r, first);
        putName(r, name);
        return r;
    };
    auto siteRecord = [](uint8_t kind, uint32_t site) {
        Bytes r = {kind};
        putU32(r, site);
        return r;
    };
    Row rows[] = {
        {"absolute import, name in lower case", codeWith(8, {{4, 0}}), import(0, 4, "runtimestackcheck"),
         [](uintptr_t code, uintptr_t) { EXPECT_EQ(callee(u32At(code + 4)), entryAddress("RuntimeStackCheck")); }},
        {"relative import patches its whole chain", codeWith(20, {{4, 12}, {12, 0}}),
         import(1, 4, "RuntimeStackCheck"),
         [](uintptr_t code, uintptr_t) {
             for (uint32_t site : {4u, 12u}) {
                 SCOPED_TRACE(site);
                 uint32_t target = uint32_t(code) + site + 4 + u32At(code + site);
                 EXPECT_EQ(callee(target), entryAddress("RuntimeStackCheck"));
             }
         }},
        {"import with first site 0 patches nothing", codeWith(8, {{4, 4}}), import(0, 0, "RuntimeStackCheck"),
         [](uintptr_t code, uintptr_t) { EXPECT_EQ(u32At(code + 4), 4u); }},
        {"code offset", codeWith(8, {{0, 6}}), siteRecord(3, 0),
         [](uintptr_t code, uintptr_t) { EXPECT_EQ(u32At(code), uint32_t(code) + 6); }},
        {"unknown kind byte is skipped alone", codeWith(8, {{0, 6}}),
         [&] { Bytes r = {9, 0}; Bytes k = siteRecord(3, 0); r.insert(r.end(), k.begin(), k.end()); return r; }(),
         [](uintptr_t code, uintptr_t) { EXPECT_EQ(u32At(code), uint32_t(code) + 6); }},
        {"shared-library import", codeWith(8, {{4, 0}}),
         [] { Bytes r = {4}; putU32(r, 4); putName(r, "cos"); putName(r, "libm.so.6"); return r; }(),
         [](uintptr_t code, uintptr_t) {
             void* cosine = dlsym(dlopen("libm.so.6", RTLD_NOW), "cos");
             EXPECT_EQ(callee(uint32_t(code) + 8 + u32At(code + 4)), reinterpret_cast<uintptr_t>(cosine));
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ImageBlocks blocks;
        blocks.code = row.code;
        blocks.data = data;
        blocks.relocations = row.relocations;
        uintptr_t code = 0;
        EXPECT_EQ(linkCapturingReports(blocks, code), "");
        ASSERT_NE(code, 0u);
        row.check(code, 0);
    }
}

// The handler scan must find the same records wherever the image was loaded:
// it reads the code as built, each patched field as zeros, every other byte
// (here 0xE9, which the scan reads as a jump) as it stands.
TEST(Loader, TheHandlerScanReadsPatchedFieldsAsZeros) {
    ImageBlocks blocks;
    blocks.code = codeWith(24, {{4, 12}, {12, 0}, {16, 2}});
    blocks.code[0] = blocks.code[20] = 0xE9;
    blocks.relocations = {1, 1, 4, 0, 0, 0};
    putName(blocks.relocations, "RuntimeStackCheck");
    blocks.relocations.insert(blocks.relocations.end(), {3, 16, 0, 0, 0});
    uintptr_t code = 0;
    EXPECT_EQ(linkCapturingReports(blocks, code), "");
    ASSERT_NE(code, 0u);
    Bytes expected = blocks.code;
    for (uint32_t site : {4u, 12u, 16u}) {
        EXPECT_NE(u32At(code + site), u32At(uintptr_t(blocks.code.data()) + site)) << site;
        std::fill_n(expected.begin() + site, 4, 0);
    }
    std::span<const uint8_t> scan = RuntimeImageScanCode();
    EXPECT_EQ(Bytes(scan.begin(), scan.end()), expected);
}

TEST(Loader, DataOffsetsPointIntoTheDataBlock) {
    ImageBlocks blocks;
    blocks.code = codeWith(8, {{0, 8}});
    blocks.data = Bytes(16, 0);
    blocks.data[8] = 0x5A;
    blocks.relocations = {2, 0, 0, 0, 0};
    uintptr_t code = RuntimeLinkImage(blocks);
    EXPECT_EQ(*reinterpret_cast<const uint8_t*>(uintptr_t(u32At(code))), 0x5A);
}

// Two sites name one literal string record: the text pointer is set by the
// first and found set by the second; a record with its pointer set keeps it.
TEST(Loader, StringRecordsGetTheirTextPointerOnce) {
    const size_t recordSize = offsetof(StringRecord, text) + 3;
    Bytes data(2 * 64, 0);
    for (size_t at : {size_t(0), size_t(64)}) {
        StringRecord record{1, nullptr, 4, 2, kEncodingASCII, 2};
        std::memcpy(data.data() + at, &record, sizeof record);
        std::memcpy(data.data() + at + offsetof(StringRecord, text), "Hi", 3);
    }
    ASSERT_LE(recordSize, 64u);
    ImageBlocks blocks;
    blocks.code = codeWith(12, {{0, 0}, {4, 0}, {8, 64}});
    blocks.data = data;
    for (uint32_t site : {0u, 4u, 8u}) {
        blocks.relocations.push_back(5);
        putU32(blocks.relocations, site);
    }
    uintptr_t code = RuntimeLinkImage(blocks);
    EXPECT_EQ(u32At(code), u32At(code + 4));
    auto* first = reinterpret_cast<StringRecord*>(uintptr_t(u32At(code)));
    EXPECT_EQ(first->shortLengthByte, &first->shortLength);
    EXPECT_EQ(std::string(StringBytes(first), StringLength(first)), "Hi");
    auto* second = reinterpret_cast<StringRecord*>(uintptr_t(u32At(code + 8)));
    EXPECT_EQ(std::string(StringBytes(second), StringLength(second)), "Hi");
}

TEST(Loader, FailuresGiveTheirAssertionReports) {
    struct Row {
        const char* name;
        Bytes relocations;
        Bytes options;
        std::vector<std::string> reports;  // condition line, then message line
    };
    auto import = [](const std::string& name) {
        Bytes r = {1, 1, 4, 0, 0, 0};
        putName(r, name);
        return r;
    };
    auto libraryImport = [](const std::string& symbol, const std::string& library) {
        Bytes r = {4, 4, 0, 0, 0};
        putName(r, symbol);
        putName(r, library);
        return r;
    };
    Row rows[] = {
        {"missing entry point", import("NoSuchEntryPoint"), {},
         {"Failure Condition: foundFunction\nFunction 'NoSuchEntryPoint' was not exported\n"}},
        {"missing library", libraryImport("cos", "libnosuch.so.9"), {},
         {"Failure Condition: lib->mLibraryHandle\nMissing shared library libnosuch.so.9\n",
          "Failure Condition: functionEntry\nCould not resolve function 'cos' in libnosuch.so.9\n"}},
        {"missing library symbol", libraryImport("nosuchfunction", "libm.so.6"), {},
         {"Failure Condition: functionEntry\nCould not resolve function 'nosuchfunction' in libm.so.6\n"}},
        {"unknown options kind", {}, {7}, {"Failure Condition: 0\n(null)\n"}},
        {"site outside the code", {3, 200, 0, 0, 0}, {}, {"Failure Condition: site + 4 <= codeSize\n"}},
        {"record cut short", {1, 1, 4, 0}, {}, {"Failure Condition: relocation record complete\n"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ImageBlocks blocks;
        blocks.code = codeWith(8, {});
        blocks.relocations = row.relocations;
        blocks.options = row.options;
        uintptr_t code;
        std::string output = linkCapturingReports(blocks, code);
        size_t reports = 0;
        for (size_t at = 0; (at = output.find("Runtime Error 4:Failed Assertion", at)) != std::string::npos; ++at)
            ++reports;
        EXPECT_EQ(reports, row.reports.size()) << output;
        for (const std::string& report : row.reports) {
            EXPECT_NE(output.find("loaderX86: "), std::string::npos);
            EXPECT_NE(output.find(report), std::string::npos) << output;
        }
    }
}

// A call through the site of an import that was not found reports the name
// and ends the process, instead of jumping to a chain offset.
TEST(LoaderDeathTest, UnresolvedImportEndsTheProcessByName) {
    ImageBlocks blocks;
    // call rel32 (site 1); ret
    blocks.code = {0xE8, 0, 0, 0, 0, 0xC3};
    blocks.relocations = {1, 1, 1, 0, 0, 0};
    putName(blocks.relocations, "NoSuchEntryPoint");
    uintptr_t code;
    linkCapturingReports(blocks, code);
    EXPECT_EXIT(
        {
            reinterpret_cast<void (*)()>(code)();
            std::exit(0);
        },
        testing::ExitedWithCode(1), "");
}

TEST(Loader, ResourcesAndVersionBlockAreRegistered) {
    struct Row {
        const char* name;
        Bytes options;
        uint32_t versionLength;  // 0: no version block
    };
    Bytes version(24, 0xAA);
    auto withStrings = [&](std::initializer_list<std::string> texts) {
        Bytes block = {2};
        block.insert(block.end(), version.begin(), version.end());
        for (const std::string& text : texts) putName(block, text), block.pop_back();
        return block;
    };
    Bytes tableThenVersion = {1, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0};
    Bytes strings = withStrings({"1.2", "qarvex", ""});
    tableThenVersion.insert(tableThenVersion.end(), strings.begin(), strings.end());
    Bytes unknownThenVersion = {9};
    unknownThenVersion.insert(unknownThenVersion.end(), strings.begin(), strings.end());
    Row rows[] = {
        {"empty strings", withStrings({"", "", ""}), 27},
        {"after a table record", tableThenVersion, 24 + 3 + 9},
        {"after an unknown kind", unknownThenVersion, 24 + 3 + 9},
        {"no options", {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ImageBlocks blocks;
        blocks.code = kReturnSeven;
        blocks.options = row.options;
        blocks.resourcesPosition = 1000;
        for (auto [type, id, text] : {std::tuple{0x54455354u, uint16_t(5), std::string("first")},
                                      std::tuple{0x54455354u, uint16_t(6), std::string("second!")}}) {
            putU32(blocks.resources, type);
            putU16(blocks.resources, id);
            putU32(blocks.resources, 0xFFFFFFFF);
            putU32(blocks.resources, uint32_t(text.size()));
            blocks.resources.insert(blocks.resources.end(), text.begin(), text.end());
        }
        uintptr_t code;
        linkCapturingReports(blocks, code);
        const ImageResource* second = RuntimeFindImageResource(0x54455354, 6);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(second->data), second->length), "second!");
        EXPECT_EQ(second->filePosition, 1000u + 14 + 5 + 14);
        EXPECT_EQ(RuntimeFindImageResource(0x54455354, 7), nullptr);
        uint32_t length = 99;
        const void* versionData = RuntimeGetResourceData(kVersionResourceType, 0, &length);
        EXPECT_EQ(length, row.versionLength);
        if (row.versionLength) {
            EXPECT_EQ(*static_cast<const uint8_t*>(versionData), 0xAA);
        }
    }
}

TEST(Loader, NamesCodeAddressesFromTheSymbols) {
    ImageBlocks blocks;
    blocks.code = Bytes(64, 0xC3);
    putU32(blocks.symbols, 2);
    putU32(blocks.symbols, 0), putU32(blocks.symbols, 0);
    putU32(blocks.symbols, 32), putU32(blocks.symbols, 8);
    for (const char* name : {"App.Run", "App.ParseAddr"}) blocks.symbols.insert(blocks.symbols.end(), name, name + std::strlen(name) + 1);
    uintptr_t code = RuntimeLinkImage(blocks);
    struct Row {
        uintptr_t address;
        const char* name;  // null: no name
        uint32_t distance;
    } rows[] = {
        {code + 5, "App.Run", 5}, {code + 32, "App.Run", 32}, {code + 40, "App.ParseAddr", 8},
        {code, nullptr, 0}, {code + 64, nullptr, 0}, {code - 1, nullptr, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.address - code);
        std::optional<CodeAddressName> named = RuntimeNameCodeAddress(row.address);
        ASSERT_EQ(named.has_value(), row.name != nullptr);
        if (row.name) {
            EXPECT_EQ(named->name, row.name);
            EXPECT_EQ(named->distance, row.distance);
        }
    }
    blocks.symbols.clear();
    code = RuntimeLinkImage(blocks);
    EXPECT_FALSE(RuntimeNameCodeAddress(code + 5).has_value());
}

// The image comes from section ".vq" of the executable; without the section,
// or without a readable executable, from the development files.
TEST(Loader, FindsTheImageInTheExecutableOrTheWorkingFolder) {
    ScratchFolder folder;
    ImageBlocks image;
    image.code = kReturnSeven;
    image.resources = {'T', 'S', 'E', 'T', 1, 0, 0, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c'};
    Bytes section = serialize(image);
    writeFile("with-section", elfWith(".vq", section));
    writeFile("other-section", elfWith(".vqa", section));
    writeFile("code.dat", {0xB8, 9, 0, 0, 0, 0xC3});

    struct Row {
        const char* file;
        int32_t result;
        const char* report;
    } rows[] = {
        {"with-section", 7, ""},
        {"other-section", 9, ""},
        {"missing", 9, "Failure Condition: exeFile\nCan't open executable missing\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        testing::internal::CaptureStdout();
        int32_t result = RuntimeLoadAndRunImage(row.file);
        std::string output = testing::internal::GetCapturedStdout();
        EXPECT_EQ(result, row.result);
        EXPECT_NE(output.find(row.report), std::string::npos) << output;
    }
    RuntimeLinkImage(RuntimeReadImage("with-section"));
    const ImageResource* resource = RuntimeFindImageResource(0x54455354, 1);
    ASSERT_NE(resource, nullptr);
    // The section's payload follows the header and the name table.
    EXPECT_EQ(resource->filePosition, (UINTPTR_MAX > 0xFFFFFFFFu ? 64u : 52u) + 20 + 5 * 4 + 6 + 14);
}
