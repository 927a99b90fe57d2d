// ItsaMatch: whether a file name fits a wildcard mask. The matcher reads the two
// texts byte by byte, folds ASCII letter case and never backtracks: a "*" takes
// name bytes up to the first occurrence of the byte that follows it.
#include <cstdint>

#include "Universal/CharacterClasses.h"
#include "Universal/DateImp/Clocks.h"
#include "Universal/VELQstring.h"
#include "app/App.h"

namespace {

// Byte `position` (1-based) of the text, case-folded; 0 (the empty character)
// past either end.
int byteAt(RTString text, int32_t position) {
    if (position < 1 || uint32_t(position) > StringLength(text)) return 0;
    return ByteToUpper(uint8_t(StringBytes(text)[position - 1]));
}

// NOTE: positions are 32-bit. With 16-bit positions a name longer than 32,767
// bytes wraps the position below 1 and the loop never ends.
bool matches(RTString name, RTString mask) {
    int32_t i = 1, j = 1;
    const int32_t nameLength = int32_t(StringLength(name)), maskLength = int32_t(StringLength(mask));
    for (;;) {
        int c = byteAt(name, i);
        int m = byteAt(mask, j);
        if (m == '*') {
            ++j;
            m = byteAt(mask, j);
            while (c != m && c != 0) c = byteAt(name, ++i);
        }
        if (m == '?') m = c;
        if (c != m) return false;
        ++i;
        ++j;
        if (i > nameLength && j > maskLength) return true;
    }
}

} // namespace

bool AppItsaMatch(RuntimeObject* app, RTString name, RTString mask) {
    double started = RuntimeMicroseconds();
    bool result = matches(name, mask);
    AppFields* f = AppState(app);
    // Int32 arithmetic that wraps instead of overflowing, as the timer is kept in 32 bits.
    f->T_Match = int32_t(uint32_t(f->T_Match) + uint32_t(MicrosecondsBetween(started, RuntimeMicroseconds())));
    return result;
}
