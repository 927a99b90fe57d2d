#include "Universal/StringFormat.h"

#include <locale.h>
#include <strings.h>

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "Universal/VELQstring.h"

namespace {

// Length of the character that starts at `text[at]`: a whole UTF-8 sequence
// when the format is UTF-8, else one byte.
size_t characterLength(std::string_view text, size_t at, bool utf8) {
    size_t end = at + 1;
    if (utf8)
        while (end < text.size() && (uint8_t(text[end]) & 0xC0) == 0x80) ++end;
    return std::min(end, text.size()) - at;
}

// The format cut at unescaped ";" into at most three sections.
std::vector<std::string_view> cutSections(std::string_view format, bool utf8) {
    std::vector<std::string_view> sections;
    size_t start = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '\\') {
            if (i + 1 < format.size()) i += characterLength(format, i + 1, utf8);
        } else if (format[i] == ';' && sections.size() < 2) {
            sections.push_back(format.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(format.substr(start));
    return sections;
}

std::string_view chooseSection(const std::vector<std::string_view>& sections, double x) {
    if (x < 0 && sections.size() >= 2) return sections[1];
    if (x == 0 && sections.size() == 3) return sections[2];
    return sections[0];
}

/// What a section asks for, from one pass over it.
struct SectionPlan {
    int integerPlaces = 0;
    int decimalPlaces = 0;
    int percents = 0;
    bool thousands = false;
    bool scientific = false;
};

SectionPlan planSection(std::string_view section, bool utf8) {
    SectionPlan plan;
    bool afterPoint = false;
    for (size_t i = 0; i < section.size(); ++i) {
        switch (section[i]) {
        case '#': case '0': ++(afterPoint ? plan.decimalPlaces : plan.integerPlaces); break;
        case '.': afterPoint = true; break;
        case '%': ++plan.percents; break;
        case ',': plan.thousands = true; break;
        case 'E': case 'e': plan.scientific = true; break;
        case '\\':
            if (i + 1 < section.size()) i += characterLength(section, i + 1, utf8);
            break;
        default: break;
        }
    }
    return plan;
}

/// The absolute value printed once, split into the parts the placeholders take.
struct PrintedNumber {
    std::string integerDigits;
    std::string decimalDigits;
    char exponentSign = '+';
    std::string exponentDigits;
};

PrintedNumber printMagnitude(double magnitude, const SectionPlan& plan) {
    const auto format = plan.scientific ? std::chars_format::scientific : std::chars_format::fixed;
    // A fixed double has at most 309 integer digits; the decimals are as many as asked.
    std::string text(330 + size_t(plan.decimalPlaces), '\0');
    auto end = std::to_chars(text.data(), text.data() + text.size(), magnitude, format, plan.decimalPlaces).ptr;
    text.resize(size_t(end - text.data()));

    PrintedNumber printed;
    std::string mantissa = text;
    if (size_t e = text.find('e'); plan.scientific && e != std::string::npos) {
        mantissa = text.substr(0, e);
        printed.exponentSign = text[e + 1];
        printed.exponentDigits = text.substr(e + 2);
    }
    if (plan.decimalPlaces > 0) mantissa.erase(mantissa.find_last_not_of('0') + 1);
    size_t point = mantissa.find('.');
    printed.integerDigits = mantissa.substr(0, point);
    if (point != std::string::npos) printed.decimalDigits = mantissa.substr(point + 1);
    return printed;
}

std::string localeSeparator(const char* value, const char* fallback) {
    return value && *value ? value : fallback;
}

/// Walks a section and writes the number through its placeholders.
class SectionWriter {
public:
    SectionWriter(const SectionPlan& plan, const PrintedNumber& number, int sign, bool utf8)
        : plan_(plan), number_(number), sign_(sign), utf8_(utf8) {
        const lconv* conventions = localeconv();
        decimalSeparator_ = localeSeparator(conventions->decimal_point, ".");
        thousandsSeparator_ = localeSeparator(conventions->thousands_sep, ",");
    }

    std::string write(std::string_view section) {
        for (size_t i = 0; i < section.size(); ++i) {
            char c = section[i];
            switch (c) {
            case '#': case '0':
                if (afterPoint_) writeDecimalPlace(c);
                else writeIntegerPlace(c);
                break;
            case '.':
                if (!afterPoint_) out_ += decimalSeparator_;
                afterPoint_ = true;
                break;
            case '+': if (sign_ != 0) out_ += sign_ < 0 ? '-' : '+'; break;
            case '-': if (sign_ < 0) out_ += '-'; break;
            case '%': case '(': case ')': out_ += c; break;
            case 'E': case 'e':
                if (plan_.scientific) i += writeExponent(c, section.substr(i + 1));
                break;
            case '\\':
                if (i + 1 < section.size()) {
                    size_t length = characterLength(section, i + 1, utf8_);
                    out_ += section.substr(i + 1, length);
                    i += length;
                }
                break;
            default: break;
            }
        }
        return std::move(out_);
    }

private:
    // Integer placeholders line up with the digits from the right; the first
    // one also takes every surplus digit so that the integer part is never cut.
    void writeIntegerPlace(char placeholder) {
        const std::string& digits = number_.integerDigits;
        const int count = int(digits.size());
        const int placesLeft = plan_.integerPlaces - integerPlace_;  // this one to the last
        int first = count - placesLeft;
        int last = first;
        if (integerPlace_ == 0 && first > 0) first = 0;
        ++integerPlace_;
        if (last < 0) {
            if (placeholder == '0') writeDigit('0', placesLeft);
            return;
        }
        for (int i = first; i <= last; ++i) writeDigit(digits[size_t(i)], count - i);
    }

    // `placesToEnd` counts integer positions from this digit to the last, inclusive.
    void writeDigit(char digit, int placesToEnd) {
        if (plan_.thousands && wroteDigit_ && placesToEnd % 3 == 0) out_ += thousandsSeparator_;
        out_ += digit;
        wroteDigit_ = true;
    }

    void writeDecimalPlace(char placeholder) {
        if (decimalPlace_ < number_.decimalDigits.size()) out_ += number_.decimalDigits[decimalPlace_];
        else if (placeholder == '0') out_ += '0';
        ++decimalPlace_;
    }

    // Writes the letter and the exponent; returns how many format characters
    // after the letter were used (the sign request).
    size_t writeExponent(char letter, std::string_view rest) {
        out_ += letter;
        const char request = rest.empty() ? '\0' : rest[0];
        if (request == '+' || number_.exponentSign == '-') out_ += number_.exponentSign;
        out_ += number_.exponentDigits;
        return request == '+' || request == '-' ? 1 : 0;
    }

    const SectionPlan& plan_;
    const PrintedNumber& number_;
    const int sign_;
    const bool utf8_;
    std::string decimalSeparator_;
    std::string thousandsSeparator_;
    std::string out_;
    int integerPlace_ = 0;
    size_t decimalPlace_ = 0;
    bool afterPoint_ = false;
    bool wroteDigit_ = false;
};

} // namespace

extern "C" RTString StringFormat(double x, RTString format) {
    std::string_view text(StringBytes(format), StringLength(format));
    if (text.size() == 10 && strncasecmp(text.data(), "Scientific", 10) == 0) text = "-#.000000E+";
    const uint32_t encoding = StringEncodingCode(format);
    const bool utf8 = encoding == kEncodingUTF8;

    std::vector<std::string_view> sections = cutSections(text, utf8);
    std::string_view section = chooseSection(sections, x);
    SectionPlan plan = planSection(section, utf8);
    const int sign = x < 0 ? -1 : x > 0 ? 1 : 0;
    double magnitude = std::fabs(x);
    for (int i = 0; i < plan.percents; ++i) magnitude *= 100;
    PrintedNumber number = printMagnitude(magnitude, plan);
    std::string out = SectionWriter(plan, number, sign, utf8).write(section);
    return StringFromBytes(out.data(), out.size(), encoding);
}
