// The SRIF reader over arbitrary file contents: whatever a caller's mailer
// writes, the reader keeps its values trimmed and bounded and never fails.
#include <unistd.h>

#include <fstream>
#include <string_view>

#include "FuzzSupport.h"

namespace {

const std::string& scratchPath() {
    static const std::string path = "/tmp/qarvex-fuzz-srif-" + std::to_string(getpid());
    return path;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// A value the reader kept has no ASCII blank at either end; its other bytes
// (an 8-bit name's 0xA0 among them) are kept as they came.
void checkTrimmed(RTString value) {
    if (!value) return;
    std::string_view bytes = rt::String::retain(value).bytes();
    FuzzCheck(bytes.empty() || (!isBlank(bytes.front()) && !isBlank(bytes.back())), "SRIF value is trimmed");
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
    for (rt::String* value : {&f->ReqFileName, &f->RspFileName, &f->SysOp, &f->FidoAddr}) {
        checkTrimmed(value->get());
        *value = {};
    }
    // The caller's addresses: a bounded number, each a trimmed, non-empty value.
    const SrifCaller& caller = SrifCallerOf();
    FuzzCheck(caller.akas.size() <= 64, "at most 64 AKAs are kept");
    for (const std::string& aka : caller.akas)
        FuzzCheck(!aka.empty() && !isBlank(aka.front()) && !isBlank(aka.back()), "an AKA is trimmed");
    return 0;
}
