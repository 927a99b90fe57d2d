// qarvex: the FidoNet file-request processor. The process starts the runtime
// and runs the application's entry sequence with App as its class.
#include <cstdio>

#include "Common/RuntimeMain.h"
#include "app/App.h"
#include "app/Places.h"
#include "app/Usage.h"

int main(int argc, char** argv) {
    switch (RequestOf(argc, argv)) {
    case CommandLineRequest::Usage:
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    case CommandLineRequest::Version:
        std::fputs(("qarvex " QARVEX_VERSION "\n" + PlacesText()).c_str(), stdout);
        return 0;
    case CommandLineRequest::Run:
        break;
    }
    int status = RuntimeMain(argc, argv, [] { return RuntimeRunEntrySequence(&AppClass); });
    if (argc < 2) std::puts(kHelpHint);
    return status;
}
