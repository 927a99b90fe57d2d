// A fresh folder under /tmp for one test, removed with all it holds when the
// test ends, and files written and read back byte for byte. Unit tests and
// the tests that run the real program share it; it needs no runtime.
#pragma once
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

/// The whole content of the file at `path`; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

/// Writes `bytes` as the file at `path`, making the folders on the way.
inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

class ScratchFolder {
public:
    ScratchFolder() {
        // Always the same length: a test may take the name out of what it compares.
        char pattern[] = "/tmp/qarvex-test-XXXXXX";
        if (!mkdtemp(pattern)) throw std::runtime_error("no scratch folder could be made under /tmp");
        root_ = pattern;
    }
    ~ScratchFolder() { std::filesystem::remove_all(root_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    /// The folder's absolute path, without a final "/".
    const std::string& root() const { return root_; }
    /// Absolute path of `name` inside the folder.
    std::string path(const std::string& name) const { return root_ + "/" + name; }
    void writeFile(const std::string& name, const std::string& bytes) const { WriteFile(path(name), bytes); }
    std::string readFile(const std::string& name) const { return ReadFile(path(name)); }

private:
    std::string root_;
};
