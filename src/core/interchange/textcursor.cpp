#include "interchange/textcursor.h"

namespace qvr {

namespace {

constexpr std::array<FourDigits, 10000> makeFourDigits()
{
    std::array<FourDigits, 10000> table{};
    for (unsigned v = 0; v < table.size(); ++v) {
        FourDigits& d = table[v];
        unsigned rest = v;
        for (std::size_t i = 4; i-- > 0; rest /= 10)
            d.padded[i] = static_cast<char>('0' + rest % 10);
        d.length = v >= 1000 ? 4 : v >= 100 ? 3 : v >= 10 ? 2 : 1;
    }
    return table;
}

} // namespace

constexpr std::array<FourDigits, 10000> FOUR_DIGITS = makeFourDigits();

LineList ListSink::lines() const
{
    LineList lines;
    lines.reserve(ends_.size());
    std::size_t start = 0;
    for (std::size_t end : ends_) {
        lines.emplace_back(text_, start, end - start);
        start = end + 2;
    }
    return lines;
}

} // namespace qvr
