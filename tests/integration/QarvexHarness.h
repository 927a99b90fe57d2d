// Runs the real qarvex binary in a fresh folder of its own, as a mailer or a
// sysop would, and reads what it leaves behind.
#pragma once
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/ScratchFolder.h"

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

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

/// Runs the program at `path` through the shell with `arguments` (already
/// quoted) after it and `environment` before it; standard output and error
/// come back together.
inline RunResult RunThroughShell(const std::string& path, const std::string& arguments,
                                 const std::string& environment = "") {
    std::string command = environment + " ";
    for (const std::string& word : ProgramCommand(path)) command += word + " ";
    command += arguments + " 2>&1";
    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
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
        fs::create_directories(bin());
        fs::copy_file(QARVEX_BINARY, program());
    }

    fs::path root() const { return scratch_.root(); }
    fs::path bin() const { return root() / binName_; }
    fs::path program() const { return bin() / "qarvex"; }

    /// A started run: its process and where its output goes.
    struct Started {
        pid_t pid = -1;
        fs::path out, err, in;
    };

    /// Starts the program with `args` from the folder `cwd` (the root by
    /// default), feeding `input`; `inChild` runs in the child just before exec.
    Started Start(const std::vector<std::string>& args, const std::string& input = "", fs::path cwd = {},
                  const std::function<void()>& inChild = {}) const {
        int tag = ++runs_;
        Started run{-1, root() / (".stdout" + std::to_string(tag)), root() / (".stderr" + std::to_string(tag)),
                    root() / (".stdin" + std::to_string(tag))};
        WriteFile(run.in, input);
        run.pid = fork();
        if (run.pid == 0) {
            if (chdir((cwd.empty() ? root() : cwd).c_str()) != 0) _exit(126);
            freopen(run.in.c_str(), "r", stdin);
            freopen(run.out.c_str(), "w", stdout);
            freopen(run.err.c_str(), "w", stderr);
            if (inChild) inChild();
            ExecProgram(program(), args);
        }
        return run;
    }

    /// Waits for a started run, at most the harness's timeout: a run that
    /// outlives it is killed and fails the test, so no test hangs the suite.
    RunResult Finish(const Started& run) const {
        int status = 0;
        auto deadline = std::chrono::steady_clock::now() + timeout_;
        while (waitpid(run.pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(run.pid, SIGKILL);
                waitpid(run.pid, &status, 0);
                ADD_FAILURE() << "qarvex outlived its timeout of " << timeout_.count() << " s and was killed";
                break;
            }
            usleep(2000);
        }
        RunResult result;
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = ReadFile(run.out);
        result.err = ReadFile(run.err);
        for (const fs::path& path : {run.out, run.err, run.in}) fs::remove(path);
        return result;
    }

    /// Runs the program to its end; see Start.
    RunResult Run(const std::vector<std::string>& args, const std::string& input = "", fs::path cwd = {},
                  const std::function<void()>& inChild = {}) const {
        return Finish(Start(args, input, cwd, inChild));
    }

    /// How long a run may take; generous, as the machine may be busy.
    void SetTimeout(std::chrono::seconds timeout) { timeout_ = timeout; }

    std::vector<std::string> DebugFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(bin()))
            if (entry.path().filename().string().rfind("Debug", 0) == 0) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    /// The program folder's name in the scratch root; a test may set another before SetUp.
    std::string binName_ = "bin";

private:
    ScratchFolder scratch_;
    mutable int runs_ = 0;
    std::chrono::seconds timeout_{300};
};
