#include "Universal/TextEncodingUtil.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "Universal/UTF8.h"
#include "Universal/VELQstring.h"

namespace {

constexpr uint32_t kUnicodeBase = 0x100;
constexpr int32_t kFormatUTF8 = 2;
constexpr int32_t kFormatUCS4 = 3;

struct EncodingsProperty {
    const char* name;
    uint32_t code;
};

// The Encodings module's properties, numbered from 1 in this order. The last,
// SystemDefault, stands for the system encoding and has no code of its own.
// UCS4 (base 0x100, format 3) carries the code of four-byte Unicode text, which
// the converter knows; with the base as its code it would label UTF-16 text.
constexpr EncodingsProperty kEncodingsProperties[] = {
    {"UTF8", kEncodingUTF8}, {"UTF16", kEncodingUTF16}, {"UCS4", kEncodingUTF32},
    {"MacRoman", 0}, {"MacJapanese", 1}, {"MacChineseTrad", 2}, {"MacKorean", 3}, {"MacArabic", 4},
    {"MacHebrew", 5}, {"MacGreek", 6}, {"MacCyrillic", 7}, {"MacDevanagari", 9}, {"MacGurmukhi", 10},
    {"MacGujarati", 11}, {"MacOriya", 12}, {"MacBengali", 13}, {"MacTamil", 14}, {"MacTelugu", 15},
    {"MacKannada", 16}, {"MacMalayalam", 17}, {"MacSinhalese", 18}, {"MacBurmese", 19},
    {"MacKhmer", 20}, {"MacThai", 21}, {"MacLaotian", 22}, {"MacGeorgian", 23}, {"MacArmenian", 24},
    {"MacChineseSimp", 25}, {"MacTibetan", 26}, {"MacMongolian", 27}, {"MacEthiopic", 28},
    {"MacCentralEurRoman", 29}, {"MacVietnamese", 30}, {"MacExtArabic", 31}, {"MacSymbol", 33},
    {"MacDingbats", 34}, {"MacTurkish", 35}, {"MacCroatian", 36}, {"MacIcelandic", 37},
    {"MacRomanian", 38}, {"MacCeltic", 39}, {"MacGaelic", 40},
    {"ISOLatin1", 0x201}, {"ISOLatin2", 0x202}, {"ISOLatin3", 0x203}, {"ISOLatin4", 0x204},
    {"ISOLatinCyrillic", 0x205}, {"ISOLatinArabic", 0x206}, {"ISOLatinGreek", 0x207},
    {"ISOLatinHebrew", 0x208}, {"ISOLatin5", 0x209}, {"ISOLatin6", 0x20A}, {"ISOLatin7", 0x20D},
    {"ISOLatin8", 0x20E}, {"ISOLatin9", 0x20F},
    {"DOSLatinUS", 0x400}, {"DOSGreek", 0x405}, {"DOSBalticRim", 0x406}, {"DOSLatin1", 0x410},
    {"DOSGreek1", 0x411}, {"DOSLatin2", 0x412}, {"DOSCyrillic", 0x413}, {"DOSTurkish", 0x414},
    {"DOSPortuguese", 0x415}, {"DOSIcelandic", 0x416}, {"DOSHebrew", 0x417},
    {"DOSCanadianFrench", 0x418}, {"DOSArabic", 0x419}, {"DOSNordic", 0x41A}, {"DOSRussian", 0x41B},
    {"DOSGreek2", 0x41C}, {"DOSThai", 0x41D}, {"DOSJapanese", 0x420}, {"DOSChineseSimplif", 0x421},
    {"DOSKorean", 0x422}, {"DOSChineseTrad", 0x423},
    {"WindowsLatin1", 0x500}, {"WindowsANSI", 0x500}, {"WindowsLatin2", 0x501},
    {"WindowsCyrillic", 0x502}, {"WindowsGreek", 0x503}, {"WindowsLatin5", 0x504},
    {"WindowsHebrew", 0x505}, {"WindowsArabic", 0x506}, {"WindowsBalticRim", 0x507},
    {"WindowsVietnamese", 0x508}, {"WindowsKoreanJohab", 0x510},
    {"ASCII", kEncodingASCII}, {"ShiftJIS", 0xA01}, {"KOI8_R", 0xA02}, {"MacRomanLatin1", 0xA04},
    {"SystemDefault", kEncodingUnknown},
};
constexpr int32_t kEncodingsPropertyCount = int32_t(std::size(kEncodingsProperties));
static_assert(kEncodingsPropertyCount == 92);

struct ConverterName {
    uint32_t code;
    const char* name;
};

constexpr ConverterName kConverterNames[] = {
    {0, "MAC"}, {7, "MACCYRILLIC"}, {29, "MACUK"}, {0x100, "UTF16LE"},
    {0x201, "ISO_8859-1"}, {0x202, "ISO_8859-2"}, {0x203, "ISO_8859-3"}, {0x204, "ISO_8859-4"},
    {0x205, "ISO_8859-5"}, {0x206, "ISO_8859-6"}, {0x207, "ISO_8859-7"}, {0x208, "ISO_8859-8"},
    {0x209, "ISO_8859-9"}, {0x20F, "ISO_8859-15:1998"},
    {0x400, "CP437"}, {0x405, "CP737"}, {0x406, "CP775"}, {0x410, "CP850"}, {0x411, "CP851"},
    {0x412, "CP852"}, {0x413, "CP855"}, {0x414, "CP857"}, {0x415, "CP860"}, {0x416, "CP861"},
    {0x417, "CP862"}, {0x418, "CP863"}, {0x419, "CP864"}, {0x41A, "CP865"}, {0x41B, "CP866"},
    {0x41C, "CP869"}, {0x41D, "CP874"}, {0x420, "CP932"}, {0x421, "CP936"}, {0x422, "CP949"},
    {0x423, "CP950"},
    {0x500, "CP1252"}, {0x501, "CP1250"}, {0x502, "CP1251"}, {0x503, "CP1253"}, {0x504, "CP1254"},
    {0x505, "CP1255"}, {0x506, "CP1256"}, {0x507, "CP1257"}, {0x508, "CP1258"}, {0x510, "CP1361"},
    {0x600, "US-ASCII"}, {0x631, "CP936"}, {0x820, "ISO-2022-JP"}, {0x920, "EUCJP"},
    {0xA01, "CP932"}, {0xC01, "CP037"}, {0xC02, "CP037"},
    {kEncodingUTF8, "UTF8"}, {kEncodingUTF32, "UTF32"},
};

TextEncodingFields* encodingFields(RuntimeObject* encoding) { return ObjectFields<TextEncodingFields>(encoding); }
TextConverterFields* converterFields(RuntimeObject* converter) { return ObjectFields<TextConverterFields>(converter); }

TextEncodingFields* requireEncoding(RuntimeObject* encoding) {
    if (!encoding) RaiseNilObjectException();
    return encodingFields(encoding);
}

bool isUnicodeBase(int32_t base) { return base >= 0x100 && base <= 0x1FF; }

/// An open iconv descriptor, closed when it goes out of scope.
class Converter {
public:
    Converter(const char* from, const char* to) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (isOpen()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool isOpen() const { return cd_ != iconv_t(-1); }

    /// Converts all of `input` into `out`. With a target name, each invalid or
    /// incomplete input sequence loses one byte and gains one "?" as the target
    /// writes it; without one, it fails the conversion. False on any other error.
    bool convert(std::string_view input, std::string& out, const char* substituteTarget) {
        out.assign(4 * input.size() + 4, '\0');
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size(), produced = 0;
        std::string substitute;  // worked out at the first invalid byte
        for (bool flushing = false;;) {
            char* outPtr = out.data() + produced;
            size_t outLeft = out.size() - produced;
            size_t rc = flushing ? iconv(cd_, nullptr, nullptr, &outPtr, &outLeft)
                                 : iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            produced = out.size() - outLeft;
            if (rc != size_t(-1)) {
                if (flushing) break;
                flushing = true;  // a stateful target may still have to return to its initial state
                continue;
            }
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            if ((errno != EILSEQ && errno != EINVAL) || inLeft == 0 || !substituteTarget) return false;
            ++in;
            --inLeft;
            if (substitute.empty()) substitute = questionMarkIn(substituteTarget);
            if (out.size() < produced + substitute.size()) out.resize(2 * out.size() + substitute.size());
            out.replace(produced, substitute.size(), substitute);
            produced += substitute.size();
        }
        out.resize(produced);
        return true;
    }

private:
    // "?" as `target` writes it: what "??" adds to "?", so that a byte-order
    // mark written once at the start stays out of it. A lone "?" byte would
    // put wide text out of step.
    static std::string questionMarkIn(const char* target) {
        std::string one, two;
        Converter first("US-ASCII", target), second("US-ASCII", target);
        if (!first.isOpen() || !second.isOpen() || !first.convert("?", one, nullptr) ||
            !second.convert("??", two, nullptr) || two.size() <= one.size())
            return "?";
        return two.substr(one.size());
    }

    iconv_t cd_;
};

RuntimeObject* newTextEncoding(uint32_t code) {
    RuntimeObject* encoding = RuntimeNewObject(TextEncodingClass());
    TextEncodingFields* f = encodingFields(encoding);
    f->code = code;
    f->variant = 0;
    if (code == kEncodingUTF8 || code == kEncodingUTF32) {
        f->base = int32_t(kUnicodeBase);
        f->format = code == kEncodingUTF8 ? kFormatUTF8 : kFormatUCS4;
    } else {
        f->base = int32_t(code);
        f->format = 0;
    }
    return encoding;
}

} // namespace

uint32_t SystemEncodingCode() {
    // Text on this platform is UTF-8; kept in one place so that every user agrees.
    static const uint32_t code = kEncodingUTF8;
    return code;
}

const char* TextEncodingConverterName(uint32_t code) {
    if (code == kEncodingUnknown) code = SystemEncodingCode();
    for (const ConverterName& entry : kConverterNames)
        if (entry.code == code) return entry.name;
    return nullptr;
}

RTString TextEncodingConvert(RTString source, uint32_t from, uint32_t to) {
    const char* fromName = TextEncodingConverterName(from);
    const char* toName = TextEncodingConverterName(to);
    if (!source || !fromName || !toName) return RuntimeLockString(source);
    Converter converter(fromName, toName);
    std::string out;
    if (!converter.isOpen() || !converter.convert({source->bytes(), source->length}, out, toName))
        return RuntimeLockString(source);
    return StringFromBytes(out.data(), out.size(), to);
}

bool TextEncodingConvertNamed(std::string_view input, const char* from, const char* to, std::string& out) {
    Converter converter(from, to);
    std::string converted;
    if (!converter.isOpen() || !converter.convert(input, converted, to)) return false;
    out = std::move(converted);
    return true;
}

RuntimeObject* TextEncodingForCode(uint32_t code) {
    if (code == kEncodingUnknown) return nullptr;
    // Lives as long as the process, like the objects it holds.
    static auto* cache = new std::unordered_map<uint32_t, RuntimeObject*>();
    RuntimeObject*& slot = (*cache)[code];
    if (!slot) slot = newTextEncoding(code);
    RuntimeLockObject(slot);
    return slot;
}

uint32_t TextEncodingCode(RuntimeObject* encoding) {
    return encoding ? encodingFields(encoding)->code : kEncodingUnknown;
}

int32_t EncodingsPropertyNumber(const char* name) {
    for (int32_t i = 0; i < kEncodingsPropertyCount; ++i)
        if (std::strcmp(kEncodingsProperties[i].name, name) == 0) return i + 1;
    return 0;
}

extern "C" RuntimeObject* EncodingsGetter(RuntimeObject* module, int32_t number) {
    if (number < 1 || number > kEncodingsPropertyCount) return nullptr;
    if (number == kEncodingsPropertyCount) return TextEncodingForCode(SystemEncodingCode());
    return TextEncodingForCode(kEncodingsProperties[number - 1].code);
}

extern "C" RuntimeObject* EncodingsGetFromCode(RuntimeObject* module, uint32_t code) {
    return TextEncodingForCode(code);
}

extern "C" int32_t textEncodingBaseGetter(RuntimeObject* encoding) { return requireEncoding(encoding)->base; }
extern "C" int32_t textEncodingVariantGetter(RuntimeObject* encoding) { return requireEncoding(encoding)->variant; }
extern "C" int32_t textEncodingFormatGetter(RuntimeObject* encoding) { return requireEncoding(encoding)->format; }

extern "C" RTString textEncodingInternetName(RuntimeObject* encoding) {
    const TextEncodingFields* f = requireEncoding(encoding);
    static constexpr const char* kUnicodeNames[] = {"UTF-16", "UTF-7", "UTF-8", "UCS-4"};
    const char* name = "";
    if (f->base == 0) name = "macintosh";
    else if (f->base == 1) name = "X-MAC-JAPANESE";
    else if (f->base == int32_t(kUnicodeBase) && f->format >= 0 && f->format <= kFormatUCS4)
        name = kUnicodeNames[f->format];
    else if (f->code == 0x500) name = "windows-1252";
    else if (f->code == kEncodingASCII) name = "US-ASCII";
    else if (f->code == 0xA01) name = "Shift_JIS";
    return StringFromBytes(name, std::strlen(name), kEncodingASCII);
}

extern "C" bool TextEncodingEquals(RuntimeObject* a, RuntimeObject* b) {
    return a == b || (a && b && encodingFields(a)->code == encodingFields(b)->code);
}

extern "C" RTString TextEncodingChr(RuntimeObject* encoding, uint32_t codePoint) {
    const TextEncodingFields* f = requireEncoding(encoding);
    if (isUnicodeBase(f->base)) {
        if (f->format == kFormatUCS4) return StringFromBytes(&codePoint, 4, f->code);
        if (f->format == 0) {
            auto unit = uint16_t(codePoint);
            return StringFromBytes(&unit, 2, f->code);
        }
        char sequence[4];
        return StringFromBytes(sequence, EncodeUTF8(codePoint, sequence), f->code);
    }
    const uint8_t bigEndian[4] = {uint8_t(codePoint >> 24), uint8_t(codePoint >> 16), uint8_t(codePoint >> 8),
                                  uint8_t(codePoint)};
    size_t skip = 0;
    while (skip < 3 && bigEndian[skip] == 0) ++skip;
    return StringFromBytes(bigEndian + skip, 4 - skip, f->code);
}

extern "C" RuntimeObject* getTextConverter(RuntimeObject* from, RuntimeObject* to) {
    if (!from || !to) return nullptr;
    RuntimeObject* converter = RuntimeNewObject(TextConverterClass());
    *converterFields(converter) = {TextEncodingCode(from), TextEncodingCode(to)};
    return converter;
}

extern "C" RTString textConverterConvert(RuntimeObject* converter, RTString s) {
    if (!converter) RaiseNilObjectException();
    const TextConverterFields f = *converterFields(converter);
    if (f.sourceCode != f.targetCode) return TextEncodingConvert(s, f.sourceCode, f.targetCode);
    if (!s || s->encoding == f.targetCode) return RuntimeLockString(s);
    return StringFromBytes(s->bytes(), s->length, f.targetCode);
}

extern "C" void textConverterClear(RuntimeObject* converter) {}

extern "C" RuntimeObject* StringGetEncoding(RTString s) { return TextEncodingForCode(StringEncodingCode(s)); }

extern "C" RTString StringSetEncoding(RTString s, RuntimeObject* encoding) {
    uint32_t code = TextEncodingCode(encoding);
    if (!s || s->encoding == code) return RuntimeLockString(s);
    return StringFromBytes(s->bytes(), s->length, code);
}

extern "C" RTString StringConvertEncoding(RTString s, RuntimeObject* encoding) {
    return ConvertStringToCode(s, TextEncodingCode(encoding));
}
