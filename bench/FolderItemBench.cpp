// A walk over a folder's entries, Item(1) to Item(Count) reading Name and
// Directory, beside a plain opendir/readdir/stat loop over the same folder.
// Registered at start-up; the benchmark program's main prints each "/runtime"
// result beside its "/baseline" as a ratio.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "Common/FolderItem.h"

namespace {

// A folder of `count` empty files (one in ten a folder) made once per run.
const std::string& folderOf(int count) {
    static std::map<int, std::string> made;
    auto found = made.find(count);
    if (found != made.end()) return found->second;
    char pattern[] = "/tmp/qarvex-bench-XXXXXX";
    std::string root = mkdtemp(pattern);
    for (int i = 0; i < count; ++i) {
        std::string entry = root + "/entry" + std::to_string(i);
        if (i % 10 == 0) mkdir(entry.c_str(), 0755);
        else fclose(fopen(entry.c_str(), "w"));
    }
    std::atexit([] {
        for (const auto& [count, path] : made) std::filesystem::remove_all(path);
    });
    return made.emplace(count, root).first->second;
}

void walkFolderItems(benchmark::State& state, int count) {
    rt::String path(folderOf(count));
    for (auto _ : state) {
        rt::FolderItem folder = rt::FolderItem::at(path);
        int32_t entries = folder.count();
        int32_t folders = 0;
        for (int32_t i = 1; i <= entries; ++i) {
            rt::FolderItem entry = folder.item(i);
            benchmark::DoNotOptimize(entry.name().length());
            folders += entry.directory();
        }
        if (entries != count) state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(folders);
    }
}

void walkPlainC(benchmark::State& state, int count) {
    std::string root = folderOf(count) + "/";
    for (auto _ : state) {
        DIR* folder = opendir(root.c_str());
        int entries = 0, folders = 0;
        while (dirent* entry = readdir(folder)) {
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
            std::string path = root + entry->d_name;
            struct stat info;
            benchmark::DoNotOptimize(std::strlen(entry->d_name));
            folders += stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
            ++entries;
        }
        closedir(folder);
        if (entries != count) state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(folders);
    }
}

[[maybe_unused]] const bool registered = [] {
    for (int count : {1000, 20000}) {
        folderOf(count);
        std::string stem = "FolderWalk/" + std::to_string(count);
        benchmark::RegisterBenchmark((stem + "/runtime").c_str(), walkFolderItems, count);
        benchmark::RegisterBenchmark((stem + "/baseline").c_str(), walkPlainC, count);
    }
    return true;
}();

} // namespace
