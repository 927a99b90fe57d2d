// A preload library that stops every clock a qarvex session reads at one
// instant, so that two runs of the same session write the same bytes: the
// packet's name and date, the log's stamps and the timings in the debug file.
// It also keeps a copy of each debug file the session removes (as
// "DebugNNN.Txt.kept"), since a session that ends well removes its own.
#include <dlfcn.h>
#include <sys/time.h>
#include <sys/times.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Sat 14 Mar 2026 15:09:26 UTC: a time with no zero field, so that a field
// taken from the wrong place shows. FIXED_CLOCK_SECONDS names another instant
// (one past 2038 checks the clock's width).
constexpr time_t kDefaultSeconds = 1773500966;
constexpr clock_t kFixedClockTicks = 4242;

time_t FixedSeconds() {
    static const time_t seconds = [] {
        const char* given = std::getenv("FIXED_CLOCK_SECONDS");
        return given ? time_t(std::strtoll(given, nullptr, 10)) : kDefaultSeconds;
    }();
    return seconds;
}

bool IsDebugFile(const char* path) {
    const char* slash = std::strrchr(path, '/');
    std::string name = slash ? slash + 1 : path;
    return name.size() == 12 && name.compare(0, 5, "Debug") == 0 && name.compare(8, 4, ".Txt") == 0;
}

} // namespace

extern "C" {

time_t time(time_t* out) noexcept {
    if (out) *out = FixedSeconds();
    return FixedSeconds();
}

int gettimeofday(struct timeval* now, void*) noexcept {
    *now = {FixedSeconds(), 0};
    return 0;
}

int clock_gettime(clockid_t, struct timespec* now) noexcept {
    *now = {FixedSeconds(), 0};
    return 0;
}

clock_t times(struct tms* spent) noexcept {
    if (spent) *spent = {kFixedClockTicks, 0, 0, 0};
    return kFixedClockTicks;
}

int remove(const char* path) noexcept {
    using Remove = int (*)(const char*);
    static const auto next = reinterpret_cast<Remove>(dlsym(RTLD_NEXT, "remove"));
    if (IsDebugFile(path)) link(path, (std::string(path) + ".kept").c_str());
    return next(path);
}

} // extern "C"
