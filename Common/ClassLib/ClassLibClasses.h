// The classes of the class library, built and registered by name in one call.
#pragma once

/// Builds the Thread, Semaphore, CriticalSection, Mutex and Timer classes and
/// registers each by name (once; later calls do nothing new).
void RuntimeInitClassLibClasses();
