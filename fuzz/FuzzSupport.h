// What every harness shares: the runtime's process-wide classes and streams,
// an App object whose trace goes nowhere, and a check that stops the run
// with a message when a property of the code under test does not hold.
#pragma once
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Common/CoreClasses.h"
#include "Common/Ref.h"
#include "Common/StandardStreams.h"
#include "Common/objects.h"
#include "Common/runFileAccess.h"
#include "Common/runFolderItem.h"
#include "Common/String.h"
#include "app/App.h"

/// Builds the runtime core's classes and standard streams once per process, as qarvex does.
inline void FuzzInitRuntime() {
    static const bool done = [] {
        RuntimeInitCoreClasses();
        for (RuntimeObject* (*get)() : {&RuntimeGetStdOut, &RuntimeGetStdErr, &RuntimeGetStdIn})
            RuntimeUnlockObject(get());
        return true;
    }();
    (void)done;
}

/// One App object for the whole process, tracing into /dev/null with "/" as its separator.
inline RuntimeObject* FuzzApp() {
    static RuntimeObject* const app = [] {
        FuzzInitRuntime();
        RuntimeObject* made = RuntimeNewObject(AppClass());
        rt::Ref<> item = rt::Ref<>::adopt(RuntimeGetFolderItem(rt::String("/dev/null").get(), kNativePath));
        AppState(made)->DbgFile = rt::TextOutputStream::adopt(FolderItemCreateTextFile(item.get()));
        AppState(made)->FileSep = rt::String("/");
        return made;
    }();
    return app;
}

/// Stops the fuzzer with `what` when `holds` is false, so the input is kept as a finding.
inline void FuzzCheck(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "property failed: %s\n", what);
    std::abort();
}

/// A runtime string of `bytes` labelled `encoding`.
inline rt::String FuzzString(const std::string& bytes, uint32_t encoding = kEncodingUTF8) {
    return rt::String::fromBytes(bytes, encoding);
}
