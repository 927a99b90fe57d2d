// The string functions that read text: Val, Format, Split and InStr, over
// arbitrary bytes in a few encodings, with the properties callers rely on.
#include <cmath>
#include <cstring>

#include "Common/array.h"
#include "FuzzSupport.h"
#include "Universal/NumberText.h"
#include "Universal/StringFields.h"
#include "Universal/StringFormat.h"
#include "Universal/StringSearch.h"
#include "Universal/StringUtils.h"

namespace {

constexpr uint32_t kCodes[] = {kEncodingUTF8, kEncodingASCII, 0x201 /* ISO Latin 1 */, kEncodingUnknown};

bool noLetters(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return false;
    return true;
}

std::string hex(const rt::String& text) {
    std::string out;
    char digits[4];
    for (unsigned char c : text.bytes()) {
        std::snprintf(digits, sizeof digits, "%02X ", c);
        out += digits;
    }
    return out;
}

void split(const rt::String& source, const rt::String& delimiter) {
    RuntimeArray* fields = StringSplit(source.get(), delimiter.get());
    const int32_t count = RuntimeUBound(fields) + 1;
    if (!delimiter.empty())
        FuzzCheck(count == StringCountFields(source.get(), delimiter.get()), "Split and CountFields agree");
    // Joined again with a delimiter that only matches itself, the fields are the source.
    if (!delimiter.empty() && noLetters(delimiter.bytes()) && source.encoding() == delimiter.encoding() && count > 0) {
        rt::String joined = rt::String::adopt(StringJoin(fields, delimiter.get()));
        FuzzCheck(joined.bytes() == source.bytes(), "Join undoes Split");
    }
    RuntimeUnlockArray(fields);
}

void inStr(int32_t start, const rt::String& source, const rt::String& find) {
    int32_t at = StringInStr(start, source.get(), find.get());
    if (at == 0 || find.empty() || source.encoding() != find.encoding()) return;
    FuzzCheck(at >= std::max(start, 1), "InStr finds nothing before its start");
    FuzzCheck(at <= StringDBCSLen(source.get()), "InStr stays inside the source");
    // The position counts characters as Mid does: the text there is the one found.
    rt::String there = rt::String::adopt(StringDBCSMid3(source.get(), at, StringDBCSLen(find.get())));
    // (Letters whose cases differ in length fold equal in the search but not in the comparison.)
    const bool found = StringInStr(1, there.get(), find.get()) == 1;
    if (!found) {
        std::fprintf(stderr, "InStr(%d, %s, %s) = %d, code %08X; Mid there: %s\n", start, hex(source).c_str(),
                     hex(find).c_str(), at, source.encoding(), hex(there).c_str());
    }
    FuzzCheck(found, "Mid at InStr's position gives the text found");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInitRuntime();
    FuzzedDataProvider input(data, size);
    const uint8_t op = input.ConsumeIntegral<uint8_t>();
    const uint32_t code = input.PickValueInArray(kCodes);
    const uint32_t otherCode = input.ConsumeBool() ? code : input.PickValueInArray(kCodes);
    switch (op % 4) {
    case 0: {
        double value = StringVal(FuzzString(input.ConsumeRemainingBytesAsString(), code).get());
        (void)value;
        break;
    }
    case 1: {
        double x = input.ConsumeFloatingPoint<double>();
        if (input.ConsumeBool()) x = double(input.ConsumeIntegral<int64_t>()) / 1000;
        rt::String format = FuzzString(input.ConsumeRemainingBytesAsString(), code);
        rt::String::adopt(StringFormat(x, format.get()));
        break;
    }
    case 2: {
        rt::String delimiter = FuzzString(input.ConsumeRandomLengthString(8), otherCode);
        split(FuzzString(input.ConsumeRemainingBytesAsString(), code), delimiter);
        break;
    }
    default: {
        int32_t start = input.ConsumeIntegralInRange<int32_t>(-2, 40);
        rt::String find = FuzzString(input.ConsumeRandomLengthString(16), otherCode);
        inStr(start, FuzzString(input.ConsumeRemainingBytesAsString(), code), find);
        break;
    }
    }
    return 0;
}
