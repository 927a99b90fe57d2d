// imagehost: runs the code image held in its own section ".vq", or the
// development files of its working folder, and ends with the image's exit code.
#include "Common/RuntimeMain.h"
#include "Common/exceptions.h"
#include "Common/Image/loaderX86.h"

namespace {

// What the image raises and none of its handlers takes still gets the
// unhandled processing before the process ends.
int32_t runImage() {
    try {
        return RuntimeLoadAndRunImage(RuntimeExecutablePath());
    } catch (const rt::RaisedException& raised) {
        RuntimeEndUnhandled(raised.object());
    }
}

} // namespace

int main(int argc, char** argv) { return RuntimeMain(argc, argv, &runImage); }
