// A whole SRIF session of the real program: 16 wildcard requests against a
// permission list of 10 lines over 10 folders of 2,000 files each, beside a
// baseline that does the same directory walks and matching with plain
// readdir, stat and fnmatch. The session's peak memory is reported too.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFolders = 10;
constexpr int kFilesPerFolder = 2000;
constexpr int kRequests = 16;

struct Setup {
    ~Setup() {
        if (!root.empty()) fs::remove_all(root);
    }
    fs::path root;
    std::vector<std::string> requests;  // each names one file of one folder, with wildcards
    std::vector<std::pair<std::string, std::string>> lines;  // folder and mask of each permission line
};

std::string fileName(int folder, int index) {
    char name[32];
    std::snprintf(name, sizeof name, "f%d_%04d.dat", folder, index);
    return name;
}

const Setup& setup() {
    static Setup made = [] {
        Setup s;
        char pattern[] = "/tmp/qarvex-session-XXXXXX";
        s.root = mkdtemp(pattern);
        fs::create_directories(s.root / "bin");
        fs::create_directories(s.root / "out");
        fs::copy_file(QARVEX_BINARY, s.root / "bin" / "qarvex");
        std::ofstream okFile(s.root / "bin" / "OkFile.Txt");
        for (int folder = 0; folder < kFolders; ++folder) {
            fs::path area = s.root / ("area" + std::to_string(folder));
            fs::create_directories(area);
            for (int index = 0; index < kFilesPerFolder; ++index) std::ofstream(area / fileName(folder, index)) << "x";
            okFile << area.string() << "/*.dat\n";
            s.lines.emplace_back(area.string(), "*.dat");
        }
        for (int request = 0; request < kRequests; ++request) {
            std::string name = fileName(request % kFolders, request * 97 % kFilesPerFolder);
            name[0] = '?';  // "f3_0291.dat" asked as "?3_0291.*": one file of one folder
            s.requests.push_back(name.substr(0, name.size() - 3) + "*");
        }
        std::ofstream(s.root / "session.srif") << "Sysop Bench\nAKA 2:5020/1\nRequestList " << (s.root / "in.req").string()
                                               << "\nResponseList " << (s.root / "out" / "out.rsp").string() << "\n";
        return s;
    }();
    return made;
}

void sessionRuntime(benchmark::State& state) {
    const Setup& s = setup();
    std::string program = (s.root / "bin" / "qarvex").string();
    std::string srif = (s.root / "session.srif").string();
    for (auto _ : state) {
        state.PauseTiming();
        {
            std::ofstream list(s.root / "in.req");
            for (const std::string& request : s.requests) list << request << "\r\n";
        }
        state.ResumeTiming();
        pid_t child = fork();
        if (child == 0) {
            int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, STDOUT_FILENO);
            execl(program.c_str(), program.c_str(), "SRIF", "2:5020/9999", srif.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the session failed");
        state.PauseTiming();
        for (const auto& packet : fs::directory_iterator(s.root / "out")) fs::remove(packet.path());
        state.ResumeTiming();
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    state.counters["peak_KiB"] = double(usage.ru_maxrss);
}

void sessionBaseline(benchmark::State& state) {
    const Setup& s = setup();
    for (auto _ : state) {
        int granted = 0;
        for (const std::string& request : s.requests) {
            // The permission list is read again for every request, as the session does.
            std::ifstream okFile(s.root / "bin" / "OkFile.Txt");
            std::string line;
            size_t lineIndex = 0;
            while (std::getline(okFile, line)) {
                const auto& [folder, mask] = s.lines[lineIndex++];
                DIR* dir = opendir(folder.c_str());
                while (dirent* entry = readdir(dir)) {
                    if (entry->d_name[0] == '.') continue;
                    std::string path = folder + "/" + entry->d_name;
                    struct stat info;
                    if (stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) continue;
                    if (fnmatch(mask.c_str(), entry->d_name, FNM_CASEFOLD) == 0 &&
                        fnmatch(request.c_str(), entry->d_name, FNM_CASEFOLD) == 0)
                        ++granted;
                }
                closedir(dir);
            }
        }
        if (granted != kRequests) state.SkipWithError("not one match per request");
    }
}

[[maybe_unused]] const bool registered = [] {
    benchmark::RegisterBenchmark("Session/16x10x2000/runtime", sessionRuntime)->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Session/16x10x2000/baseline", sessionBaseline)->UseRealTime()->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
