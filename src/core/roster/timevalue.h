#pragma once
// Time values: signed counts of seconds, 0 = no time, negative = best-time mark.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "roster/charrecord.h"

namespace qvr {

constexpr std::int32_t BEST_CEILING = 7200;

// |v| of a time value without its mark, exact for INT32_MIN too.
constexpr std::uint32_t timeMagnitude(std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    return v < 0 ? 0u - u : u;
}

// A time value's parts as shown, without its mark; hours are capped at 24.
struct TimeFields {
    std::uint32_t hours;
    std::uint32_t minutes;
    std::uint32_t seconds;
};
TimeFields splitTime(std::int32_t seconds);

// " 1'02\"05" for 3725; "*" in front of a marked (negative) value; hours capped at 24.
std::string timeToText(std::int32_t seconds);

// The same text, held on the stack: the exports write millions of them.
class TimeText {
public:
    explicit TimeText(std::int32_t seconds);
    std::string_view view() const { return {buf_, size_}; }

private:
    char buf_[12];
    std::size_t size_ = 0;
};

// Reads the digits of the text as h, mm, ss from the right. Never negative.
// Throws errNotInteger for a non-empty text without digits or with too many.
std::int32_t textToTime(std::string_view text);

// Best-time table: stage bests, then their sum.
struct BestTimes {
    std::array<std::int32_t, EP1_STAGES + 1> ep1best{};
    std::array<std::int32_t, EP2_STAGES + 1> ep2best{};
    friend bool operator==(const BestTimes&, const BestTimes&) = default;
};

// One episode's best pass over the roster (placeholder included): fills the
// table and marks every counted time that equals its stage's best. The times
// that were unmarked and now carry the mark go to `marked` when it is given.
void recomputeEp1Best(Roster& roster, BestTimes& best, std::vector<std::int32_t*>* marked = nullptr);
void recomputeEp2Best(Roster& roster, BestTimes& best, std::vector<std::int32_t*>* marked = nullptr);
// Both passes in one walk over the roster; the same result as running them in turn.
void recomputeBestTimes(Roster& roster, BestTimes& best);

// Sum of the absolute values of the stage entries: the episode total.
std::int32_t ep1StageSum(const CharRecord& rec);
std::int32_t ep2StageSum(const CharRecord& rec);

} // namespace qvr
