// The SRIF reader over arbitrary file contents: whatever a caller's mailer
// writes, the reader keeps the four values trimmed and never fails.
#include <unistd.h>

#include <fstream>

#include "FuzzSupport.h"
#include "Universal/StringTrim.h"

namespace {

const std::string& scratchPath() {
    static const std::string path = "/tmp/qarvex-fuzz-srif-" + std::to_string(getpid());
    return path;
}

// A value the reader kept has no blank at either end.
void checkTrimmed(RTString value) {
    if (!value) return;
    rt::String trimmed = rt::String::adopt(runTrim(value));
    FuzzCheck(trimmed.bytes() == rt::String::retain(value).bytes(), "SRIF value is trimmed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RuntimeObject* app = FuzzApp();
    {
        std::ofstream file(scratchPath(), std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    AppInitSRIF(app, rt::String(scratchPath()).get());
    unlink(scratchPath().c_str());
    AppFields* f = AppState(app);
    for (RTString* value : {&f->ReqFileName, &f->RspFileName, &f->SysOp, &f->FidoAddr}) {
        checkTrimmed(*value);
        RuntimeUnlockString(std::exchange(*value, nullptr));
    }
    return 0;
}
