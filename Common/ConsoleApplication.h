// The console application: the one application object, its Run and
// UnhandledException events, quitting, the exit code and the shutdown tasks.
#pragma once
#include <cstddef>
#include <cstdint>

#include "Common/objects.h"

/// The fields of a ConsoleApplication after the object header.
struct ConsoleApplicationFields {
    int32_t exitCode;
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(RuntimeObject) + offsetof(ConsoleApplicationFields, exitCode) == 24);
static_assert(sizeof(RuntimeObject) + sizeof(ConsoleApplicationFields) == 28);
#endif

/// Event slots of ConsoleApplication, in order.
enum ConsoleApplicationEvent : int32_t {
    kEventRun = 0,
    kEventUnhandledException = 1,
};

/// Event slots ServiceApplication adds after the inherited ones.
enum ServiceApplicationEvent : int32_t {
    kEventStop = 2,
    kEventPause = 3,
    kEventResume = 4,
    kEventDontDaemonize = 5,
};

/// Handler types of the events, as compiled code implements them.
using RunEventHandler = int32_t (*)(RuntimeObject* app, RuntimeArray* args);
using UnhandledExceptionEventHandler = void (*)(RuntimeObject* app, RuntimeObject* exc);
using StopEventHandler = void (*)(RuntimeObject* app, bool shuttingDown);
using DontDaemonizeEventHandler = bool (*)(RuntimeObject* app);

/// The ConsoleApplication and ServiceApplication classes, built on first use.
RuntimeClass* ConsoleApplicationClass();
RuntimeClass* ServiceApplicationClass();

extern "C" {
/// Constructor of ConsoleApplication: exit code 0, and registers the object as the application.
void ConsoleApplicationInitializer(RuntimeObject* app);
/// Makes obj the application object (the registry holds references); nil makes a default one.
void RuntimeRegisterConsoleAppObject(RuntimeObject* obj, bool isService);
/// Raises Run once with the command line, then quits; a second call does nothing. Gives 0.
int32_t RuntimeRun();
/// The application object's exit code.
int32_t RuntimeExit();
/// Ends the application with `code`; with `raiseEnd` raises EndException unless an unhandled
/// exception is being processed. Gives false.
bool ApplicationQuit(int32_t code, bool raiseEnd);
/// ApplicationQuit with the end flag set.
bool VQ_ApplicationQuit(int32_t code);
/// Detaches the process from its terminal and session; false when a step fails.
bool DaemonizeApp(RuntimeObject* app);
/// Gives the processor to the next cooperative thread; with only the main thread, returns at once.
void YieldToNextThread(RuntimeObject* app);
/// Plug-in entry-point table of `count` entries; nil for none (no plug-ins are loaded).
void* RuntimeAllocatePluginEntrypointsTable(int32_t count);
}

/// The registered application object, borrowed; null before registration.
RuntimeObject* RuntimeApplicationObject();
/// Stores the process command line for the Run event (argv[0] being the resolved program path).
void RuntimeSetCommandLine(int argc, char** argv);

/// Registers obj to be destroyed when the process ends (the list takes a reference).
void RuntimeAddShutdownTask(RuntimeObject* obj);
/// Removes obj from the shutdown tasks, releasing the list's reference.
void RuntimeRemoveShutdownTask(RuntimeObject* obj);
/// Destroys the shutdown tasks, newest first.
void RuntimeRunShutdownTasks();
/// Releases the registry's reference to the application object and forgets it (process end).
void RuntimeReleaseApplicationObject();
