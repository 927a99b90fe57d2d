// imagehost: runs the code image held in its own section ".vq", or the
// development files of its working folder, and ends with the image's exit code.
#include <cstdio>
#include <cstring>

#include "Common/RuntimeMain.h"
#include "Common/exceptions.h"
#include "Common/Image/loaderX86.h"

namespace {

constexpr const char* kUsage =
    "Usage: imagehost [argument ...]\n"
    "       imagehost --help | --version\n"
    "\n"
    "Runs the code image held in the program's own section \".vq\" and ends with\n"
    "the exit code of the image's entry routine. Without such a section it runs\n"
    "the development files of the working folder: import.dat, code.dat, data.dat,\n"
    "rsrc.dat, options.dat and symbols.dat.\n"
    "A copy that carries an image passes every argument, --help too, to the image.\n";

// What the image raises and none of its handlers takes still gets the
// unhandled processing before the process ends.
int32_t runImage() {
    try {
        return RuntimeLoadAndRunImage(RuntimeExecutablePath());
    } catch (const rt::RaisedException& raised) {
        RuntimeEndUnhandled(raised.object());
    }
}

// A lone --help, -h or --version is answered before the runtime starts, unless
// the program carries an image: the options are then the image's own.
bool answeredInformationalOption(int argc, char** argv) {
    if (argc != 2) return false;
    const char* option = argv[1];
    bool help = std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0;
    bool version = std::strcmp(option, "--version") == 0;
    if (!help && !version) return false;
    if (RuntimeHoldsImage(RuntimeResolveExecutablePath(argv[0]))) return false;
    std::fputs(help ? kUsage : "imagehost " QARVEX_VERSION "\n", stdout);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (answeredInformationalOption(argc, argv)) return 0;
    return RuntimeMain(argc, argv, &runImage);
}
