// ParseAddr: a FidoNet address text, zone:net/node[.point][@domain], as four
// 16-bit numbers.
#include <cmath>

#include "Universal/NumberText.h"
#include "Common/StringFunctions.h"
#include "Universal/StringSearch.h"
#include "Universal/StringUtils.h"
#include "app/App.h"
#include "app/Output.h"

namespace {

// The number at the start of the text, truncated toward zero and cut to its
// low 16 bits: there is no range check, so 65537 is stored as 1.
uint16_t numberAt(const rt::String& text) {
    double value = std::trunc(rt::val(text));
    if (!std::isfinite(value)) return 0;
    double low = std::fmod(value, 65536.0);
    if (low < 0) low += 65536.0;
    return uint16_t(low);
}

rt::String after(const rt::String& text, int32_t position) {
    return rt::mid(text, position + 1);
}

rt::String before(const rt::String& text, int32_t position) {
    return rt::left(text, position - 1);
}

int32_t find(const rt::String& text, const char* separator) {
    return StringInStr(1, text.get(), rt::String(separator).get());
}

bool badAddress(RuntimeObject* app, const rt::String& rest) {
    StdOut(rt::String("   Bad Fido Address ") + rest);
    Debug(app, rt::String("Bad Fido Address ") + rest);
    return true;
}

} // namespace

bool AppParseAddr(RuntimeObject* app, RTString address, uint16_t* zone, uint16_t* net, uint16_t* node,
                  uint16_t* point) {
    Debug(app, "Start Address Parse");
    rt::String work = rt::String::retain(address);

    int32_t colon = find(work, ":");
    if (colon == 0) return badAddress(app, work);
    *zone = numberAt(work);
    work = after(work, colon);

    int32_t slash = find(work, "/");
    if (slash == 0) return badAddress(app, work);
    *net = numberAt(work);
    work = after(work, slash);

    if (int32_t at = find(work, "@")) work = before(work, at);

    if (int32_t dot = find(work, ".")) {
        *point = numberAt(after(work, dot));
        work = before(work, dot);
    } else {
        *point = 0;
    }
    *node = numberAt(work);

    Debug(app, "End Address Parse");
    return false;
}
