// Runs the real qarvex binary in a fresh folder of its own, as a mailer or a
// sysop would, and reads what it leaves behind.
#pragma once
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::vector<std::string> Lines(const std::string& text, char end = '\n') {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line, end)) lines.push_back(line);
    return lines;
}

/// The command line that starts the program at `path`: through the emulator
/// on a build whose programs the kernel cannot run itself.
inline std::vector<std::string> ProgramCommand(const std::string& path) {
    std::string emulator = QARVEX_EMULATOR;
    if (emulator.empty()) return {path};
    return {emulator, path};
}

/// Replaces the calling (child) process by the program at `path` with `args`.
[[noreturn]] inline void ExecProgram(const std::string& path, const std::vector<std::string>& args) {
    std::vector<std::string> command = ProgramCommand(path);
    command.insert(command.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

/// A scratch folder holding a copy of the program (its application folder is bin/).
class QarvexFolder : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qarvex-it-XXXXXX";
        root_ = mkdtemp(pattern);
        fs::create_directories(bin());
        fs::copy_file(QARVEX_BINARY, program());
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path root() const { return root_; }
    fs::path bin() const { return root_ / "bin"; }
    fs::path program() const { return bin() / "qarvex"; }

    /// Runs the program with `args`, from the folder `cwd` (the root by default), feeding `input`.
    RunResult Run(const std::vector<std::string>& args, const std::string& input = "", fs::path cwd = {}) const {
        fs::path outPath = root_ / ".stdout", errPath = root_ / ".stderr", inPath = root_ / ".stdin";
        WriteFile(inPath, input);
        pid_t child = fork();
        if (child == 0) {
            if (chdir((cwd.empty() ? root_ : cwd).c_str()) != 0) _exit(126);
            freopen(inPath.c_str(), "r", stdin);
            freopen(outPath.c_str(), "w", stdout);
            freopen(errPath.c_str(), "w", stderr);
            ExecProgram(program(), args);
        }
        int status = 0;
        waitpid(child, &status, 0);
        RunResult result;
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = ReadFile(outPath);
        result.err = ReadFile(errPath);
        fs::remove(outPath);
        fs::remove(errPath);
        fs::remove(inPath);
        return result;
    }

    std::vector<std::string> DebugFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(bin()))
            if (entry.path().filename().string().rfind("Debug", 0) == 0) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    fs::path root_;
};
