#include "roster/timevalue.h"

#include "platform/error.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <vector>

namespace qvr {

namespace {

// One episode's best-time search, fed record by record. Besides the running
// best of every stage it keeps the times that equal it, so that marking touches
// only those instead of walking the roster again for every stage.
template <std::size_t N, std::size_t M>
class BestSearch {
public:
    using Times = std::array<std::int32_t, N>;
    static constexpr std::size_t stages = M - 1;

    explicit BestSearch(Times CharRecord::*field) : field_(field) { best_.fill(BEST_CEILING); }

    void visit(CharRecord& rec)
    {
        // Most records hold no time at or below a stage's best so far: this test has
        // no branch per stage, so the walk runs at the speed of reading the times.
        const Times& times = rec.*field_;
        unsigned reachesBest = 0;
        for (std::size_t i = 0; i < stages; ++i)
            reachesBest |=
                static_cast<unsigned>(times[i] != 0) & static_cast<unsigned>(timeMagnitude(times[i]) <= best_[i]);
        if (reachesBest != 0) [[unlikely]]
            take(rec.*field_);
    }

    // Stores the table and marks every counted time equal to its stage's best;
    // marks set by earlier passes stay. The times that gain a mark go to `marked`.
    void finish(std::array<std::int32_t, M>& table, std::vector<std::int32_t*>* marked)
    {
        std::int32_t sum = 0;
        for (std::size_t i = 0; i < stages; ++i) {
            table[i] = static_cast<std::int32_t>(best_[i]);
            for (std::int32_t* t : holders_[i]) {
                if (marked && *t != -table[i])
                    marked->push_back(t);
                *t = -table[i];
            }
            sum += table[i]; // at most 9 x 7200: no overflow
        }
        table[stages] = sum;
    }

private:
    void take(Times& times)
    {
        for (std::size_t i = 0; i < stages; ++i) {
            const std::int32_t t = times[i];
            if (t == 0)
                continue;
            const std::uint32_t a = timeMagnitude(t);
            if (a > best_[i])
                continue;
            if (a < best_[i]) {
                best_[i] = a;
                holders_[i].clear();
            }
            holders_[i].push_back(&times[i]);
        }
    }

    Times CharRecord::*field_;
    std::array<std::uint32_t, stages> best_{};
    std::array<std::vector<std::int32_t*>, stages> holders_{};
};

using Ep1Search = BestSearch<EP1_COUNT, EP1_STAGES + 1>;
using Ep2Search = BestSearch<EP2_COUNT, EP2_STAGES + 1>;

// Every roster element takes part, the placeholder included, unless it is left out.
template <class... Searches>
void walkCounted(Roster& roster, Searches&... searches)
{
    for (const RecordPtr& rec : roster)
        if (rec->nocount == 0)
            (searches.visit(*rec), ...);
}

std::int32_t stageSum(std::span<const std::int32_t> times, std::size_t stages)
{
    // Wraps like the 32-bit sum it is; only damaged files hold times that large.
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < stages; ++i)
        sum += timeMagnitude(times[i]);
    return static_cast<std::int32_t>(sum);
}

template <auto Field>
std::span<std::int32_t> timesIn(CharRecord& rec)
{
    return rec.*Field;
}

template <auto Field>
std::span<const std::int32_t> readTimesIn(const CharRecord& rec)
{
    return rec.*Field;
}

constexpr std::array<EpisodeShape, 2> EPISODES{{
    {Episode::One, EP1_STAGES, "EP1", &timesIn<&CharRecord::ep1time>, &readTimesIn<&CharRecord::ep1time>,
        &recomputeEp1Best},
    {Episode::Two, EP2_STAGES, "EP2", &timesIn<&CharRecord::ep2time>, &readTimesIn<&CharRecord::ep2time>,
        &recomputeEp2Best},
}};

constexpr TimeTextParts makeTimeTextParts()
{
    TimeTextParts parts{};
    for (std::uint32_t h = 0; h < parts.hours.size(); ++h)
        parts.hours[h] = {h < 10 ? ' ' : static_cast<char>('0' + h / 10), static_cast<char>('0' + h % 10)};
    for (std::uint32_t v = 0; v < parts.minutesSeconds.size(); ++v) {
        const auto [h, m, s] = splitTime(static_cast<std::int32_t>(v));
        parts.minutesSeconds[v] = {'\'', static_cast<char>('0' + m / 10), static_cast<char>('0' + m % 10), '"',
            static_cast<char>('0' + s / 10), static_cast<char>('0' + s % 10)};
    }
    return parts;
}

} // namespace

constexpr TimeTextParts TIME_TEXT_PARTS = makeTimeTextParts();

std::string timeToText(std::int32_t seconds)
{
    char text[TIME_TEXT_MAX];
    return {text, writeTimeText(text, seconds)};
}

std::int32_t textToTime(std::string_view text)
{
    if (!text.empty() && text.front() == '*')
        text.remove_prefix(1);
    if (text.empty())
        return 0;
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9')
            digits.push_back(c);
    if (digits.empty())
        throw errNotInteger(digits);
    // Leading zeros do not count towards the range; more than ten significant digits overflow.
    std::size_t first = digits.find_first_not_of('0');
    if (first != std::string::npos && digits.size() - first > 10)
        throw errNotInteger(digits);
    long long n = std::strtoll(digits.c_str(), nullptr, 10);
    if (n > std::numeric_limits<std::int32_t>::max())
        throw errNotInteger(digits);
    long long sec = n % 100;
    long long min = (n % 10000) / 100;
    long long h = n / 10000;
    if (h > 24)
        h = 24;
    if (min > 59)
        min = 59;
    if (sec > 59)
        sec = 59;
    return static_cast<std::int32_t>(h * 3600 + min * 60 + sec);
}

void recomputeEp1Best(Roster& roster, BestTimes& best, std::vector<std::int32_t*>* marked)
{
    Ep1Search ep1(&CharRecord::ep1time);
    walkCounted(roster, ep1);
    ep1.finish(best.ep1best, marked);
}

void recomputeEp2Best(Roster& roster, BestTimes& best, std::vector<std::int32_t*>* marked)
{
    Ep2Search ep2(&CharRecord::ep2time);
    walkCounted(roster, ep2);
    ep2.finish(best.ep2best, marked);
}

void recomputeBestTimes(Roster& roster, BestTimes& best)
{
    Ep1Search ep1(&CharRecord::ep1time);
    Ep2Search ep2(&CharRecord::ep2time);
    walkCounted(roster, ep1, ep2);
    ep1.finish(best.ep1best, nullptr);
    ep2.finish(best.ep2best, nullptr);
}

std::int32_t ep1StageSum(const CharRecord& rec) { return stageSum(rec, episodeShape(Episode::One)); }
std::int32_t ep2StageSum(const CharRecord& rec) { return stageSum(rec, episodeShape(Episode::Two)); }

const EpisodeShape& episodeShape(Episode episode) { return EPISODES[static_cast<std::size_t>(episode)]; }

std::span<const EpisodeShape> episodeShapes() { return EPISODES; }

std::int32_t stageSum(const CharRecord& rec, const EpisodeShape& episode)
{
    return stageSum(episode.readTimes(rec), episode.stages);
}

} // namespace qvr
