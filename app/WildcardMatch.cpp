// ItsaMatch: whether a file name fits a wildcard mask. The matcher reads the two
// texts byte by byte, folds ASCII letter case and never backtracks: a "*" takes
// name bytes up to the first occurrence of the byte that follows it.
#include "app/WildcardMatch.h"

#include <cstdint>

#include "Universal/CharacterClasses.h"
#include "Universal/DateImp/Clocks.h"
#include "Universal/VELQstring.h"
#include "app/App.h"

namespace {

// Byte `position` (1-based) of the text, case-folded; 0 (the empty character)
// past either end.
int byteAt(std::string_view text, int32_t position) {
    if (position < 1 || size_t(position) > text.size()) return 0;
    return ByteToUpper(uint8_t(text[size_t(position) - 1]));
}

std::string_view bytesOf(RTString text) { return {StringBytes(text), StringLength(text)}; }

} // namespace

// NOTE: positions are 32-bit. With 16-bit positions a name longer than 32,767
// bytes wraps the position below 1 and the loop never ends.
bool FitsMask(std::string_view name, std::string_view mask) {
    int32_t i = 1, j = 1;
    const int32_t nameLength = int32_t(name.size()), maskLength = int32_t(mask.size());
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

std::string MatchFolded(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = char(ByteToUpper(uint8_t(c)));
    return folded;
}

bool MatchesOnlyItsOwnFolding(std::string_view mask) {
    return mask.find_first_of(std::string_view("*?\0", 3)) == std::string_view::npos;
}

void AppAddMatchTime(RuntimeObject* app, double started) {
    AppFields* f = AppState(app);
    // Int32 arithmetic that wraps instead of overflowing, as the timer is kept in 32 bits.
    f->T_Match = int32_t(uint32_t(f->T_Match) + uint32_t(MicrosecondsBetween(started, RuntimeMicroseconds())));
}

bool AppItsaMatch(RuntimeObject* app, RTString name, RTString mask) {
    double started = RuntimeMicroseconds();
    bool result = FitsMask(bytesOf(name), bytesOf(mask));
    AppAddMatchTime(app, started);
    return result;
}
