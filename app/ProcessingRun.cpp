// The Run event: one whole processing run, from the debug file to the exit
// code. TEST mode checks the permission list; SRIF mode serves one session.
#include <vector>

#include "Common/Date.h"
#include "Common/Linux/StandardInputUnix.h"
#include "Common/RuntimeMain.h"
#include "Common/StandardStreams.h"
#include "Common/Arrays.h"
#include "Common/runFileAccess.h"
#include "Common/runFolderItem.h"
#include "Common/StringFunctions.h"
#include "app/App.h"
#include "app/ConfigCheck.h"
#include "app/DebugFile.h"
#include "app/FileFailure.h"
#include "app/Interruption.h"
#include "app/KeptFiles.h"
#include "app/Output.h"
#include "app/Session.h"
#include "app/Settings.h"

namespace {

// The exit status of a run that ended without success, so that the mailer and
// the sysop's scripts see the failure.
constexpr int32_t kErrorExitStatus = 1;

struct Run {
    RuntimeObject* app;
    std::vector<rt::String> args;  // the arguments, the runtime's empty last element dropped
    bool testMode = false;
};

using rt::decimal;

AppFields& state(RuntimeObject* app) { return *AppState(app); }

// Runs the chosen mode. Gives false when the arguments are too few for it.
RunResult<bool> runMode(Run& run) {
    RuntimeObject* app = run.app;
    const rt::String& mode = run.args[1];
    if (equalsIgnoringCase(mode, "TEST")) {
        run.testMode = true;
        TRY(TestPermissionList(app));
    } else if (equalsIgnoringCase(mode, "SRIF")) {
        if (run.args.size() < 4) return false;
        TRY(ReadSrif(app, run.args[3]));
        const Settings* settings = TRY(RunSettings(app));
        TRY(ServeSession(app, run.args[2], SessionSeconds(settings->sessionSeconds, SrifTimeMinutes())));
    } else {
        StdOut(rt::String("   Bad startup mode: ") + mode);
        Debug(app, rt::String("Bad startup mode: ") + mode);
        LogReason(app, rt::String("Bad startup mode: ") + mode);
        return Reported{};
    }
    return true;
}

int32_t notEnoughArguments(RuntimeObject* app) {
    StdOut("   Not enough command line arguments supplied");
    Debug(app, "Not enough command line arguments supplied");
    LogReason(app, "Not enough command line arguments supplied");
    AppState(app)->DbgFile.close();
    ReportKeptDebugFile();
    return 1;
}

// TEST mode ends waiting for the sysop's Enter. The check is done by then, so
// a termination signal that ends the wait early changes nothing. The wait
// goes in short steps: a signal that arrives just before a blocking read
// would otherwise leave that read waiting for ever.
void awaitEnter() {
    RuntimeStdOutputStreamWrite(rt::Ref<>::adopt(RuntimeGetStdOut()).get(), rt::String("\r\nHit Enter").get());
    constexpr int kStepMilliseconds = 100;
    while (!RuntimeTerminationPending()) {
        if (StandardInputReadyWithin(kStepMilliseconds)) {
            rt::String::adopt(RuntimeStdInputRead(rt::Ref<>::adopt(RuntimeGetStdIn()).get(), 1, nullptr));
            return;
        }
    }
}

int32_t finish(const Run& run, bool success) {
    RuntimeObject* app = run.app;
    AppFields& f = state(app);
    if (!run.testMode) {
        const rt::String& requestName = f.ReqFileName;
        // An empty name is the application folder itself, which holds the
        // program and is never removed, and so is a file the program keeps. A
        // link is removed, never its target.
        if (!equalsIgnoringCase(requestName, "Test.Req") && !requestName.empty() && !IsKeptFile(requestName))
            if (rt::Ref<> item = rt::Ref<>::adopt(RuntimeGetTrueFolderItem(requestName.get(), kNativePath)))
                FolderItemDelete(item.get());
    }
    if (f.DbgFile) f.DbgFile.close();  // none when it could not be made
    if (success) {
        DeleteDebugFile();
        return 0;
    }
    ReportKeptDebugFile();
    return kErrorExitStatus;
}

// The check of --check, which writes nothing: a termination signal ends it
// with its status 1, as a check that did not finish cannot vouch for the list.
int32_t checkInterruptible(RuntimeObject* app) {
    RunResult<int32_t> status = CheckPermissionList(app);
    if (!status.isError()) return status.value();
    if (const Interrupted* interrupted = std::get_if<Interrupted>(&status.error()))
        StdOut(rt::String("   Check Interrupted by Signal ") + decimal(interrupted->signal));
    return kErrorExitStatus;
}

} // namespace

int32_t AppRun(RuntimeObject* app, RuntimeArray* argumentArray) {
    InterruptRunOnSignals();
    // The check of the permission list leaves no trace: a package hook may
    // run it as root, and a log or debug file it made would then be root's.
    {
        auto arguments = rt::Array<rt::String>::retain(argumentArray);
        int32_t last = arguments.upperBound();
        if (last >= 0 && arguments[last].empty()) --last;
        if (last == 1 && arguments[1].bytes() == "--check") return checkInterruptible(app);
    }
    Run run{app, {}};
    rt::Date started = rt::Date::now();
    AppFields& f = state(app);

    ErrorOr<rt::TextOutputStream, FileFailure> debugFile = CreateDebugFile();
    if (debugFile.isError()) ReportFailure(app, debugFile.error());
    else f.DbgFile = debugFile.value();
    Debug(app, rt::String("Start QARVEX ") + started.sqlDateTime());

    auto arguments = rt::Array<rt::String>::retain(argumentArray);
    int32_t last = arguments.upperBound();
    for (int32_t i = 0; i <= last; ++i) Debug(app, rt::String("Arg ") + decimal(i) + rt::String(" = ") + arguments[i]);
    f.FileSep = rt::String("/");

    if (last >= 0 && arguments[last].empty()) --last;  // the runtime's empty last element
    for (int32_t i = 0; i <= last; ++i) run.args.push_back(arguments[i]);
    if (last < 1) return notEnoughArguments(app);
    StdOut(rt::String(">> Starting File Request Processing (") + run.args[1] + rt::String(" Mode)"));
    RunResult<bool> ran = runMode(run);
    if (!ran.isError() && !ran.value()) return notEnoughArguments(app);
    if (ran.isError()) ReportRunFailure(app, ran.error());
    // A check that ended by its own finding still waits for the sysop; one
    // cut short by a file or a signal does not.
    if (run.testMode && (!ran.isError() || std::holds_alternative<Reported>(ran.error()))) awaitEnter();
    return finish(run, !ran.isError());
}