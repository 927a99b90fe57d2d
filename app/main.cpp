// qarvex: the FidoNet file-request processor. The process starts the runtime
// and runs the application's entry sequence with App as its class.
#include "Common/RuntimeMain.h"
#include "app/App.h"

int main(int argc, char** argv) {
    return RuntimeMain(argc, argv, [] { return RuntimeRunEntrySequence(&AppClass); });
}
