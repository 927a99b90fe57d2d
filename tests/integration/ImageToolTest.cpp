// imagetool refuses objects an image cannot be made of: the message names the
// object and what is wrong with it, the status is 1, and no output is left.
#include "QarvexHarness.h"

namespace {

#if UINTPTR_MAX > 0xFFFFFFFFu
constexpr const char* kMachine = "x86-64";
constexpr int kGotRelocation = 9;     // R_X86_64_GOTPCREL
constexpr int kShortRelocation = 12;  // R_X86_64_16
#else
constexpr const char* kMachine = "i386";
constexpr int kGotRelocation = 3;     // R_386_GOT32
constexpr int kShortRelocation = 20;  // R_386_16
#endif

// Runs imagetool on `object`, writing to `output`; standard output and error together.
RunResult makeImage(const fs::path& object, const fs::path& output) {
    return RunThroughShell(IMAGETOOL_BINARY, "'" + object.string() + "' -o '" + output.string() + "'");
}

} // namespace

TEST(ImageTool, RefusesWhatAnImageCannotHoldNamingTheObject) {
    char pattern[] = "/tmp/imagetool-XXXXXX";
    fs::path scratch = mkdtemp(pattern);
    fs::path objects = IMAGE_OBJECTS_DIR;
    std::string good = ReadFile(objects / "frame_test_image" / "frame_test_image.o");
    ASSERT_GT(good.size(), 64u);
    auto patched = [&](size_t at, const std::string& bytes) { return std::string(good).replace(at, bytes.size(), bytes); };
    struct Row {
        const char* name;
        std::string bytes;  // written to a file of that name; empty: `file` as it is
        fs::path file;
        std::string message;
    } rows[] = {
        {"text", "not an object\n", {}, "not an ELF file"},
        {"class", patched(4, std::string(1, '\3')), {}, "unknown ELF class 3"},
        {"executable", patched(16, std::string("\2\0", 2)), {},
         "not a relocatable object (ELF type 2): give the object the compiler wrote with -c"},
        {"machine", patched(18, std::string("\50\0", 2)), {}, std::string("made for machine 40, not ") + kMachine},
        {"truncated", good.substr(0, 64), {}, "object is truncated"},
        {"got", {}, objects / "refused-got.o",
         "relocation type " + std::to_string(kGotRelocation) +
             " refers to a global offset table: compile without -fpic/-fpie"},
        {"short", {}, objects / "refused-short.o",
         "relocation type " + std::to_string(kShortRelocation) + " is not one an image can carry"},
        {"no entry", {}, objects / "frame_test_image" / "frame_test_image.o", "the object has no function 'ImageMain'"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::path object = row.file;
        if (object.empty()) {
            object = scratch / row.name;
            WriteFile(object, row.bytes);
        }
        fs::path output = scratch / "image";
        RunResult run = makeImage(object, output);
        EXPECT_EQ(run.out, "imagetool: " + object.string() + ": " + row.message + "\n");
        EXPECT_EQ(run.status, 1);
        EXPECT_FALSE(fs::exists(output));
    }
    fs::remove_all(scratch);
}
