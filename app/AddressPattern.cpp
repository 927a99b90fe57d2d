#include "app/AddressPattern.h"

#include <charconv>

namespace {

std::optional<int32_t> part(std::string_view text) {
    if (text == "*") return AddressPattern::kAnyNumber;
    uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > 65535)
        return std::nullopt;
    return int32_t(value);
}

} // namespace

std::optional<AddressPattern> ParseAddressPattern(std::string_view text) {
    size_t colon = text.find(':'), slash = text.find('/'), dot = text.find('.', slash);
    if (colon == std::string_view::npos || slash == std::string_view::npos || slash < colon) return std::nullopt;
    std::string_view pieces[4] = {text.substr(0, colon), text.substr(colon + 1, slash - colon - 1),
                                  text.substr(slash + 1, dot == std::string_view::npos ? dot : dot - slash - 1),
                                  dot == std::string_view::npos ? std::string_view("0") : text.substr(dot + 1)};
    AddressPattern pattern;
    for (size_t i = 0; i < 4; ++i) {
        std::optional<int32_t> value = part(pieces[i]);
        if (!value) return std::nullopt;
        pattern.parts[i] = *value;
    }
    return pattern;
}

bool Fits(const AddressPattern& pattern, const FidoAddress& address) {
    const int32_t numbers[4] = {address.zone, address.net, address.node, address.point};
    for (size_t i = 0; i < 4; ++i)
        if (pattern.parts[i] != AddressPattern::kAnyNumber && pattern.parts[i] != numbers[i]) return false;
    return true;
}
