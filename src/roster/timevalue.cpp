#include "roster/timevalue.h"

#include "platform/error.h"

#include <cstdlib>
#include <limits>

namespace qvr {

namespace {

void appendTwoDigits(std::string& s, std::int64_t v, char pad)
{
    if (v < 10)
        s.push_back(pad);
    s += std::to_string(v);
}

// |v| without overflow for INT32_MIN, as the 64-bit value it really is.
std::int64_t absolute(std::int32_t v)
{
    return v < 0 ? -static_cast<std::int64_t>(v) : v;
}

template <std::size_t N, std::size_t M>
void bestPass(Roster& roster, std::array<std::int32_t, N> CharRecord::*field,
              std::array<std::int32_t, M>& table)
{
    constexpr std::size_t stages = M - 1;
    for (std::size_t i = 0; i < stages; ++i) {
        std::int64_t best = BEST_CEILING;
        for (const auto& rec : roster) {
            std::int32_t t = ((*rec).*field)[i];
            if (rec->nocount != 0 || t == 0)
                continue;
            if (absolute(t) <= best)
                best = absolute(t);
        }
        table[i] = static_cast<std::int32_t>(best);
    }
    for (std::size_t j = 0; j < stages; ++j) {
        for (auto& rec : roster) {
            std::int32_t& t = ((*rec).*field)[j];
            if (rec->nocount == 0 && t != 0 && absolute(t) == table[j])
                t = -table[j];
        }
    }
    std::int32_t sum = 0;
    for (std::size_t i = 0; i < stages; ++i)
        sum += table[i];  // at most 9 x 7200: no overflow
    table[stages] = sum;
}

template <std::size_t N>
std::int32_t stageSum(const std::array<std::int32_t, N>& times, int stages)
{
    // Wraps like the 32-bit sum it is; only damaged files hold times that large.
    std::uint32_t sum = 0;
    for (int i = 0; i < stages; ++i)
        sum += static_cast<std::uint32_t>(absolute(times[static_cast<std::size_t>(i)]));
    return static_cast<std::int32_t>(sum);
}

} // namespace

std::string timeToText(std::int32_t seconds)
{
    std::string s;
    std::int64_t v = seconds;
    if (v < 0) {
        s.push_back('*');
        v = -v;
    }
    std::int64_t h = v / 3600;
    std::int64_t m = (v % 3600) / 60;
    std::int64_t sec = v % 60;
    if (h > 24)
        h = 24;
    appendTwoDigits(s, h, ' ');
    s.push_back('\'');
    appendTwoDigits(s, m, '0');
    s.push_back('"');
    appendTwoDigits(s, sec, '0');
    return s;
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

void recomputeEp1Best(Roster& roster, BestTimes& best)
{
    bestPass(roster, &CharRecord::ep1time, best.ep1best);
}

void recomputeEp2Best(Roster& roster, BestTimes& best)
{
    bestPass(roster, &CharRecord::ep2time, best.ep2best);
}

std::int32_t ep1StageSum(const CharRecord& rec) { return stageSum(rec.ep1time, EP1_STAGES); }
std::int32_t ep2StageSum(const CharRecord& rec) { return stageSum(rec.ep2time, EP2_STAGES); }

} // namespace qvr
