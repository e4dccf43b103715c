#pragma once
// A roster of edge values for byte-exact export checks: every digit count of
// both signs up to the 32-bit limits, times around each carry and past the hour
// cap, names of every byte class up to a full field with no terminator, and
// memos with line ends, markup, quotes, commas and a zero byte.

#include <climits>
#include <cstdint>
#include <string>

#include "roster/charrecord.h"

namespace fixture {

inline std::int32_t edgeNumber(std::size_t i)
{
    static constexpr std::int32_t values[] = {0, 1, 9, 10, 99, 100, 999, 1000, 9999, 10000, 99999, 100000, 999999,
        1000000, 9999999, 10000000, 99999999, 100000000, 999999999, 1000000000, INT32_MAX, -1, -9, -10, -99, -100,
        -9999, -10000, -99999999, -100000000, -1000000000, INT32_MIN + 1, INT32_MIN};
    return values[i % std::size(values)];
}

inline std::int32_t edgeTime(std::size_t i)
{
    static constexpr std::int32_t values[] = {0, 1, 59, 60, 61, 599, 600, 3599, 3600, 3725, 35999, 36000, 86399, 86400,
        89999, 90000, 1000000, INT32_MAX, -1, -59, -60, -3599, -3600, -3725, -86400, -90000, INT32_MIN + 1, INT32_MIN};
    return values[i % std::size(values)];
}

// Bytes 1 to 255 in turn, nineteen at a time, then one name filling all twenty bytes.
inline void setEdgeName(qvr::CharRecord& rec, std::size_t i)
{
    if (i == 14) {
        for (std::size_t b = 0; b < qvr::NAME_SIZE; ++b)
            rec.name[b] = static_cast<char>('A' + b);
        return;
    }
    std::string name;
    for (std::size_t b = 0; b < 19; ++b)
        name.push_back(static_cast<char>(1 + (i * 19 + b) % 255));
    rec.setName(name.substr(0, i % 20));
}

inline std::string edgeMemo(std::size_t i)
{
    static const std::string memos[] = {"", "plain", "a,b", "say \"hi\"", "<i>&amp;</i>", "one\r\ntwo", "lone\rcr",
        "lone\nlf", "\r\n", "\"", "\x82\xa0\x95\x5c,\x83\x81", std::string("zero\0byte", 9), "'apos' > & <"};
    return memos[i % std::size(memos)];
}

// Class and section indices stay within their lists when the HTML export is to take the roster.
inline qvr::Roster edgeRoster(bool indicesInLists)
{
    qvr::Roster roster = qvr::makeRoster(1);
    for (std::size_t i = 1; i <= 40; ++i) {
        roster.push_back(qvr::makeRecord());
        qvr::CharRecord& rec = *roster.back();
        setEdgeName(rec, i);
        rec.id = indicesInLists ? static_cast<std::int32_t>(i % 10) : edgeNumber(i * 5);
        rec.wtype = indicesInLists ? static_cast<std::int32_t>(i % 12) : edgeNumber(i * 5 + 2);
        for (std::size_t s = 0; s < rec.status.size(); ++s)
            rec.status[s] = edgeNumber(i * 10 + s);
        for (std::size_t s = 0; s < rec.ep1time.size(); ++s)
            rec.ep1time[s] = edgeTime(i * 11 + s);
        for (std::size_t s = 0; s < rec.ep2time.size(); ++s)
            rec.ep2time[s] = edgeTime(i * 7 + s + 3);
        rec.memo = edgeMemo(i);
    }
    return roster;
}

} // namespace fixture
