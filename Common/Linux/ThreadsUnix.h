// System threads and sleeping: what the cooperative threads ask of the kernel.
#pragma once
#include <pthread.h>

#include <cstddef>
#include <cstdint>

#include "Universal/ErrorOr.h"

/// A system thread's identity.
using SystemThread = pthread_t;

/// Starts `routine(argument)` on a new system thread whose stack holds
/// `stackSize` bytes; the thread, or the error that prevented it.
ErrorOr<SystemThread> StartSystemThread(void* (*routine)(void*), void* argument, size_t stackSize);
/// Waits until `thread` has ended and frees what the system kept of it.
void JoinSystemThread(SystemThread thread);
/// The calling system thread.
SystemThread CurrentSystemThread();
/// Whether `thread` is the calling system thread.
bool IsCurrentSystemThread(SystemThread thread);
/// The highest address of the calling thread's stack; 0 when the system cannot tell.
uintptr_t CurrentThreadStackTop();
/// Sleeps `milliseconds`, going on after a signal cuts the sleep short.
void SleepMilliseconds(uint32_t milliseconds);
