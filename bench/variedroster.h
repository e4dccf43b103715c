#pragma once
// The benchmarks' roster: varied values, so that the best passes and the exports
// do real work, and a memo with quotes and a line break in every record.

#include "roster/charrecord.h"
#include "roster/timevalue.h"

#include <string>

namespace qvrbench {

using namespace qvr;

inline qvr::Roster variedRoster(std::size_t characters)
{
    Roster r = makeRoster(characters + 1);
    for (std::size_t i = 1; i < r.size(); ++i) {
        CharRecord& c = *r[i];
        c.setName("Char" + std::to_string(i));
        c.wtype = static_cast<std::int32_t>(i % CLASS_NAMES.size());
        c.id = static_cast<std::int32_t>(i % SECTION_ID_NAMES.size());
        for (std::size_t s = 0; s < c.status.size(); ++s)
            c.status[s] = static_cast<std::int32_t>((i * 7 + s * 13) % 999);
        for (std::size_t s = 0; s < EP1_STAGES; ++s)
            c.ep1time[s] = static_cast<std::int32_t>(60 + (i * 31 + s * 17) % 7000);
        for (std::size_t s = 0; s < EP2_STAGES; ++s)
            c.ep2time[s] = static_cast<std::int32_t>(60 + (i * 29 + s * 11) % 7000);
        c.ep1time[EP1_TOTAL] = ep1StageSum(c);
        c.ep2time[EP2_TOTAL] = ep2StageSum(c);
        c.nocount = static_cast<std::uint8_t>(i % 17 == 0);
        c.memo = "memo line " + std::to_string(i) + ", with \"quotes\"\r\nsecond line";
    }
    return r;
}

} // namespace qvrbench
