#pragma once

#include "roster/rostersheet.h"

// Ten more rows after the start-up roster's, rows 1 to 10 holding section IDs 0 to 9.
inline void addRowForEverySectionId(qvr::RosterSheet& sheet)
{
    for (int i = 0; i < 10; ++i)
        sheet.appendRecord();
    for (std::size_t r = 1; r <= 10; ++r)
        sheet.roster[r]->id = static_cast<std::int32_t>(r - 1);
}
