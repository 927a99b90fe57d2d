// Helpers for the thread, lock and timer tests.
#pragma once
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "Common/ClassLib/RuntimeThread.h"
#include "Common/ClassLib/Thread.h"
#include "Common/ClassLib/Timer.h"

/// Builds the facade's classes once, so that their never-freed names do not
/// count as a test's leaks.
inline void WarmUpThreadClasses() {
    rt::Thread warmUp = rt::Thread::make([] {});
    rt::Timer timer = rt::Timer::make([] {});
}

/// Yields until `thread` has finished.
inline void YieldUntilFinished(const rt::Thread& thread) {
    while (thread.state() != kThreadStateNotRunning) rt::Thread::yield();
}

/// What a child process printed on standard output and its exit status.
struct ChildResult {
    std::string output;
    int exitCode;
};

/// Runs `body` in a child process (which ends with status 0 when body returns)
/// and collects its standard output.
inline ChildResult RunInChild(const std::function<void()>& body) {
    int fds[2];
    if (pipe(fds) != 0) return {"pipe failed", -1};
    pid_t child = fork();
    if (child == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        body();
        std::fflush(nullptr);
        _exit(0);
    }
    close(fds[1]);
    ChildResult result{{}, -1};
    char buffer[512];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) result.output.append(buffer, size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
}
