// Whole SRIF sessions of the real program, each beside a baseline that does
// the same directory walks and matching with plain readdir, stat and fnmatch:
// 16 requests that each match one file and 256 that match nothing, against a
// permission list of 10 lines over 10 folders of 2,000 files, and a series over
// one folder that shows the cost per request and file as requests and files
// grow. The sessions' peak memory is reported too.
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
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Shape {
    int requests, folders, files;
    bool matching;  // each request names one file of one folder; otherwise none

    std::string name() const {
        return std::to_string(requests) + "x" + std::to_string(folders) + "x" + std::to_string(files) +
               (matching ? "" : "/none");
    }
    double requestFiles() const { return double(requests) * folders * files; }
};

std::string fileName(int folder, int index) {
    char name[32];
    std::snprintf(name, sizeof name, "f%d_%04d.dat", folder, index);
    return name;
}

// One scratch tree for every shape; its folders of files are shared by the
// shapes that ask for the same number of files.
const fs::path& scratchRoot() {
    static struct Root {
        Root() {
            char pattern[] = "/tmp/qarvex-session-XXXXXX";
            path = mkdtemp(pattern);
        }
        ~Root() { fs::remove_all(path); }
        fs::path path;
    } root;
    return root.path;
}

fs::path area(int files, int folder) {
    fs::path made = scratchRoot() / ("area" + std::to_string(files) + "_" + std::to_string(folder));
    if (fs::exists(made)) return made;
    fs::create_directories(made);
    for (int index = 0; index < files; ++index) std::ofstream(made / fileName(folder, index)) << "x";
    return made;
}

struct Setup {
    fs::path root;  // the program, its OkFile.Txt, the SRIF and the lists of this shape
    std::vector<std::string> requests;
    std::vector<std::pair<std::string, std::string>> lines;  // folder and mask of each permission line
};

const Setup& setupOf(const Shape& shape) {
    static std::map<std::string, Setup> made;
    auto found = made.find(shape.name());
    if (found != made.end()) return found->second;
    Setup s;
    s.root = scratchRoot() / ("session" + std::to_string(made.size()));
    fs::create_directories(s.root / "bin");
    fs::create_directories(s.root / "out");
    fs::copy_file(QARVEX_BINARY, s.root / "bin" / "qarvex");
    std::ofstream okFile(s.root / "bin" / "OkFile.Txt");
    for (int folder = 0; folder < shape.folders; ++folder) {
        std::string folderPath = area(shape.files, folder).string();
        okFile << folderPath << "/*.dat\n";
        s.lines.emplace_back(folderPath, "*.dat");
    }
    for (int request = 0; request < shape.requests; ++request) {
        int index = shape.matching ? request * 97 % shape.files : shape.files + request;
        std::string name = fileName(request % shape.folders, index);
        name[0] = '?';  // "f3_0291.dat" asked as "?3_0291.*"
        s.requests.push_back(name.substr(0, name.size() - 3) + "*");
    }
    std::ofstream(s.root / "session.srif") << "Sysop Bench\nAKA 2:5020/1\nRequestList " << (s.root / "in.req").string()
                                           << "\nResponseList " << (s.root / "out" / "out.rsp").string() << "\n";
    return made.emplace(shape.name(), std::move(s)).first->second;
}

// Time per request and file (a run's time over requests × files), shown in seconds.
benchmark::Counter perRequestFile(const Shape& shape) {
    return benchmark::Counter(shape.requestFiles(),
                              benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void sessionRuntime(benchmark::State& state, Shape shape) {
    const Setup& s = setupOf(shape);
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
    state.counters["per_request_file"] = perRequestFile(shape);
}

void sessionBaseline(benchmark::State& state, Shape shape) {
    const Setup& s = setupOf(shape);
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
        if (granted != (shape.matching ? shape.requests : 0)) state.SkipWithError("wrong number of matches");
    }
    state.counters["per_request_file"] = perRequestFile(shape);
}

[[maybe_unused]] const bool registered = [] {
    const Shape shapes[] = {
        {16, 10, 2000, true}, {256, 10, 2000, false},
        // Linear in requests, then in files: the cost per request and file stays flat.
        {64, 1, 1000, false}, {128, 1, 1000, false}, {256, 1, 1000, false}, {64, 1, 2000, false}, {64, 1, 4000, false},
    };
    for (const Shape& shape : shapes) {
        std::string stem = "Session/" + shape.name();
        benchmark::RegisterBenchmark((stem + "/runtime").c_str(), sessionRuntime, shape)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((stem + "/baseline").c_str(), sessionBaseline, shape)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

} // namespace
