// rt::ScopedThread: the one owner of a thread that ends when its owner goes.
#pragma once
#include <utility>

#include "Common/ClassLib/Thread.h"

namespace rt {

/// Ends its thread, if it still runs, when it goes. Not a handle: it cannot be
/// copied, and copies of the Thread it was given do not end the thread. It
/// must not go from inside its own thread (the kill would end the caller).
class ScopedThread {
public:
    explicit ScopedThread(Thread thread) noexcept : thread_(std::move(thread)) {}
    ScopedThread(const ScopedThread&) = delete;
    ScopedThread& operator=(const ScopedThread&) = delete;
    ~ScopedThread() {
        if (thread_ && thread_.state() != kThreadStateNotRunning) thread_.kill();
    }

    const Thread& thread() const noexcept { return thread_; }
    const Thread* operator->() const noexcept { return &thread_; }

private:
    Thread thread_;
};

} // namespace rt
