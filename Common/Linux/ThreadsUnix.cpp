#include "Common/Linux/ThreadsUnix.h"

#include <time.h>

#include <cerrno>

ErrorOr<SystemThread> StartSystemThread(void* (*routine)(void*), void* argument, size_t stackSize) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stackSize);
    SystemThread thread{};
    int error = pthread_create(&thread, &attributes, routine, argument);
    pthread_attr_destroy(&attributes);
    if (error != 0) return SystemError{error};
    return thread;
}

void JoinSystemThread(SystemThread thread) { pthread_join(thread, nullptr); }

SystemThread CurrentSystemThread() { return pthread_self(); }

bool IsCurrentSystemThread(SystemThread thread) { return pthread_equal(pthread_self(), thread); }

uintptr_t CurrentThreadStackTop() {
    pthread_attr_t attributes;
    void* base = nullptr;
    size_t size = 0;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
        pthread_attr_getstack(&attributes, &base, &size);
        pthread_attr_destroy(&attributes);
    }
    return reinterpret_cast<uintptr_t>(base) + size;
}

void SleepMilliseconds(uint32_t milliseconds) {
    timespec delay{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
    }
}
