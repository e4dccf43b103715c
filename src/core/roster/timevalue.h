#pragma once
// Time values: signed counts of seconds, 0 = no time, negative = best-time mark.

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
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
constexpr TimeFields splitTime(std::int32_t seconds)
{
    const std::uint32_t v = timeMagnitude(seconds);
    return {v / 3600 < 24 ? v / 3600 : 24, (v % 3600) / 60, v % 60};
}

// " 1'02\"05" for 3725; "*" in front of a marked (negative) value; hours capped at 24.
std::string timeToText(std::int32_t seconds);

// The texts of a time's parts: "hh" (space-padded, 0 to 24) and "'mm\"ss" for the
// seconds within an hour. The exports write millions of times: two copies from
// these are much cheaper than the six divisions of the digits.
struct TimeTextParts {
    std::array<std::array<char, 2>, 25> hours;
    std::array<std::array<char, 6>, 3600> minutesSeconds;
};
extern const TimeTextParts TIME_TEXT_PARTS;

// The same text written at `out`; returns the end.
constexpr std::size_t TIME_TEXT_MAX = 9;
inline char* writeTimeText(char* out, std::int32_t seconds)
{
    if (seconds < 0)
        *out++ = '*';
    const std::uint32_t v = timeMagnitude(seconds);
    const std::uint32_t hours = v / 3600;
    std::memcpy(out, TIME_TEXT_PARTS.hours[hours < 24 ? hours : 24].data(), 2);
    std::memcpy(out + 2, TIME_TEXT_PARTS.minutesSeconds[v - hours * 3600].data(), 6);
    return out + 8;
}

// The same text, held on the stack.
class TimeText {
public:
    explicit TimeText(std::int32_t seconds) : size_(static_cast<std::size_t>(writeTimeText(buf_, seconds) - buf_)) { }
    std::string_view view() const { return {buf_, size_}; }

private:
    char buf_[TIME_TEXT_MAX];
    std::size_t size_;
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

enum class Episode { One, Two };

// What tells the episodes apart, as data: the number of stages, where a record
// keeps its times (the stages, then the total) and the episode's best pass.
struct EpisodeShape {
    Episode episode;
    std::size_t stages; // C1..Cn; the total follows at index `stages`
    std::string_view name; // "EP1", "EP2"
    std::span<std::int32_t> (*times)(CharRecord&);
    std::span<const std::int32_t> (*readTimes)(const CharRecord&);
    void (*bestPass)(Roster&, BestTimes&, std::vector<std::int32_t*>* marked);
    std::size_t total() const { return stages; }
};
const EpisodeShape& episodeShape(Episode episode);
// Both episodes, the first first: the order of their columns in the exports.
std::span<const EpisodeShape> episodeShapes();
// The episode total of the record's stage times.
std::int32_t stageSum(const CharRecord& rec, const EpisodeShape& episode);

} // namespace qvr
