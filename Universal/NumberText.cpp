#include "Universal/NumberText.h"

#include <locale.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

#include "Universal/VELQstring.h"

namespace {

RTString asciiString(std::string_view text) { return StringFromBytes(text.data(), text.size(), kEncodingASCII); }

template <typename T>
RTString decimalText(T x) {
    char buffer[24];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, x).ptr;
    return asciiString({buffer, size_t(end - buffer)});
}

// Digits of the value's own width: a signed value counts as its two's complement.
template <typename T>
RTString radixText(T x, unsigned bitsPerDigit) {
    auto value = static_cast<std::make_unsigned_t<T>>(x);
    char buffer[64];
    char* end = buffer + sizeof buffer;
    char* p = end;
    const unsigned mask = (1u << bitsPerDigit) - 1;
    do {
        *--p = "0123456789ABCDEF"[unsigned(value) & mask];
        value = static_cast<decltype(value)>(value >> bitsPerDigit);
    } while (value != 0);
    return asciiString({p, size_t(end - p)});
}

// The value of `c` as a digit of `base`, or -1.
int digitValue(unsigned char c, int base) {
    int value = c >= '0' && c <= '9' ? c - '0'
              : c >= 'a' && c <= 'f' ? c - 'a' + 10
              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                     : -1;
    return value < base ? value : -1;
}

// "&H1F", "&O17", "&B101": every character that is not a digit of the base is
// skipped; the digits accumulate into 32 bits, which are read as signed.
double radixPrefixedValue(const char* text, uint32_t length) {
    int base = 0;
    switch (text[1]) {
    case 'B': case 'b': base = 2; break;
    case 'O': case 'o': base = 8; break;
    case 'H': case 'h': base = 16; break;
    default: return 0;
    }
    uint32_t value = 0;
    for (uint32_t i = 2; i < length; ++i) {
        int digit = digitValue(uint8_t(text[i]), base);
        if (digit >= 0) value = value * uint32_t(base) + uint32_t(digit);
    }
    return double(int32_t(value));
}

} // namespace

double ParseDoubleInCLocale(const char* text) {
    // The process locale may use a comma as its decimal point; numbers in
    // request lists and configuration always use the full stop.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtod_l(text, nullptr, cLocale);
}

extern "C" double StringVal(RTString s) {
    if (!s) return 0;
    if (!IsWideUnicodeEncoding(s->encoding)) {
        if (s->length > 1 && s->bytes()[0] == '&') return radixPrefixedValue(s->bytes(), s->length);
        return ParseDoubleInCLocale(s->bytes());
    }
    // Wide text is read after conversion, never by its ASCII-looking bytes.
    RTString narrow = ConvertStringToCode(s, kEncodingUTF8);
    double value = narrow && narrow->encoding == kEncodingUTF8 ? StringVal(narrow) : 0;
    RuntimeUnlockString(narrow);
    return value;
}

extern "C" int32_t runCLong(RTString s) {
    double value = std::nearbyint(StringVal(s));
    if (std::isnan(value)) return 0;
    if (value <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    if (value >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    return int32_t(value);
}

extern "C" RTString StringStrDouble(double x) {
    if (x == 0) x = 0;  // minus zero prints as zero
    const double magnitude = std::fabs(x);
    const bool fixed = x == 0 || (magnitude >= 0.00001 && magnitude <= 1000000);
    // std::to_chars rounds exactly as printf does and always writes a full
    // stop, whatever the process locale says.
    char buffer[64];
    std::string text;
    int decimals = 0;
    if (fixed) {
        int integerDigits = 0;
        for (double bound = 1; magnitude >= bound && integerDigits < 7; bound *= 10) ++integerDigits;
        decimals = 7 - integerDigits;
        auto end = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, decimals).ptr;
        text.assign(buffer, end);
    } else {
        auto end = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific, 6).ptr;
        text.assign(buffer, end);
        // printf pads the exponent to two digits; one is enough here.
        if (auto at = text.find("e+0"); at != std::string::npos) text.erase(at + 2, 1);
        if (std::isnan(x)) text = "NaN";
    }
    if (text.size() > 1 && text[0] == '-' && text.find_first_not_of("0.", 1) == std::string::npos)
        text.erase(0, 1);
    if (fixed && decimals > 0) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.pop_back();
    }
    return asciiString(text);
}

extern "C" RTString StringStrSingle(float x) { return StringStrDouble(x); }
extern "C" RTString StringStrInt8(int8_t x) { return decimalText(int32_t(x)); }
extern "C" RTString StringStrInt16(int16_t x) { return decimalText(int32_t(x)); }
extern "C" RTString StringStrInt32(int32_t x) { return decimalText(x); }
extern "C" RTString StringStrInt64(int64_t x) { return decimalText(x); }
extern "C" RTString StringStrUInt8(uint8_t x) { return decimalText(uint32_t(x)); }
extern "C" RTString StringStrUInt16(uint16_t x) { return decimalText(uint32_t(x)); }
extern "C" RTString StringStrUInt32(uint32_t x) { return decimalText(x); }
extern "C" RTString StringStrUInt64(uint64_t x) { return decimalText(x); }

extern "C" RTString RuntimeBinInt8(int8_t x) { return radixText(x, 1); }
extern "C" RTString RuntimeBinInt16(int16_t x) { return radixText(x, 1); }
extern "C" RTString RuntimeBinInt32(int32_t x) { return radixText(x, 1); }
extern "C" RTString RuntimeBinInt64(int64_t x) { return radixText(x, 1); }
extern "C" RTString RuntimeBinUInt8(uint8_t x) { return radixText(x, 1); }
extern "C" RTString RuntimeBinUInt16(uint16_t x) { return radixText(x, 1); }
extern "C" RTString RuntimeBinUInt32(uint32_t x) { return radixText(x, 1); }
extern "C" RTString RuntimeBinUInt64(uint64_t x) { return radixText(x, 1); }
extern "C" RTString RuntimeOctInt8(int8_t x) { return radixText(x, 3); }
extern "C" RTString RuntimeOctInt16(int16_t x) { return radixText(x, 3); }
extern "C" RTString RuntimeOctInt32(int32_t x) { return radixText(x, 3); }
extern "C" RTString RuntimeOctInt64(int64_t x) { return radixText(x, 3); }
extern "C" RTString RuntimeOctUInt8(uint8_t x) { return radixText(x, 3); }
extern "C" RTString RuntimeOctUInt16(uint16_t x) { return radixText(x, 3); }
extern "C" RTString RuntimeOctUInt32(uint32_t x) { return radixText(x, 3); }
extern "C" RTString RuntimeOctUInt64(uint64_t x) { return radixText(x, 3); }
extern "C" RTString RuntimeHexInt8(int8_t x) { return radixText(x, 4); }
extern "C" RTString RuntimeHexInt16(int16_t x) { return radixText(x, 4); }
extern "C" RTString RuntimeHexInt32(int32_t x) { return radixText(x, 4); }
extern "C" RTString RuntimeHexInt64(int64_t x) { return radixText(x, 4); }
extern "C" RTString RuntimeHexUInt8(uint8_t x) { return radixText(x, 4); }
extern "C" RTString RuntimeHexUInt16(uint16_t x) { return radixText(x, 4); }
extern "C" RTString RuntimeHexUInt32(uint32_t x) { return radixText(x, 4); }
extern "C" RTString RuntimeHexUInt64(uint64_t x) { return radixText(x, 4); }
