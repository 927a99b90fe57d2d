// Conversion of random bytes between encodings: whatever the bytes, the
// converter gives a string and never reads or writes past either buffer.
#include "FuzzSupport.h"
#include "Universal/TextEncodingUtil.h"
#include "Universal/VELQstring.h"

namespace {

constexpr uint32_t kCodes[] = {
    kEncodingUTF8, kEncodingUTF16, kEncodingUTF32, kEncodingASCII, kEncodingUnknown,
    0 /* MacRoman */, 1 /* MacJapanese */, 0x201 /* ISO Latin 1 */, 0x202 /* ISO Latin 2 */,
    0x400 /* DOS Latin US */, 0x420 /* DOS Japanese */, 0x422 /* DOS Korean */, 0x500 /* Windows Latin 1 */,
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInitRuntime();
    FuzzedDataProvider input(data, size);
    const uint32_t from = input.PickValueInArray(kCodes);
    const uint32_t to = input.PickValueInArray(kCodes);
    rt::String text = FuzzString(input.ConsumeRemainingBytesAsString(), from);
    rt::String direct = rt::String::adopt(TextEncodingConvert(text.get(), from, to));
    rt::String viaLabel = rt::String::adopt(ConvertStringToCode(text.get(), to));
    // Text joined with text of another code goes through the common encoding.
    rt::String joined = text + FuzzString("x", to == kEncodingUTF16 || to == kEncodingUTF32 ? kEncodingUTF8 : to);
    (void)compareIgnoringCase(text, viaLabel);
    return 0;
}
