// A scratch folder per test, made the application folder, with helpers to lay
// down and read back files byte for byte.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Common/objects.h"
#include "Common/runFolderItem.h"
#include "Universal/TextEncodingUtil.h"

class ScratchFolder : public testing::Test {
protected:
    static constexpr uint32_t kLatin1 = 0x201;

    ScratchFolder() {
        // Classes and cached encodings live for the process; make them before
        // any test counts live records.
        RuntimeInitExternalClasses();
        const uint32_t cached[] = {kEncodingUTF8, kEncodingUTF16, kEncodingASCII, kLatin1};
        for (uint32_t code : cached)
            RuntimeUnlockObject(TextEncodingForCode(code));
        char pattern[] = "/tmp/qarvex-test-XXXXXX";
        root_ = mkdtemp(pattern);
        RuntimeSetExecutablePath(root_ + "/qarvex");
    }
    ~ScratchFolder() override { std::filesystem::remove_all(root_); }

    /// Absolute path of `name` inside the scratch folder.
    std::string path(const std::string& name) const { return root_ + "/" + name; }

    void writeFile(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }

    std::string readFile(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

    std::string root_;
};
