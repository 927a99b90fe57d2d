// Whole SRIF sessions of the real program, each beside three C programs that
// find the same files in the same folders: "/baseline" reads every folder
// and stats every entry for every request; "/lazy" reads every folder for
// every request but stats only the names that match; "/floor" reads each
// folder once a session and matches every request in memory. Shapes: 16
// requests that each match one file and 256 that match nothing over 10
// folders of 2,000 files; 256 exact names over 10 folders of 10,000; a series
// over one folder as files grow, whose cost per request and file stays flat.
// Then the hostile ones, timed and measured alone: one request line of
// 100 MB, 256 requests over a folder of 200,000 files, and the same over a
// permission list of 100,000 lines that each name one file of it. Every session's peak memory is reported (peak_KiB).
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

enum class Asked { Matching, Nothing, ExactNothing, OneLongLine };

struct Shape {
    int requests, folders, files;
    Asked asked;
    int okLines = 0;  // permission lines, one for each file of the first folder; 0: one line a folder
    bool baselines = true;

    std::string name() const {
        static const char* const kAsked[] = {"", "/none", "/exact", "/line100MB"};
        std::string text = std::to_string(requests) + "x" + std::to_string(folders) + "x" + std::to_string(files) +
                           kAsked[int(asked)];
        if (okLines) text += "/okLines" + std::to_string(okLines);
        return text;
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
    for (int index = 0; index < files; ++index) {
        int descriptor = open((made / fileName(folder, index)).c_str(), O_WRONLY | O_CREAT, 0644);
        if (descriptor >= 0) close(descriptor);
    }
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
    int lines = shape.okLines ? shape.okLines : shape.folders;
    for (int line = 0; line < lines; ++line) {
        int folder = shape.okLines ? 0 : line;
        std::string folderPath = area(shape.files, folder).string();
        std::string mask = shape.okLines ? fileName(0, line) : "*.dat";
        okFile << folderPath << "/" << mask << "\n";
        s.lines.emplace_back(folderPath, mask);
    }
    // The session takes the request list away, so each run gets a fresh copy of this one.
    std::ofstream list(s.root / "requests.txt", std::ios::binary);
    if (shape.asked == Asked::OneLongLine) {
        std::string block(1 << 20, 'x');
        for (int i = 0; i < 100; ++i) list << block;
        list << "\r\n";
    }
    for (int request = 0; request < shape.requests && shape.asked != Asked::OneLongLine; ++request) {
        int index = shape.asked == Asked::Matching ? request * 97 % shape.files : shape.files + request;
        std::string name = fileName(request % shape.folders, index);
        if (shape.asked != Asked::ExactNothing) {
            name[0] = '?';  // "f3_0291.dat" asked as "?3_0291.*"
            name = name.substr(0, name.size() - 3) + "*";
        }
        s.requests.push_back(name);
        list << name << "\r\n";
    }
    std::ofstream(s.root / "session.srif") << "Sysop Bench\nAKA 2:5020/1\nTime -1\nRequestList "
                                           << (s.root / "in.req").string() << "\nResponseList "
                                           << (s.root / "out" / "out.rsp").string() << "\n";
    return made.emplace(shape.name(), std::move(s)).first->second;
}

int expectedMatches(const Shape& shape) { return shape.asked == Asked::Matching ? shape.requests : 0; }

// Time per request and file (a run's time over requests × files), shown in seconds.
benchmark::Counter perRequestFile(const Shape& shape) {
    return benchmark::Counter(shape.requestFiles(),
                              benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void sessionRuntime(benchmark::State& state, Shape shape) {
    const Setup& s = setupOf(shape);
    std::string program = (s.root / "bin" / "qarvex").string();
    std::string srif = (s.root / "session.srif").string();
    long peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(s.root / "requests.txt", s.root / "in.req", fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        pid_t child = fork();
        if (child == 0) {
            int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, STDOUT_FILENO);
            execl(program.c_str(), program.c_str(), "SRIF", "2:5020/9999", srif.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);  // this session's own peak, not the largest child's so far
        peak = std::max(peak, usage.ru_maxrss);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError(("the session failed: status " + std::to_string(status)).c_str());
            break;
        }
        state.PauseTiming();
        for (const auto& packet : fs::directory_iterator(s.root / "out")) fs::remove(packet.path());
        fs::remove(s.root / "bin" / "QARVEX.Log");  // a log growing over the iterations would skew them
        state.ResumeTiming();
    }
    state.counters["peak_KiB"] = double(peak);
    state.counters["per_request_file"] = perRequestFile(shape);
}

bool fits(const std::string& name, const std::string& mask, const std::string& request) {
    return fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) == 0 &&
           fnmatch(request.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

bool plainFile(const std::string& folder, const char* name) {
    std::string path = folder + "/" + name;
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Today's walk: every entry of every folder is stat'ed for every request.
void sessionBaseline(benchmark::State& state, Shape shape) {
    const Setup& s = setupOf(shape);
    for (auto _ : state) {
        int granted = 0;
        for (const std::string& request : s.requests) {
            // The permission list is read again for every request, as the session did.
            std::ifstream okFile(s.root / "bin" / "OkFile.Txt");
            std::string line;
            size_t lineIndex = 0;
            while (std::getline(okFile, line)) {
                const auto& [folder, mask] = s.lines[lineIndex++];
                DIR* dir = opendir(folder.c_str());
                while (dirent* entry = readdir(dir)) {
                    if (entry->d_name[0] == '.') continue;
                    if (!plainFile(folder, entry->d_name)) continue;
                    if (fits(entry->d_name, mask, request)) ++granted;
                }
                closedir(dir);
            }
        }
        if (granted != expectedMatches(shape)) state.SkipWithError("wrong number of matches");
    }
    state.counters["per_request_file"] = perRequestFile(shape);
}

// Every folder read for every request, a name matched before its file is looked at.
void sessionLazy(benchmark::State& state, Shape shape) {
    const Setup& s = setupOf(shape);
    for (auto _ : state) {
        int granted = 0;
        for (const std::string& request : s.requests) {
            for (const auto& [folder, mask] : s.lines) {
                DIR* dir = opendir(folder.c_str());
                while (dirent* entry = readdir(dir)) {
                    if (entry->d_name[0] == '.') continue;
                    if (fits(entry->d_name, mask, request) && plainFile(folder, entry->d_name)) ++granted;
                }
                closedir(dir);
            }
        }
        if (granted != expectedMatches(shape)) state.SkipWithError("wrong number of matches");
    }
    state.counters["per_request_file"] = perRequestFile(shape);
}

// The floor: each folder read once a session, every request matched in memory.
void sessionFloor(benchmark::State& state, Shape shape) {
    const Setup& s = setupOf(shape);
    for (auto _ : state) {
        std::map<std::string, std::vector<std::string>> listed;
        for (const auto& line : s.lines) {
            auto [names, added] = listed.try_emplace(line.first);
            if (!added) continue;
            DIR* dir = opendir(line.first.c_str());
            while (dirent* entry = readdir(dir))
                if (entry->d_name[0] != '.') names->second.emplace_back(entry->d_name);
            closedir(dir);
        }
        int granted = 0;
        for (const std::string& request : s.requests)
            for (const auto& [folder, mask] : s.lines)
                for (const std::string& name : listed[folder])
                    if (fits(name, mask, request) && plainFile(folder, name.c_str())) ++granted;
        if (granted != expectedMatches(shape)) state.SkipWithError("wrong number of matches");
    }
    state.counters["per_request_file"] = perRequestFile(shape);
}

void registerShape(const Shape& shape) {
    std::string stem = "Session/" + shape.name();
    auto add = [&](const char* kind, void (*function)(benchmark::State&, Shape)) {
        auto* run = benchmark::RegisterBenchmark((stem + kind).c_str(), function, shape);
        run->UseRealTime()->Unit(benchmark::kMillisecond);
        if (shape.requestFiles() >= 2e7 || !shape.baselines) run->Iterations(2);  // the largest, and the hostile ones
    };
    add("/runtime", sessionRuntime);
    if (!shape.baselines) return;
    // Today's walk would take minutes over the largest shapes: their ratios are to the other two.
    if (shape.requestFiles() < 1e7) add("/baseline", sessionBaseline);
    add("/lazy", sessionLazy);
    add("/floor", sessionFloor);
}

[[maybe_unused]] const bool registered = [] {
    const Shape shapes[] = {
        {16, 10, 2000, Asked::Matching},
        {256, 10, 2000, Asked::Nothing},
        {256, 10, 10000, Asked::ExactNothing},
        // Linear in files: the cost per request and file stays flat.
        {64, 1, 1000, Asked::Nothing},
        {64, 1, 2000, Asked::Nothing},
        {64, 1, 4000, Asked::Nothing},
        {64, 1, 8000, Asked::Nothing},
        {64, 1, 16000, Asked::Nothing},
        // Hostile: the session alone, its time and its peak memory.
        {1, 1, 1000, Asked::OneLongLine, 0, false},
        {256, 1, 200000, Asked::Nothing, 0, false},
        {256, 1, 200000, Asked::Nothing, 100000, false},
    };
    for (const Shape& shape : shapes) registerShape(shape);
    return true;
}();

} // namespace
